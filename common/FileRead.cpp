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

QString ReadableFileProblem(const QString &path)
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
    const int statResult = ::fstat(fd, &info);
    const int statError = errno;
    ::close(fd);
    if (statResult != 0)
        return SystemErrorText(statError);
    if (S_ISDIR(info.st_mode))
        return SystemErrorText(EISDIR);
    if (S_ISFIFO(info.st_mode))
        return Tr("это канал (FIFO), а не файл");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return Tr("это устройство, а не файл");
    if (!S_ISREG(info.st_mode))
        return Tr("это не обычный файл");
    return {};
}
