#include "ModulePicture.h"

#include <algorithm>
#include <cstring>

namespace ModulePicture {
namespace {

constexpr std::array<std::uint8_t, 256> MakeByteReversal()
{
    std::array<std::uint8_t, 256> table{};
    for (int value = 0; value < 256; ++value) {
        int reversed = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (value & (1 << bit))
                reversed |= 1 << (7 - bit);
        table[value] = static_cast<std::uint8_t>(reversed);
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> kByteReversal = MakeByteReversal();

bool IsDrawnColour(QRgb colour)
{
    return qRed(colour) > kDrawnThreshold || qGreen(colour) > kDrawnThreshold
        || qBlue(colour) > kDrawnThreshold;
}

// Any of the three lowest bytes of a pixel value above the threshold. Per
// byte c: c > 20 exactly when bit 7 is set in c or in (c & 0x7F) + (127 - 20);
// the sums cannot carry into the next byte, so all three are tested at once.
inline bool LowBytesDrawn(std::uint32_t value)
{
    static_assert(kDrawnThreshold == 20, "the constants below are 127 - threshold");
    const std::uint32_t low = value & 0x00FFFFFFu;
    return (((low & 0x007F7F7Fu) + 0x006B6B6Bu) | low) & 0x00808080u;
}

// Which palette entries count as drawn, by colour (1- and 4-bit pictures) or
// by index (8-bit pictures: everything but the background index).
std::array<bool, 256> DrawnIndices(const QImage &picture, bool byColour)
{
    std::array<bool, 256> drawn{};
    const QList<QRgb> table = picture.colorTable();
    for (int index = 0; index < 256; ++index) {
        if (!byColour) {
            drawn[index] = index != kBackgroundIndex;
        } else if (index < table.size()) {
            drawn[index] = IsDrawnColour(table[index]);
        } else if (picture.format() == QImage::Format_Mono || picture.format() == QImage::Format_MonoLSB) {
            // No colour for this index: a two-colour picture without a table
            // reads 1 as foreground.
            drawn[index] = index != 0;
        } else {
            // An index past a short palette (a 4- or 8-bit file whose pixels
            // name colours it does not list) is shown black and saved black,
            // so it is background here too; the module must not draw what
            // the screen and the saved file do not show.
            drawn[index] = false;
        }
    }
    return drawn;
}

// Sets bit (j mod 8) of byte 64r + j/8 for every drawn pixel of rows 0..309
// and columns 0..399; isDrawn(line, x) tests one pixel of a scan line. Module
// columns whose source column lies outside a narrower picture stay background.
template <typename IsDrawn>
void ConvertRows(const QImage &picture, bool mirror, Buffer &out, IsDrawn isDrawn)
{
    const int rows = std::min(kSentRows, picture.height());
    const int width = std::min(kPictureWidth, picture.width());
    // Module columns [first, last) have a source column.
    const int first = mirror ? kPictureWidth - width : 0;
    const int last = mirror ? kPictureWidth : width;
    const auto source = [mirror](int j) { return mirror ? kPictureWidth - 1 - j : j; };
    for (int r = 0; r < rows; ++r) {
        const uchar *line = picture.constScanLine(r);
        std::uint8_t *dst = out.data() + r * kRowBytes;
        // One module byte (8 columns) at a time, kept in a register.
        for (int b = 0; b < kPictureWidth / 8; ++b) {
            const int j0 = 8 * b;
            unsigned bits = 0;
            if (j0 >= first && j0 + 8 <= last) {
                if (mirror) {
                    for (int k = 0; k < 8; ++k)
                        bits |= unsigned(isDrawn(line, kPictureWidth - 1 - j0 - k)) << k;
                } else {
                    for (int k = 0; k < 8; ++k)
                        bits |= unsigned(isDrawn(line, j0 + k)) << k;
                }
            } else {
                for (int k = 0; k < 8; ++k) {
                    const int j = j0 + k;
                    if (j >= first && j < last)
                        bits |= unsigned(isDrawn(line, source(j))) << k;
                }
            }
            dst[b] = static_cast<std::uint8_t>(bits);
        }
    }
}

void ConvertIndexed(const QImage &picture, bool mirror, Buffer &out, bool byColour)
{
    const std::array<bool, 256> drawn = DrawnIndices(picture, byColour);
    switch (picture.format()) {
    case QImage::Format_Mono:
        ConvertRows(picture, mirror, out, [&](const uchar *line, int x) {
            return drawn[(line[x >> 3] >> (7 - (x & 7))) & 1];
        });
        break;
    case QImage::Format_MonoLSB:
        ConvertRows(picture, mirror, out, [&](const uchar *line, int x) {
            return drawn[(line[x >> 3] >> (x & 7)) & 1];
        });
        break;
    default:  // Indexed8
        ConvertRows(picture, mirror, out, [&](const uchar *line, int x) { return drawn[line[x]]; });
        break;
    }
}

}  // namespace

Buffer ToModulePicture(const QImage &picture, bool mirror, int heldBitsPerPixel)
{
    Buffer out{};
    if (picture.isNull())
        return out;

    switch (picture.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        ConvertIndexed(picture, mirror, out, true);
        break;
    case QImage::Format_Indexed8:
        ConvertIndexed(picture, mirror, out, heldBitsPerPixel == 1 || heldBitsPerPixel == 4);
        break;
    case QImage::Format_RGB16:
    case QImage::Format_RGB555:
    case QImage::Format_RGB444:
    case QImage::Format_ARGB4444_Premultiplied:
        ConvertRows(picture, mirror, out, [](const uchar *line, int x) {
            std::uint16_t value;
            std::memcpy(&value, line + 2 * x, sizeof value);
            return LowBytesDrawn(value);
        });
        break;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        ConvertRows(picture, mirror, out, [](const uchar *line, int x) {
            const uchar *p = line + 3 * x;
            return (p[0] > kDrawnThreshold) | (p[1] > kDrawnThreshold) | (p[2] > kDrawnThreshold);
        });
        break;
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        ConvertRows(picture, mirror, out, [](const uchar *line, int x) {
            std::uint32_t value;
            std::memcpy(&value, line + 4 * x, sizeof value);
            return LowBytesDrawn(value);
        });
        break;
    default:
        // Grey, high-depth and exotic packed formats: take them at display depth.
        return ToModulePicture(picture.convertToFormat(QImage::Format_RGB32), mirror, 0);
    }
    return out;
}

void ReverseWordBits(std::span<std::uint8_t> buffer)
{
    for (std::size_t i = 0; i + 1 < buffer.size(); i += 2) {
        const std::uint8_t low = buffer[i];
        buffer[i] = kByteReversal[buffer[i + 1]];
        buffer[i + 1] = kByteReversal[low];
    }
}

Buffer ModulePictureFromImage(const QImage &picture, bool mirror, int heldBitsPerPixel)
{
    Buffer out = ToModulePicture(picture, mirror, heldBitsPerPixel);
    ReverseWordBits(out);
    return out;
}

QImage ImageFromModulePicture(std::span<const std::uint8_t, kBytes> moduleBytes)
{
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_Mono);
    if (picture.isNull())
        return picture;
    picture.setColorTable({qRgba(0, 0, 0, 0), qRgba(255, 255, 255, 255)});
    picture.fill(0);
    // Format_Mono keeps the leftmost pixel in the most significant bit of the
    // first byte, so each module word only needs its two bytes swapped.
    constexpr int usedBytes = kPictureWidth / 8;
    for (int r = 0; r < kSentRows; ++r) {
        const std::uint8_t *src = moduleBytes.data() + r * kRowBytes;
        uchar *line = picture.scanLine(r);
        for (int b = 0; b < usedBytes; b += 2) {
            line[b] = src[b + 1];
            line[b + 1] = src[b];
        }
    }
    return picture;
}

bool HasDrawnPixel(const Buffer &buffer)
{
    return std::any_of(buffer.begin(), buffer.end(), [](std::uint8_t byte) { return byte != 0; });
}

}  // namespace ModulePicture
