#include "FileRead.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Each kind of path a picture or photo may name, with the words of its refusal.
TEST(FileRead, onlyRegularFilesAreReadableAndEveryRefusalNamesItsOwnReason)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath("photo.jpg"), fifo = dir.filePath("fifo"), locked = dir.filePath("locked.bmp");
    for (const QString &path : {plain, locked}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);  // no writer: must not block
    // A name with bytes that are not UTF-8, as Qt hands it on.
    const QString notUtf8 = dir.filePath(QString::fromUtf8("\xff\xfe.jpg"));

    const struct { QString path; const char *reason; } cases[] = {
        {plain, ""},
        {dir.filePath("missing.jpg"), "нет такого файла"},
        {dir.path(), "папка"},
        {fifo, "канал"},
        {QStringLiteral("/dev/null"), "устройство"},
        {notUtf8, "UTF-8"},
        {QString(), "не задано"},
        {locked, ::geteuid() == 0 ? "" : "нет прав"},  // root reads it anyway
    };
    for (const auto &c : cases) {
        const QString problem = ReadableFileProblem(c.path);
        if (*c.reason == '\0')
            EXPECT_TRUE(problem.isEmpty()) << c.path.toStdString() << ": " << problem.toStdString();
        else
            EXPECT_TRUE(problem.contains(QString::fromUtf8(c.reason))) << c.path.toStdString() << ": " << problem.toStdString();
    }
}

}  // namespace
