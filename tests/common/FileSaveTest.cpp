#include "FileSave.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

mode_t Kind(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

TEST(FileSave, regularFilesAreReplacedOtherFilesWrittenThroughOrRefused)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo"), idle = dir.filePath("idle"), full = dir.filePath("full");
    for (const QString &path : {fifo, idle})
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // As /dev/full, made here by root, whom a faulty save would let replace it.
    const bool root = ::geteuid() == 0;
    const QString device = root ? full : QStringLiteral("/dev/full");
    ASSERT_TRUE(!root || ::mknod(QFile::encodeName(full).constData(), S_IFCHR | 0600, makedev(1, 7)) == 0);
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const struct { QString path; bool written; const char *reason; mode_t kind; } cases[] = {
        {dir.filePath("new.bmp"), true, "", S_IFREG},
        {fifo, true, "", S_IFIFO},
        {idle, false, "никто не читает", S_IFIFO},   // without a reader: no hang either
        {device, false, "на диске нет места", S_IFCHR},
        {dir.path(), false, "папка", S_IFDIR},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString reason;
        EXPECT_EQ(SaveFileBytes(c.path, "picture bytes", &reason), c.written);
        EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
        EXPECT_EQ(Kind(c.path), c.kind);
    }
    char got[64] = {};
    EXPECT_EQ(::read(reader, got, sizeof got), 13);
    EXPECT_EQ(QByteArray(got), "picture bytes");
    ::close(reader);
}

// A file that cannot be made where it is asked for says why, in the
// installer's words, each case with its own reason.
TEST(FileSave, aFolderThatCannotTakeTheFileNamesItsOwnReason)
{
    QTemporaryDir dir;
    const QString readOnly = dir.filePath("read-only");
    ASSERT_TRUE(QDir().mkdir(readOnly));
    ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);
    const struct { QString path; const char *reason; } cases[] = {
        {readOnly + "/car.ini", "В папку «%1» нельзя записывать: нет прав доступа."},
        {dir.filePath("missing/car.ini"), "В папку «%1» нельзя записывать: нет такого файла или папки."},
    };
    const OrdinaryFilePermissions asInstaller;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        QString reason;
        EXPECT_FALSE(SaveFileBytes(c.path, "[Common]\r\n", &reason));
        EXPECT_EQ(reason.toStdString(), QString::fromUtf8(c.reason).arg(QFileInfo(c.path).path()).toStdString());
    }
}

} // namespace
