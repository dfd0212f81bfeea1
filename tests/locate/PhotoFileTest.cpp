// Photos as the program reads them for the photo window and --locate (the
// file, then the module loaded from the build tree), and the check of a
// module file before it is loaded.
#include "PhotoFile.h"
#include "PhotoLocator.h"
#include "SharedObjectCheck.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <elf.h>

#include <cstddef>
#include <sys/stat.h>

namespace {

QString Write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
    return path;
}

QString Save(const QString &path, QSize size)
{
    QImage picture(size, QImage::Format_RGB888);
    picture.fill(QColor(70, 110, 150));
    EXPECT_TRUE(picture.save(path, nullptr, 80)) << path.toStdString();
    return path;
}

// Every kind of photo that is not an ordinary one, with what comes of it:
// refused with its reason, or read and then no grid with its reason; none
// ends the program or waits.
TEST(PhotoFile, badPhotosAreRefusedOrFindNoGridWithTheirReason)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);  // no writer
    // A BMP header that says 12000 x 9000 (108 megapixels), without pixels.
    QByteArray huge(54, '\0');
    QBuffer header(&huge);
    header.open(QIODevice::WriteOnly);
    QImage(4, 4, QImage::Format_RGB888).save(&header, "BMP");
    huge = huge.left(54);
    qToLittleEndian<qint32>(12000, huge.data() + 18);
    qToLittleEndian<qint32>(9000, huge.data() + 22);
    Save(dir.filePath("whole.png"), {640, 480});
    QFile whole(dir.filePath("whole.png"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray png = whole.readAll();

    const struct {
        const char *name;
        QString path;
        const char *refused;  // the reading's reason, or null when it is read
        QSize read = {};      // the picture kept
        const char *noGrid = nullptr;
    } cases[] = {
        {"strip 4000 x 2", Save(dir.filePath("a.png"), {4000, 2}), nullptr, {4000, 2}, "слишком мал или узок"},
        {"strip 2100 x 1", Save(dir.filePath("b.png"), {2100, 1}), nullptr, {2100, 1}, "слишком мал или узок"},
        {"strip 1 x 2800", Save(dir.filePath("c.png"), {1, 2800}), nullptr, {1, 2800}, "слишком мал или узок"},
        {"strip 20000 x 8", Save(dir.filePath("d.png"), {20000, 8}), nullptr, {20000, 8}, "слишком мал или узок"},
        {"48 megapixels, JPEG", Save(dir.filePath("big.jpg"), {8000, 6000}), nullptr, {4000, 3000}, "не найдена"},
        {"48 megapixels, PNG", Save(dir.filePath("big.png"), {8000, 6000}), nullptr, {4000, 3000}, "не найдена"},
        {"108 megapixels", Write(dir.filePath("huge.bmp"), huge), "больше 100 мегапикселей"},
        {"FIFO", fifo, "канал"},  // the file check's own reasons are pinned with it
        {"not a picture", Write(dir.filePath("text.jpg"), "not a picture"), "не изображение"},
        {"cut short", Write(dir.filePath("cut.png"), png.left(png.size() / 2)), "повреждён или неполон"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const PhotoFile::Read photo = PhotoFile::ReadPhoto(c.path);
        if (c.refused) {
            EXPECT_TRUE(photo.picture.isNull());
            EXPECT_TRUE(photo.problem.contains(QString::fromUtf8(c.refused))) << photo.problem.toStdString();
            continue;
        }
        ASSERT_TRUE(photo.problem.isEmpty()) << photo.problem.toStdString();
        EXPECT_EQ(photo.picture.size(), c.read);
        const PhotoLocation found = PhotoLocator::Locate(photo.picture);
        EXPECT_FALSE(found.grid);
        EXPECT_TRUE(found.problem.contains(QString::fromUtf8(c.noGrid))) << found.problem.toStdString();
        // The other searches on the same picture end too, finding nothing.
        const QSizeF s = photo.picture.size();
        const auto clicked =
            GridMapping::FromCorners({QPointF(0, 0), {s.width(), 0}, {s.width(), s.height()}, {0, s.height()}});
        ASSERT_TRUE(clicked);
        QString reason;
        EXPECT_FALSE(PhotoLocator::ScreenCorners(photo.picture, &reason)) << reason.toStdString();
        EXPECT_TRUE(PhotoLocator::Marks(photo.picture, *clicked, &reason).empty()) << reason.toStdString();
        const auto lines = PhotoLocator::MeasureLines(photo.picture, *clicked, &reason);
        EXPECT_TRUE(lines && lines->empty()) << reason.toStdString();
    }
    // --locate gives the grid in the file's own pixels.
    EXPECT_EQ(PhotoFile::ReadPhoto(dir.filePath("big.jpg")).fileSize, QSize(8000, 6000));
}

// Module files that would kill the program in dlopen (a file cut short maps
// pages past its end) or that are for another machine, each named.
TEST(SharedObjectCheck, onlyAWholeSharedObjectOfThisMachineIsLoaded)
{
    QTemporaryDir dir;
    QFile built(QStringLiteral(TARVELLO_LOCATE_BUILT));
    ASSERT_TRUE(built.open(QIODevice::ReadOnly));
    const QByteArray module = built.readAll();
    auto patched = [&](int offset, QByteArray bytes) {
        QByteArray copy = module;
        return copy.replace(offset, bytes.size(), bytes);
    };
    const QString fifo = dir.filePath("fifo.so");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        const char *name;
        QString path;
        const char *problem;  // empty: loadable
    } cases[] = {
        {"the module as built", built.fileName(), ""},
        {"cut after its headers", Write(dir.filePath("head.so"), module.left(3000)), "обрезан"},
        {"the last bytes cut", Write(dir.filePath("tail.so"), module.chopped(100)), "обрезан"},
        {"empty", Write(dir.filePath("empty.so"), {}), "не файл ELF"},
        {"text", Write(dir.filePath("text.so"), "hello\n"), "не файл ELF"},
        {"32-bit", Write(dir.filePath("32.so"), patched(EI_CLASS, QByteArray(1, ELFCLASS32))), "32-разрядной"},
        {"other processor", Write(dir.filePath("arm.so"), patched(offsetof(Elf64_Ehdr, e_machine), {"\xb7\x00", 2})),
         "другого процессора"},
        {"a program", Write(dir.filePath("exec.so"), patched(offsetof(Elf64_Ehdr, e_type), {"\x02\x00", 2})),
         "не разделяемая"},
        {"FIFO", fifo, "канал"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString problem = SharedObjectProblem(c.path);
        EXPECT_EQ(problem.isEmpty(), *c.problem == '\0') << problem.toStdString();
        EXPECT_TRUE(problem.contains(QString::fromUtf8(c.problem))) << problem.toStdString();
    }
}

} // namespace
