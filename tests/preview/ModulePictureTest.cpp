#include "ModulePicture.h"
#include "ResourceIds.h"

#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <vector>

using namespace ModulePicture;

namespace {

QImage BlackPicture(int width = kPictureWidth, int height = kPictureHeight,
                    QImage::Format format = QImage::Format_RGB32)
{
    QImage picture(width, height, format);
    picture.fill(Qt::black);
    return picture;
}

// Offsets of the non-zero bytes, with their values.
std::vector<std::pair<int, int>> NonZeroBytes(const Buffer &buffer)
{
    std::vector<std::pair<int, int>> found;
    for (int i = 0; i < kBytes; ++i)
        if (buffer[i])
            found.emplace_back(i, buffer[i]);
    return found;
}

bool ModuleBit(const Buffer &moduleBytes, int row, int column)
{
    const int word = column / 16;
    const int bit = 15 - column % 16;
    const int value = moduleBytes[row * kRowBytes + 2 * word] | moduleBytes[row * kRowBytes + 2 * word + 1] << 8;
    return (value >> bit) & 1;
}

}  // namespace

TEST(ModulePicture, singleDrawnPixelLandsAtItsModuleBit)
{
    struct Case {
        int row, column;
        bool mirror;
        int byte, value;
    };
    const Case cases[] = {
        {0, 0, false, 1, 0x80},
        {0, 7, false, 1, 0x01},
        {0, 8, false, 0, 0x80},
        {0, 15, false, 0, 0x01},
        {0, 16, false, 3, 0x80},
        {1, 0, false, 65, 0x80},
        {0, 399, false, 48, 0x01},
        {309, 399, false, 309 * 64 + 48, 0x01},
        // Mirrored: module column 0 comes from picture column 399.
        {0, 399, true, 1, 0x80},
        {0, 0, true, 48, 0x01},
        {5, 391, true, 5 * 64 + 0, 0x80},
    };
    for (const Case &c : cases) {
        QImage picture = BlackPicture();
        picture.setPixel(c.column, c.row, qRgb(255, 255, 255));
        const auto bytes = NonZeroBytes(ModulePictureFromImage(picture, c.mirror));
        ASSERT_EQ(bytes.size(), 1u) << "row " << c.row << " column " << c.column;
        EXPECT_EQ(bytes[0].first, c.byte) << "row " << c.row << " column " << c.column << " mirror " << c.mirror;
        EXPECT_EQ(bytes[0].second, c.value) << "row " << c.row << " column " << c.column;
    }
}

TEST(ModulePicture, conversionBeforeWordReversalSetsBitColumnModEight)
{
    QImage picture = BlackPicture();
    picture.setPixel(0, 0, qRgb(255, 255, 255));
    picture.setPixel(11, 2, qRgb(255, 255, 255));
    const auto bytes = NonZeroBytes(ToModulePicture(picture, false));
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0], std::make_pair(0, 0x01));
    EXPECT_EQ(bytes[1], std::make_pair(2 * 64 + 1, 1 << 3));
}

TEST(ModulePicture, onlyRowsBelow310AndColumnsBelow400AreUsed)
{
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (bool mirror : {false, true}) {
        const Buffer out = ModulePictureFromImage(picture, mirror);
        for (int i = 0; i < kBytes; ++i) {
            const int row = i / kRowBytes;
            const int column = i % kRowBytes;
            const bool used = row < kSentRows && column < 50;
            ASSERT_EQ(out[i], used ? 0xFF : 0x00) << "byte " << i << " mirror " << mirror;
        }
    }
}

TEST(ModulePicture, pixelIsDrawnWhenAnyColourChannelExceeds20)
{
    struct Case {
        QImage::Format format;
        QRgb colour;
        bool drawn;
    };
    const Case cases[] = {
        {QImage::Format_RGB32, qRgb(21, 0, 0), true},
        {QImage::Format_RGB32, qRgb(0, 21, 0), true},
        {QImage::Format_RGB32, qRgb(0, 0, 21), true},
        {QImage::Format_RGB32, qRgb(20, 20, 20), false},
        {QImage::Format_ARGB32, qRgba(0, 0, 0, 255), false},  // alpha is not a colour byte
        {QImage::Format_ARGB32, qRgba(30, 0, 0, 255), true},
        {QImage::Format_RGB888, qRgb(21, 0, 0), true},
        {QImage::Format_RGB888, qRgb(0, 0, 21), true},
        {QImage::Format_RGB888, qRgb(20, 20, 20), false},
        // Other formats are taken at display depth.
        {QImage::Format_Grayscale8, qRgb(21, 21, 21), true},
        {QImage::Format_Grayscale8, qRgb(20, 20, 20), false},
        {QImage::Format_RGBA64, qRgb(21, 0, 0), true},
    };
    for (const Case &c : cases) {
        QImage picture = BlackPicture(kPictureWidth, kPictureHeight, c.format);
        picture.setPixelColor(10, 10, QColor::fromRgba(c.colour));
        const Buffer out = ModulePictureFromImage(picture, false);
        EXPECT_EQ(ModuleBit(out, 10, 10), c.drawn)
            << "format " << c.format << " colour " << std::hex << c.colour;
        EXPECT_EQ(NonZeroBytes(out).size(), c.drawn ? 1u : 0u) << "format " << c.format;
    }
}

TEST(ModulePicture, everyChannelValueIsTestedAgainstTheThreshold)
{
    // Column c holds value c in channel `row`; alpha varies and must not matter.
    for (QImage::Format format : {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_RGB888}) {
        QImage picture = BlackPicture(256, 3, format);
        for (int c = 0; c < 256; ++c) {
            picture.setPixelColor(c, 0, QColor(c, 0, 0, 255 - c));
            picture.setPixelColor(c, 1, QColor(0, c, 0, c));
            picture.setPixelColor(c, 2, QColor(0, 0, c, 255));
        }
        const Buffer out = ModulePictureFromImage(picture, false);
        for (int row = 0; row < 3; ++row)
            for (int c = 0; c < 256; ++c)
                ASSERT_EQ(ModuleBit(out, row, c), c > 20) << "format " << format << " channel " << row
                                                          << " value " << c;
    }
}

TEST(ModulePicture, sixteenBitPictureTestsBothBytesOfTheValue)
{
    const std::pair<quint16, bool> cases[] = {
        {20, false}, {21, true}, {0x1400, false}, {0x1500, true}, {0x1414, false}};
    for (const auto &[value, drawn] : cases) {
        QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB555);
        picture.fill(0);
        reinterpret_cast<quint16 *>(picture.scanLine(3))[4] = value;
        EXPECT_EQ(ModuleBit(ModulePictureFromImage(picture, false), 3, 4), drawn) << std::hex << value;
    }
}

TEST(ModulePicture, eightBitPictureDrawsEveryIndexButTheBackgroundIndex)
{
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_Indexed8);
    QList<QRgb> palette;
    for (int i = 0; i < 256; ++i)
        palette.append(qRgb(i, i, i));
    palette[252] = qRgb(255, 255, 255);  // white, yet background
    picture.setColorTable(palette);
    picture.fill(252);
    picture.setPixel(1, 0, 0);    // black, yet drawn
    picture.setPixel(2, 0, 251);
    picture.setPixel(3, 0, 253);
    const Buffer out = ModulePictureFromImage(picture, false);
    EXPECT_FALSE(ModuleBit(out, 0, 0));
    EXPECT_TRUE(ModuleBit(out, 0, 1));
    EXPECT_TRUE(ModuleBit(out, 0, 2));
    EXPECT_TRUE(ModuleBit(out, 0, 3));
    EXPECT_EQ(NonZeroBytes(out).size(), 1u);
}

TEST(ModulePicture, oneAndFourBitPicturesConvertByPaletteColour)
{
    for (QImage::Format format : {QImage::Format_Mono, QImage::Format_MonoLSB}) {
        QImage picture(kPictureWidth, kPictureHeight, format);
        picture.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});  // 0 is white here
        picture.fill(1);
        picture.setPixel(9, 4, 0);
        picture.setPixel(398, 309, 0);
        const Buffer out = ModulePictureFromImage(picture, false);
        EXPECT_TRUE(ModuleBit(out, 4, 9)) << format;
        EXPECT_TRUE(ModuleBit(out, 309, 398)) << format;
        EXPECT_EQ(NonZeroBytes(out).size(), 2u) << format;
    }

    // A 4-bit file is held as Indexed8; its depth selects the colour rule.
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_Indexed8);
    picture.setColorTable({qRgb(0, 0, 0), qRgb(20, 20, 20), qRgb(0, 0, 21), qRgb(200, 0, 0)});
    picture.fill(0);
    picture.setPixel(0, 0, 1);
    picture.setPixel(1, 0, 2);
    picture.setPixel(2, 0, 3);
    const Buffer byColour = ModulePictureFromImage(picture, false, 4);
    EXPECT_FALSE(ModuleBit(byColour, 0, 0));
    EXPECT_TRUE(ModuleBit(byColour, 0, 1));
    EXPECT_TRUE(ModuleBit(byColour, 0, 2));
    EXPECT_FALSE(ModuleBit(byColour, 0, 3));
    // The same picture held at 8 bits draws every index but 252.
    const Buffer byIndex = ModulePictureFromImage(picture, false, 8);
    EXPECT_TRUE(ModuleBit(byIndex, 0, 0));
    EXPECT_TRUE(ModuleBit(byIndex, 309, 399));
}

TEST(ModulePicture, indexPastAShortPaletteIsBackgroundAsOnScreen)
{
    // A 4-bit file with four colour entries whose pixels use index 11: Qt
    // shows such a pixel black, and a saved copy writes it black.
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_Indexed8);
    picture.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(10, 10, 10)});
    picture.fill(0);
    picture.setPixel(5, 2, 11);
    picture.setPixel(6, 2, 1);
    ASSERT_EQ(qRed(picture.convertToFormat(QImage::Format_RGB32).pixel(5, 2)), 0);
    const Buffer out = ModulePictureFromImage(picture, false, 4);
    EXPECT_FALSE(ModuleBit(out, 2, 5));
    EXPECT_TRUE(ModuleBit(out, 2, 6));
    EXPECT_EQ(NonZeroBytes(out).size(), 1u);

    // A two-colour picture without a colour table still draws index 1, as
    // Qt shows it white.
    QImage mono(kPictureWidth, kPictureHeight, QImage::Format_Mono);
    mono.setColorTable({});
    mono.fill(0);
    mono.setPixel(7, 1, 1);
    EXPECT_TRUE(ModuleBit(ModulePictureFromImage(mono, false), 1, 7));
    EXPECT_EQ(NonZeroBytes(ModulePictureFromImage(mono, false)).size(), 1u);
}

TEST(ModulePicture, pixelsMissingFromASmallerPictureAreBackground)
{
    QImage picture(100, 50, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (bool mirror : {false, true}) {
        const Buffer out = ModulePictureFromImage(picture, mirror);
        for (int row = 0; row < kSentRows; ++row)
            for (int column = 0; column < kPictureWidth; ++column) {
                const int source = mirror ? 399 - column : column;
                ASSERT_EQ(ModuleBit(out, row, column), row < 50 && source < 100)
                    << row << "," << column << " mirror " << mirror;
            }
    }
    EXPECT_EQ(NonZeroBytes(ModulePictureFromImage(QImage(), false)).size(), 0u);
}

TEST(ModulePicture, wordReversalMovesBitKToBit15MinusK)
{
    struct Case {
        std::uint8_t in[2], out[2];
    };
    const Case cases[] = {
        {{0x01, 0x00}, {0x00, 0x80}},
        {{0x00, 0x01}, {0x80, 0x00}},
        {{0x12, 0x34}, {0x2C, 0x48}},  // 0x3412 reversed is 0x482C
        {{0xFF, 0x00}, {0x00, 0xFF}},
    };
    for (const Case &c : cases) {
        std::uint8_t bytes[3] = {c.in[0], c.in[1], 0x5A};
        ReverseWordBits(bytes);
        EXPECT_EQ(bytes[0], c.out[0]);
        EXPECT_EQ(bytes[1], c.out[1]);
        EXPECT_EQ(bytes[2], 0x5A) << "an odd trailing byte stays";
    }
    Buffer random{};
    for (auto &b : random)
        b = static_cast<std::uint8_t>(QRandomGenerator::global()->bounded(256));
    Buffer twice = random;
    ReverseWordBits(twice);
    ReverseWordBits(twice);
    EXPECT_EQ(twice, random);
}

TEST(ModulePicture, imageFromModulePictureIsTheInverse)
{
    QImage picture = BlackPicture();
    QRandomGenerator random(7);
    for (int i = 0; i < 5000; ++i)
        picture.setPixel(random.bounded(kPictureWidth), random.bounded(kSentRows), qRgb(255, 255, 255));
    for (bool mirror : {false, true}) {
        const Buffer moduleBytes = ModulePictureFromImage(picture, mirror);
        const QImage shown = ImageFromModulePicture(moduleBytes);
        ASSERT_EQ(shown.size(), QSize(kPictureWidth, kPictureHeight));
        EXPECT_EQ(ModulePictureFromImage(shown, false), moduleBytes);
        for (int y = 0; y < kSentRows; ++y)
            for (int x = 0; x < kPictureWidth; ++x) {
                const bool drawn = picture.pixel(mirror ? 399 - x : x, y) == qRgb(255, 255, 255);
                ASSERT_EQ(shown.pixel(x, y), drawn ? qRgba(255, 255, 255, 255) : qRgba(0, 0, 0, 0))
                    << x << "," << y;
            }
    }
}

TEST(ModulePicture, warningPictureTextIsDrawnAndBackgroundIsNot)
{
    const QImage file(Ids::BitmapPath(Ids::BITMAP_WARNING));
    ASSERT_FALSE(file.isNull());
    ASSERT_EQ(file.size(), QSize(kPictureWidth, kPictureHeight));
    ASSERT_EQ(file.format(), QImage::Format_Indexed8);
    const QImage display = file.convertToFormat(QImage::Format_RGB32);
    const Buffer out = ModulePictureFromImage(display, false);
    int drawn = 0;
    for (int y = 0; y < kSentRows; ++y)
        for (int x = 0; x < kPictureWidth; ++x) {
            const int grey = qGray(display.pixel(x, y));
            ASSERT_EQ(ModuleBit(out, y, x), grey > 128) << x << "," << y << " grey " << grey;
            drawn += grey > 128;
        }
    EXPECT_GT(drawn, 2000) << "four lines of text";
    EXPECT_EQ(qGray(display.pixel(0, 0)), qGray(display.pixel(399, 309))) << "uniform background";
    // Held at its own 8 bits the background is palette index 252: same result.
    EXPECT_EQ(ModulePictureFromImage(file, false), out);
}
