#include "BmpFile.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <climits>
#include <cstdint>

using namespace Bmp;

namespace {

std::uint32_t ReadU32(const QByteArray &d, int at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData()) + at;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint16_t ReadU16(const QByteArray &d, int at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData()) + at;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void PatchU32(QByteArray &d, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        d[at + i] = char((v >> (8 * i)) & 0xFF);
}

void PatchU16(QByteArray &d, int at, std::uint16_t v)
{
    d[at] = char(v & 0xFF);
    d[at + 1] = char(v >> 8);
}

// An RLE file (8-bit, or 4-bit when fourBit) of the given size around a
// hand-made stream.
QByteArray RleFile(int width, int height, const QByteArray &stream, bool fourBit = false)
{
    QImage palette(width, height, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < (fourBit ? 16 : 256); ++i)
        colours.append(qRgb(i, 255 - i, i / 2));
    palette.setColorTable(colours);
    palette.fill(0);
    QByteArray file = EncodeBmp(palette, fourBit ? 4 : 8).left(14 + 40 + 4 * int(colours.size()));
    file.append(stream);
    PatchU32(file, 2, static_cast<std::uint32_t>(file.size()));
    PatchU32(file, 30, fourBit ? 2 : 1);
    PatchU32(file, 34, static_cast<std::uint32_t>(stream.size()));
    return file;
}

QByteArray Rle8File(int width, int height, const QByteArray &stream)
{
    return RleFile(width, height, stream);
}

QImage RandomPicture(int width, int height, QImage::Format format, quint32 seed)
{
    QImage picture(width, height, format);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        uchar *line = picture.scanLine(y);
        for (qsizetype i = 0; i < picture.bytesPerLine(); ++i)
            line[i] = static_cast<uchar>(random.bounded(256));
    }
    return picture;
}

QString WriteTemp(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

bool SamePixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

}  // namespace

TEST(BmpFile, savedPictureReadsBackAtItsOwnDepthWithTheSamePixels)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    QImage indexed = RandomPicture(403, 37, QImage::Format_Indexed8, 1);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.append(qRgb(i, (i * 7) & 0xFF, 255 - i));
    indexed.setColorTable(colours);

    QImage mono = RandomPicture(37, 11, QImage::Format_Mono, 2);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});

    QImage fourBit = RandomPicture(19, 7, QImage::Format_Indexed8, 3);
    fourBit.setColorTable(colours.mid(0, 16));
    for (int y = 0; y < fourBit.height(); ++y)
        for (int x = 0; x < fourBit.width(); ++x)
            fourBit.scanLine(y)[x] &= 0x0F;

    QImage rgb555 = RandomPicture(21, 9, QImage::Format_RGB555, 4);
    for (int y = 0; y < rgb555.height(); ++y) {
        auto *line = reinterpret_cast<quint16 *>(rgb555.scanLine(y));
        for (int x = 0; x < rgb555.width(); ++x)
            line[x] &= 0x7FFF;
    }

    struct Case {
        const char *name;
        QImage picture;
        int requestedBits;
        int fileBits;
        QImage::Format loaded;
    };
    const Case cases[] = {
        {"24-bit", RandomPicture(401, 313, QImage::Format_RGB888, 5), 0, 24, QImage::Format_RGB888},
        {"8-bit", indexed, 0, 8, QImage::Format_Indexed8},
        {"32-bit", RandomPicture(33, 5, QImage::Format_RGB32, 6), 0, 32, QImage::Format_RGB32},
        {"1-bit", mono, 0, 1, QImage::Format_Mono},
        {"4-bit", fourBit, 4, 4, QImage::Format_Indexed8},
        {"16-bit", rgb555, 0, 16, QImage::Format_RGB555},
    };
    for (const Case &c : cases) {
        const QString path = dir.filePath(QStringLiteral("%1.bmp").arg(c.name));
        ASSERT_TRUE(SaveBmpFile(c.picture, path, c.requestedBits)) << c.name;
        int bits = -1;
        Problem problem = Problem::DecodeFailed;
        const QImage loaded = LoadBmpFile(path, &bits, &problem);
        EXPECT_EQ(problem, Problem::None) << c.name;
        EXPECT_EQ(bits, c.fileBits) << c.name;
        EXPECT_EQ(loaded.format(), c.loaded) << c.name;
        EXPECT_TRUE(SamePixels(loaded, c.picture)) << c.name;
        if (c.loaded == QImage::Format_Indexed8) {
            for (int y = 0; y < loaded.height(); ++y)
                for (int x = 0; x < loaded.width(); ++x)
                    ASSERT_EQ(loaded.pixelIndex(x, y), c.picture.pixelIndex(x, y)) << c.name;
        }
    }
}

TEST(BmpFile, coloursMissingFromThePaletteAreSavedAsTheyWereShown)
{
    // A 1-bit picture that lists only its first colour (Qt shows colour 1
    // white), and a 4-bit picture whose pixels use an index past its four
    // colours (shown black): a saved copy shows the same colours.
    QImage mono(8, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 1, 2)});
    mono.fill(0);
    mono.scanLine(0)[0] = 0xA5;
    QImage fourBit(4, 2, QImage::Format_Indexed8);
    fourBit.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(10, 10, 10)});
    fourBit.fill(1);
    fourBit.scanLine(1)[3] = 11;

    const std::pair<QImage, int> cases[] = {{mono, 1}, {fourBit, 4}};
    for (const auto &[picture, depth] : cases) {
        int bits = -1;
        const QImage again = ReadBmpData(EncodeBmp(picture, depth), &bits);
        ASSERT_EQ(bits, depth);
        const QImage shown = picture.convertToFormat(QImage::Format_RGB32);
        const QImage shownAgain = again.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                EXPECT_EQ(shownAgain.pixel(x, y), shown.pixel(x, y)) << depth << " bits at " << x << "," << y;
    }
}

TEST(BmpFile, headerFieldsAndRowOrderAreAsWritten)
{
    QImage picture(401, 3, QImage::Format_RGB888);
    picture.fill(Qt::black);
    picture.setPixelColor(0, 2, QColor(10, 20, 30));  // bottom row, first pixel
    const QByteArray file = EncodeBmp(picture);
    const int rowBytes = (401 * 24 + 31) / 32 * 4;
    ASSERT_EQ(file.size(), 54 + rowBytes * 3);
    EXPECT_EQ(file.left(2), QByteArray("BM"));
    EXPECT_EQ(ReadU32(file, 2), std::uint32_t(file.size()));
    EXPECT_EQ(ReadU32(file, 6), 0u);  // two reserved words
    EXPECT_EQ(ReadU32(file, 10), 54u);
    EXPECT_EQ(ReadU32(file, 14), 40u);
    EXPECT_EQ(ReadU32(file, 18), 401u);
    EXPECT_EQ(ReadU32(file, 22), 3u);  // positive: bottom-up
    EXPECT_EQ(ReadU16(file, 26), 1);
    EXPECT_EQ(ReadU16(file, 28), 24);
    EXPECT_EQ(ReadU32(file, 30), 0u);
    EXPECT_EQ(ReadU32(file, 34), std::uint32_t(rowBytes * 3));
    for (int at : {38, 42, 46, 50})
        EXPECT_EQ(ReadU32(file, at), 0u) << at;
    // The first stored row is the picture's bottom row, blue first.
    EXPECT_EQ(file.mid(54, 3), QByteArray("\x1e\x14\x0a", 3));

    QImage indexed(5, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(1, 2, 3), qRgb(4, 5, 6)});
    indexed.fill(1);
    const QByteArray eight = EncodeBmp(indexed);
    EXPECT_EQ(ReadU32(eight, 10), 54u + 1024u);
    EXPECT_EQ(ReadU16(eight, 28), 8);
    EXPECT_EQ(ReadU32(eight, 34), 8u * 2u);
    EXPECT_EQ(ReadU32(eight, 46), 256u);
    EXPECT_EQ(eight.mid(54, 8), QByteArray("\x03\x02\x01\x00\x06\x05\x04\x00", 8)) << "real colours";
    EXPECT_EQ(eight.mid(62, 4), QByteArray(4, '\0')) << "unused entries are zero";
    EXPECT_EQ(ReadU32(eight, 2), std::uint32_t(eight.size()));
}

TEST(BmpFile, saveReplacesWholeFilesAndRefusesWhatItCannotWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.bmp"));
    QImage first(4, 4, QImage::Format_RGB32);
    first.fill(Qt::red);
    QImage second(2, 2, QImage::Format_RGB32);
    second.fill(Qt::blue);
    ASSERT_TRUE(SaveBmpFile(first, path));
    ASSERT_TRUE(SaveBmpFile(second, path));
    EXPECT_TRUE(SamePixels(LoadBmpFile(path), second));

    EXPECT_FALSE(SaveBmpFile(QImage(), dir.filePath(QStringLiteral("empty.bmp"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("empty.bmp"))));
    EXPECT_FALSE(SaveBmpFile(first, dir.filePath(QStringLiteral("no/such/folder/x.bmp"))));
}

TEST(BmpFile, badFilesGiveAnEmptyPictureAndTheReason)
{
    QImage base(8, 4, QImage::Format_RGB888);
    base.fill(Qt::gray);
    const QByteArray good = EncodeBmp(base);
    QImage eightBitPicture(8, 4, QImage::Format_Indexed8);
    eightBitPicture.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    eightBitPicture.fill(1);
    const QByteArray eightBit = EncodeBmp(eightBitPicture);

    QImage pngPicture(8, 4, QImage::Format_RGB32);
    pngPicture.fill(Qt::green);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(pngPicture.save(&buffer, "PNG"));
    }

    auto patched = [](QByteArray bytes, int at, std::uint32_t value) {
        PatchU32(bytes, at, value);
        return bytes;
    };
    auto patched16 = [](QByteArray bytes, int at, std::uint16_t value) {
        PatchU16(bytes, at, value);
        return bytes;
    };

    struct Case {
        const char *name;
        QByteArray bytes;
        Problem expected;
    };
    const Case cases[] = {
        {"empty file", QByteArray(), Problem::NotBmp},
        {"png named bmp", png, Problem::NotBmp},
        {"header cut short", good.left(20), Problem::Truncated},
        {"pixel data cut short", good.left(good.size() - 1), Problem::Truncated},
        {"unknown header size", patched(good, 14, 1000), Problem::BadHeader},
        {"zero header size", patched(good, 14, 0), Problem::BadHeader},
        {"huge width", patched(good, 18, 100000), Problem::BadSize},
        {"huge height", patched(good, 22, 0x7FFFFFFF), Problem::BadSize},
        {"most negative height", patched(good, 22, 0x80000000u), Problem::BadSize},
        {"too many pixels", patched(patched(good, 18, 16384), 22, 16384), Problem::BadSize},
        {"zero width", patched(good, 18, 0), Problem::BadSize},
        {"zero height", patched(good, 22, 0), Problem::BadSize},
        {"negative width", patched(good, 18, std::uint32_t(-8)), Problem::BadSize},
        {"seven bits per pixel", patched16(good, 28, 7), Problem::BadDepth},
        {"jpeg compression", patched(good, 30, 4), Problem::BadCompression},
        {"rle8 on 24 bits", patched(good, 30, 1), Problem::BadCompression},
        {"palette of 2^31", patched(eightBit, 46, 0x80000000u), Problem::BadPalette},
        {"palette of 257", patched(eightBit, 46, 257), Problem::BadPalette},
        {"palette past the file", patched16(good, 28, 8), Problem::Truncated},
        {"offset past the file", patched(good, 10, 1u << 30), Problem::BadOffset},
        {"offset inside the header", patched(good, 10, 20), Problem::BadOffset},
        {"offset past palette start", patched(eightBit, 10, 54), Problem::BadOffset},
        {"rle run past the row end", Rle8File(8, 2, QByteArray("\x09\x01\x00\x01", 4)), Problem::BadRle},
        {"rle run below the last row",
         Rle8File(8, 1, QByteArray("\x08\x01\x00\x00\x02\x01\x00\x01", 8)), Problem::BadRle},
        {"rle absolute run past the row", Rle8File(4, 2, QByteArray("\x00\x05\x01\x02\x03\x04\x05\x00", 8)),
         Problem::BadRle},
        {"rle absolute run past the data", Rle8File(8, 2, QByteArray("\x00\x06\x01\x02", 4)),
         Problem::Truncated},
        {"rle delta out of the picture", Rle8File(8, 2, QByteArray("\x00\x02\x09\x00\x00\x01", 6)),
         Problem::BadRle},
        {"rle delta below the picture", Rle8File(8, 2, QByteArray("\x00\x02\x00\x05\x00\x01", 6)),
         Problem::BadRle},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        Problem problem = Problem::None;
        int bits = -1;
        EXPECT_TRUE(ReadBmpData(c.bytes, &bits, &problem).isNull()) << c.name;
        EXPECT_EQ(problem, c.expected) << c.name;
        EXPECT_EQ(bits, 0) << c.name;
        const QString path = WriteTemp(dir, QStringLiteral("bad.bmp"), c.bytes);
        EXPECT_TRUE(LoadBmpFile(path).isNull()) << c.name;
    }
    // A missing file, and a FIFO with no writer, which must not block.
    const QString fifo = dir.filePath(QStringLiteral("fifo.bmp"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &path : {dir.filePath(QStringLiteral("missing.bmp")), fifo}) {
        Problem problem = Problem::None;
        EXPECT_TRUE(LoadBmpFile(path, nullptr, &problem).isNull());
        EXPECT_EQ(problem, Problem::Unreadable);
    }
}

TEST(BmpFile, wellFormedRleFilesDecode)
{
    // Row 0 of the file is the bottom row: two of index 3, an absolute run of
    // 1, 2, 3, then three of index 7; row 1: a delta of 2, then two of index 9.
    const QByteArray stream("\x02\x03\x00\x03\x01\x02\x03\x00\x03\x07\x00\x00\x00\x02\x02\x00\x02\x09\x00\x01",
                            20);
    Problem problem = Problem::DecodeFailed;
    int bits = 0;
    const QImage picture = ReadBmpData(Rle8File(8, 2, stream), &bits, &problem);
    ASSERT_EQ(problem, Problem::None);
    ASSERT_EQ(picture.size(), QSize(8, 2));
    EXPECT_EQ(bits, 8);
    const int bottom[] = {3, 3, 1, 2, 3, 7, 7, 7};
    for (int x = 0; x < 8; ++x)
        EXPECT_EQ(picture.pixelIndex(x, 1), bottom[x]) << x;
    EXPECT_EQ(picture.pixelIndex(2, 0), 9);
    EXPECT_EQ(picture.pixelIndex(3, 0), 9);
    EXPECT_EQ(picture.pixelIndex(0, 0), 0) << "skipped by the delta";
    EXPECT_EQ(picture.pixelIndex(7, 0), 0) << "after the last run";
    EXPECT_EQ(picture.color(9), qRgb(9, 246, 4)) << "the file's palette";

    // 4-bit: an encoded run alternates the two nibbles; an absolute run of 3
    // takes two bytes; the stream ends without its end-of-bitmap mark.
    const QImage four = ReadBmpData(RleFile(7, 1, QByteArray("\x04\x12\x00\x03\x34\x50", 6), true), &bits,
                                    &problem);
    ASSERT_EQ(problem, Problem::None);
    EXPECT_EQ(bits, 4);
    const int row[] = {1, 2, 1, 2, 3, 4, 5};
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(four.pixelIndex(x, 0), row[x]) << x;
}

TEST(BmpFile, topDownAndOldHeaderFilesDecode)
{
    const QImage picture = RandomPicture(5, 3, QImage::Format_RGB888, 11);
    const QByteArray bottomUp = EncodeBmp(picture);
    const int rowBytes = 16;  // 5 * 3 bytes padded to 4

    // Top-down: negative height, rows stored first to last.
    QByteArray topDown = bottomUp.left(54);
    PatchU32(topDown, 22, std::uint32_t(-3));
    for (int row = 2; row >= 0; --row)
        topDown.append(bottomUp.mid(54 + row * rowBytes, rowBytes));
    Problem problem = Problem::DecodeFailed;
    EXPECT_TRUE(SamePixels(ReadBmpData(topDown, nullptr, &problem), picture));
    EXPECT_EQ(problem, Problem::None);

    // The old 12-byte header: 16-bit width and height, no compression field.
    QByteArray old("BM", 2);
    old.append(QByteArray(12, '\0'));
    old.append(QByteArray(12, '\0'));
    PatchU32(old, 2, std::uint32_t(26 + 3 * rowBytes));
    PatchU32(old, 10, 26);
    PatchU32(old, 14, 12);
    PatchU16(old, 18, 5);
    PatchU16(old, 20, 3);
    PatchU16(old, 22, 1);
    PatchU16(old, 24, 24);
    old.append(bottomUp.mid(54));
    int bits = 0;
    EXPECT_TRUE(SamePixels(ReadBmpData(old, &bits, &problem), picture));
    EXPECT_EQ(problem, Problem::None);
    EXPECT_EQ(bits, 24);
}

TEST(BmpFile, mutatedFilesNeverCrashAndStayWithinTheLimits)
{
    QImage indexed = RandomPicture(23, 17, QImage::Format_Indexed8, 9);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i)
        colours.append(qRgb(i, i, i));
    indexed.setColorTable(colours);
    const QByteArray seeds[] = {
        EncodeBmp(RandomPicture(23, 17, QImage::Format_RGB888, 8)),
        EncodeBmp(indexed),
        Rle8File(8, 2, QByteArray("\x02\x03\x00\x03\x01\x02\x03\x00\x00\x00\x02\x09\x00\x01", 14)),
    };
    QRandomGenerator random(12345);
    int decoded = 0;
    for (const QByteArray &seed : seeds) {
        for (int round = 0; round < 1500; ++round) {
            QByteArray bytes = seed;
            const int edits = 1 + random.bounded(4);
            for (int e = 0; e < edits; ++e) {
                // Mostly the headers, where a wrong value does the most harm.
                const int at = random.bounded(100) < 80 ? random.bounded(std::min<int>(70, bytes.size()))
                                                        : random.bounded(bytes.size());
                bytes[at] = char(random.bounded(256));
            }
            if (random.bounded(10) == 0)
                bytes.truncate(random.bounded(bytes.size()));
            Problem problem = Problem::None;
            const QImage picture = ReadBmpData(bytes, nullptr, &problem);
            if (!picture.isNull()) {
                ++decoded;
                ASSERT_EQ(problem, Problem::None);
                ASSERT_LE(qint64(picture.width()) * picture.height(), kMaxPixels);
            }
        }
    }
    EXPECT_GT(decoded, 0) << "some mutations leave a readable file";
}
