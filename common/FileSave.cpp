#include "FileSave.h"

#include "SystemErrorText.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <csignal>
#include <ctime>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("FileSave", text);
}

bool Fail(QString *reason, const QString &why)
{
    if (reason)
        *reason = why;
    return false;
}

// Writing into a FIFO whose reader has gone raises SIGPIPE, which would end
// the program: it is held back while this object lives, and one that the
// writes raised is taken before it is let through again.
class SigPipeHeld {
public:
    SigPipeHeld()
    {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    }
    ~SigPipeHeld()
    {
        if (!sigismember(&previous_, SIGPIPE)) {
            sigset_t pending;
            sigpending(&pending);
            if (sigismember(&pending, SIGPIPE)) {
                const timespec now{};
                sigtimedwait(&pipe_, nullptr, &now);
            }
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigPipeHeld(const SigPipeHeld &) = delete;
    SigPipeHeld &operator=(const SigPipeHeld &) = delete;

private:
    sigset_t pipe_{};
    sigset_t previous_{};
};

// Writes into a FIFO or a character device as it is, without replacing it.
bool WriteThrough(const QByteArray &native, bool fifo, QByteArrayView bytes, QString *reason)
{
    // Opened without waiting: a FIFO nobody reads would otherwise hang the
    // program here. The writes themselves wait as usual.
    const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (fifo && error == ENXIO)
            return Fail(reason, Tr("Это канал (FIFO), из которого сейчас никто не читает."));
        return Fail(reason, SystemErrorText(error) + QLatin1Char('.'));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return Fail(reason, file.errorString());
    }
    SigPipeHeld held;
    qsizetype written = 0;
    while (written < bytes.size()) {
        errno = 0;
        const qint64 n = file.write(bytes.data() + written, bytes.size() - written);
        if (n <= 0) {
            const int error = errno;
            return Fail(reason, error != 0 ? SystemErrorText(error) + QLatin1Char('.') : file.errorString());
        }
        written += qsizetype(n);
    }
    return true;
}

// Replaces a regular file (or makes a new one) atomically.
bool SaveAtomically(const QString &path, QByteArrayView bytes, QString *reason)
{
    // Unbuffered, so that a write that fails (a full disk, a file size limit)
    // is seen here: a failure during the buffered flush inside commit() could
    // go unnoticed and the truncated file would replace the old one.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    // Why, in the installer's words: the folder, the file, or the system's
    // reason (a full disk, ...).
    auto why = [&](int error) {
        const QString folder = QFileInfo(path).absolutePath();
        const QByteArray nativeFolder = QFile::encodeName(folder), native = QFile::encodeName(path);
        if (QFileInfo(path).isDir())
            return Tr("Это папка, а не файл.");
        // Checked with the credentials the write itself uses (AT_EACCESS);
        // each errno is kept right after its own call: any call between (a
        // stat of the file, a translation) may overwrite it.
        auto writable = [](const QByteArray &name) {
            return ::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
        };
        const bool exists = QFileInfo::exists(path);
        const int fileError = exists ? writable(native) : 0;
        const int folderError = writable(nativeFolder);
        if (folderError != 0 && !(exists && fileError == 0))
            return Tr("В папку «%1» нельзя записывать: %2.").arg(folder, SystemErrorText(folderError));
        if (fileError != 0)
            return Tr("Файл нельзя перезаписать: %1.").arg(SystemErrorText(fileError));
        return error != 0 ? SystemErrorText(error) + QLatin1Char('.') : file.errorString();
    };
    auto fail = [&] {
        const int error = errno;
        if (reason)
            *reason = why(error);
        file.cancelWriting();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail();
    qsizetype written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.data() + written, bytes.size() - written);
        if (n <= 0)
            return fail();
        written += qsizetype(n);
    }
    if (!file.commit()) {
        const int error = errno;
        return Fail(reason, why(error));
    }
    return true;
}

} // namespace

bool SaveFileBytes(const QString &path, QByteArrayView bytes, QString *reason)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty())
        return Fail(reason, Tr("Имя файла не задано."));
    struct stat st {};
    if (::stat(native.constData(), &st) != 0 || S_ISREG(st.st_mode))
        return SaveAtomically(path, bytes, reason);
    if (S_ISDIR(st.st_mode))
        return Fail(reason, Tr("Это папка, а не файл."));
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode))
        return WriteThrough(native, S_ISFIFO(st.st_mode), bytes, reason);
    if (S_ISBLK(st.st_mode))
        return Fail(reason, Tr("Это дисковое устройство, а не файл: программа в него не записывает."));
    return Fail(reason, Tr("Это не обычный файл: программа в него не записывает."));
}

bool IsSameFile(const QString &a, const QString &b)
{
    struct stat first {}, second {};
    const QByteArray nativeA = QFile::encodeName(a), nativeB = QFile::encodeName(b);
    if (nativeA.isEmpty() || nativeB.isEmpty() || ::stat(nativeA.constData(), &first) != 0
        || ::stat(nativeB.constData(), &second) != 0)
        return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}
