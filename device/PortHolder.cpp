#include "PortHolder.h"

#include <QByteArray>
#include <QFile>

#include <cctype>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// Device numbers: the slaves of Unix 98 pseudo-terminals (the minor number
// is the terminal's index) and their master multiplexer /dev/ptmx.
constexpr unsigned kPtySlaveMajor = 136;
constexpr unsigned kPtmxMajor = 5;
constexpr unsigned kPtmxMinor = 2;

struct DirCloser {
    void operator()(DIR *dir) const { ::closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

QByteArray ReadProcFile(const QByteArray &path)
{
    QFile file(QString::fromLocal8Bit(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The index of the pseudo-terminal a /dev/ptmx descriptor is the master
// of, from its fdinfo ("tty-index:\t3"); -1 when it does not say.
long PtyIndexOfMaster(const QByteArray &process, const char *fd)
{
    const QByteArray info = ReadProcFile(process + "/fdinfo/" + fd);
    const qsizetype at = info.indexOf("tty-index:");
    if (at < 0)
        return -1;
    bool ok = false;
    const long index = info.mid(at + 10).split('\n').value(0).trimmed().toLong(&ok);
    return ok ? index : -1;
}

bool IsNumber(const char *name)
{
    if (*name == '\0')
        return false;
    for (; *name != '\0'; ++name)
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    return true;
}

}  // namespace

std::optional<PortHolder> FindPortHolder(const QString &path)
{
    struct stat device {};
    if (::stat(QFile::encodeName(path).constData(), &device) != 0 || !S_ISCHR(device.st_mode))
        return std::nullopt;
    const long ptyIndex = major(device.st_rdev) == kPtySlaveMajor ? static_cast<long>(minor(device.st_rdev)) : -1;
    const dev_t ptmx = makedev(kPtmxMajor, kPtmxMinor);
    const QByteArray self = QByteArray::number(static_cast<long long>(::getpid()));

    const Dir processes(::opendir("/proc"));
    if (!processes)
        return std::nullopt;
    while (const dirent *entry = ::readdir(processes.get())) {
        if (!IsNumber(entry->d_name) || self == entry->d_name)
            continue;
        const QByteArray process = QByteArray("/proc/") + entry->d_name;
        // Not ours to read (another user's process) or gone meanwhile.
        const Dir fds(::opendir((process + "/fd").constData()));
        if (!fds)
            continue;
        bool holdsDevice = false;
        bool holdsMaster = false;
        while (const dirent *fd = ::readdir(fds.get())) {
            struct stat target {};
            if (!IsNumber(fd->d_name) || ::fstatat(::dirfd(fds.get()), fd->d_name, &target, 0) != 0
                || !S_ISCHR(target.st_mode))
                continue;
            if (target.st_rdev == device.st_rdev)
                holdsDevice = true;
            else if (ptyIndex >= 0 && target.st_rdev == ptmx && PtyIndexOfMaster(process, fd->d_name) == ptyIndex)
                holdsMaster = true;
        }
        if (holdsDevice && !holdsMaster)
            return PortHolder{QByteArray(entry->d_name).toLongLong(),
                              QString::fromLocal8Bit(ReadProcFile(process + "/comm").trimmed())};
    }
    return std::nullopt;
}
