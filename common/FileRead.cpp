#include "FileRead.h"

#include "SystemErrorText.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("FileRead", text);
}

}  // namespace

QString OpenReadableFile(const QString &path, QFile &file)
{
    if (path.isEmpty())
        return Tr("имя файла не задано");
    // A name whose bytes were not UTF-8 reaches the program with U+FFFD in
    // their place and no longer names the file on disk.
    if (path.contains(QChar::ReplacementCharacter))
        return Tr("имя файла не в кодировке UTF-8, программа не может его открыть; переименуйте файл");
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return SystemErrorText(errno);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int statError = errno;
        ::close(fd);
        return SystemErrorText(statError);
    }
    QString problem;
    if (S_ISDIR(info.st_mode))
        problem = SystemErrorText(EISDIR);
    else if (S_ISFIFO(info.st_mode))
        problem = Tr("это канал (FIFO), а не файл");
    else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        problem = Tr("это устройство, а не файл");
    else if (!S_ISREG(info.st_mode))
        problem = Tr("это не обычный файл");
    // A regular file reads the same either way; reads then block as usual.
    else if (const int flags = ::fcntl(fd, F_GETFL); flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)
        problem = SystemErrorText(errno);
    else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        problem = Tr("файл не открывается: %1").arg(file.errorString());
    else
        return {};
    ::close(fd);
    return problem;
}

QString ReadableFileProblem(const QString &path)
{
    QFile file;
    return OpenReadableFile(path, file);
}
