#include "BmpFile.h"

#include "FileRead.h"
#include "FileSave.h"

#include <QBuffer>
#include <QFile>
#include <QCoreApplication>
#include <QImageReader>

#include <algorithm>
#include <cstring>

namespace Bmp {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;
constexpr int kCoreHeaderBytes = 12;  // the old OS/2 header: 16-bit sizes, 3-byte colours
constexpr int kOs2HeaderBytes = 64;

enum Compression : int { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

std::uint32_t U32(const QByteArray &d, std::int64_t at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData()) + at;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16
        | std::uint32_t(p[3]) << 24;
}

std::uint16_t U16(const QByteArray &d, std::int64_t at)
{
    const auto *p = reinterpret_cast<const unsigned char *>(d.constData()) + at;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::int64_t RowBytes(std::int64_t width, int bits)
{
    return (width * bits + 31) / 32 * 4;
}

// Walks an RLE4 or RLE8 stream and refuses runs that cross a row end, moves
// that leave the picture, and absolute runs that overrun the data. A stream
// that ends without its end-of-bitmap mark leaves the rest as background.
// With out (an Indexed8 picture of width x height, filled with index 0), it
// also decodes the stream; rows are stored bottom-up. Qt's own decoder is not
// used for RLE: it leaves the pixels skipped by deltas and line ends
// uninitialised.
Problem WalkRle(const unsigned char *p, std::int64_t size, int width, int height, bool fourBit,
                QImage *out)
{
    std::int64_t pos = 0;
    std::int64_t x = 0;
    std::int64_t y = 0;
    auto put = [&](std::int64_t px, int index) {
        if (out)
            out->scanLine(static_cast<int>(height - 1 - y))[px] = static_cast<uchar>(index);
    };
    while (pos + 1 < size) {
        const int count = p[pos];
        const int code = p[pos + 1];
        pos += 2;
        if (count > 0) {  // encoded run; RLE4 alternates the two nibbles
            if (y >= height || x + count > width)
                return Problem::BadRle;
            for (int i = 0; i < count; ++i)
                put(x + i, fourBit ? ((i & 1) ? code & 0x0F : code >> 4) : code);
            x += count;
            continue;
        }
        switch (code) {
        case 0:  // end of line
            x = 0;
            if (++y > height)
                return Problem::BadRle;
            break;
        case 1:  // end of bitmap
            return Problem::None;
        case 2: {  // delta
            if (pos + 1 >= size)
                return Problem::Truncated;
            x += p[pos];
            y += p[pos + 1];
            pos += 2;
            if (x > width || y > height)
                return Problem::BadRle;
            break;
        }
        default: {  // absolute run of `code` pixels, padded to a 16-bit boundary
            const std::int64_t bytes = fourBit ? (code + 1) / 2 : code;
            const std::int64_t padded = (bytes + 1) & ~std::int64_t(1);
            if (y >= height || x + code > width)
                return Problem::BadRle;
            if (pos + bytes > size)
                return Problem::Truncated;
            for (int i = 0; i < code; ++i) {
                const int byte = p[pos + (fourBit ? i / 2 : i)];
                put(x + i, fourBit ? ((i & 1) ? byte & 0x0F : byte >> 4) : byte);
            }
            pos += padded;
            x += code;
            break;
        }
        }
    }
    return Problem::None;
}

QImage ToFileDepth(const QImage &decoded, int bits)
{
    switch (bits) {
    case 1:
        if (decoded.format() == QImage::Format_Mono || decoded.format() == QImage::Format_MonoLSB)
            return decoded;
        return decoded.convertToFormat(QImage::Format_Mono);
    case 4:
    case 8:
        if (decoded.format() == QImage::Format_Indexed8)
            return decoded;
        return decoded.convertToFormat(QImage::Format_Indexed8);
    case 16:
        return decoded.convertToFormat(QImage::Format_RGB555);
    case 24:
        return decoded.convertToFormat(QImage::Format_RGB888);
    default:
        if (decoded.format() == QImage::Format_RGB32 || decoded.format() == QImage::Format_ARGB32)
            return decoded;
        return decoded.convertToFormat(QImage::Format_RGB32);
    }
}

int DepthToWrite(const QImage &picture, int requested)
{
    switch (picture.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return 1;
    case QImage::Format_Indexed8:
        if (requested == 4) {
            for (int y = 0; y < picture.height(); ++y) {
                const uchar *line = picture.constScanLine(y);
                if (std::any_of(line, line + picture.width(), [](uchar i) { return i >= 16; }))
                    return 8;
            }
            return 4;
        }
        return 8;
    case QImage::Format_RGB16:
    case QImage::Format_RGB555:
    case QImage::Format_RGB444:
    case QImage::Format_ARGB4444_Premultiplied:
        return 16;
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        return 24;
    default:
        return 32;
    }
}

void PutU16(QByteArray &out, std::uint32_t v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void PutU32(QByteArray &out, std::uint32_t v)
{
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

QImage DecodeRle(const QByteArray &data, const Header &h)
{
    QImage picture(h.width, h.height, QImage::Format_Indexed8);
    if (picture.isNull())
        return picture;
    // Every index the depth allows gets a colour (black past the file's own
    // entries), so that no pixel refers to a missing table entry.
    QList<QRgb> colours(1 << h.bitsPerPixel, qRgb(0, 0, 0));
    for (int i = 0; i < h.colourEntries; ++i) {
        const auto *c = reinterpret_cast<const unsigned char *>(data.constData()) + h.paletteOffset
            + std::int64_t(i) * h.paletteEntryBytes;
        colours[i] = qRgb(c[2], c[1], c[0]);
    }
    picture.setColorTable(colours);
    picture.fill(0);
    const auto *p = reinterpret_cast<const unsigned char *>(data.constData()) + h.pixelOffset;
    if (WalkRle(p, h.rleBytes, h.width, h.height, h.compression == kRle4, &picture) != Problem::None)
        return QImage();
    return picture;
}

}  // namespace

Problem CheckBmpData(const QByteArray &data, Header *header)
{
    const std::int64_t size = data.size();
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        return Problem::NotBmp;
    if (size < kFileHeaderBytes + 4)
        return Problem::Truncated;

    Header h;
    const std::int64_t infoSize = U32(data, 14);
    if (infoSize != kCoreHeaderBytes && infoSize != kInfoHeaderBytes && infoSize != 52
        && infoSize != 56 && infoSize != kOs2HeaderBytes && infoSize != 108 && infoSize != 124)
        return Problem::BadHeader;
    if (size < kFileHeaderBytes + infoSize)
        return Problem::Truncated;

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t coloursUsed = 0;
    int entryBytes = 4;
    if (infoSize == kCoreHeaderBytes) {
        width = U16(data, 18);
        height = U16(data, 20);
        h.bitsPerPixel = U16(data, 24);
        entryBytes = 3;
    } else {
        width = static_cast<std::int32_t>(U32(data, 18));
        height = static_cast<std::int32_t>(U32(data, 22));
        h.bitsPerPixel = U16(data, 28);
        h.compression = static_cast<int>(std::min<std::uint32_t>(U32(data, 30), 0x7FFFFFFF));
        coloursUsed = U32(data, 46);
    }

    if (height < 0) {
        h.topDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide
        || width * height > kMaxPixels)
        return Problem::BadSize;
    h.width = static_cast<int>(width);
    h.height = static_cast<int>(height);

    const int bits = h.bitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return Problem::BadDepth;

    switch (h.compression) {
    case kRgb:
        break;
    case kRle8:
    case kRle4:
        if (bits != (h.compression == kRle8 ? 8 : 4) || h.topDown || infoSize == kOs2HeaderBytes)
            return Problem::BadCompression;
        break;
    case kBitFields:
        if ((bits != 16 && bits != 32) || infoSize == kOs2HeaderBytes)
            return Problem::BadCompression;
        break;
    default:
        return Problem::BadCompression;
    }

    if (bits <= 8) {
        if (coloursUsed > (std::int64_t(1) << bits))
            return Problem::BadPalette;
        h.colourEntries = static_cast<int>(coloursUsed ? coloursUsed : std::int64_t(1) << bits);
    } else if (coloursUsed > 256) {
        return Problem::BadPalette;
    }

    // Bit-field masks follow a 40-byte header; larger headers hold them inside.
    const std::int64_t maskBytes = (h.compression == kBitFields && infoSize == kInfoHeaderBytes) ? 12 : 0;
    const std::int64_t headersEnd =
        kFileHeaderBytes + infoSize + maskBytes + std::int64_t(h.colourEntries) * entryBytes;
    if (headersEnd > size)
        return Problem::Truncated;

    h.paletteOffset = kFileHeaderBytes + infoSize + maskBytes;
    h.paletteEntryBytes = entryBytes;
    h.pixelOffset = U32(data, 10);
    if (h.pixelOffset < headersEnd || h.pixelOffset >= size)
        return Problem::BadOffset;

    const std::int64_t available = size - h.pixelOffset;
    if (h.compression == kRle8 || h.compression == kRle4) {
        const std::int64_t declared = infoSize == kCoreHeaderBytes ? 0 : U32(data, 34);
        const std::int64_t rleBytes = declared > 0 ? std::min(declared, available) : available;
        const auto *p = reinterpret_cast<const unsigned char *>(data.constData()) + h.pixelOffset;
        const Problem rle = WalkRle(p, rleBytes, h.width, h.height, h.compression == kRle4, nullptr);
        if (rle != Problem::None)
            return rle;
        h.rleBytes = rleBytes;
    } else if (RowBytes(width, bits) * height > available) {
        return Problem::Truncated;
    }

    if (header)
        *header = h;
    return Problem::None;
}

QImage ReadBmpData(const QByteArray &data, int *fileBitsPerPixel, Problem *problem)
{
    if (fileBitsPerPixel)
        *fileBitsPerPixel = 0;
    Header h;
    Problem found = CheckBmpData(data, &h);
    QImage picture;
    if (found == Problem::None && (h.compression == kRle8 || h.compression == kRle4)) {
        picture = DecodeRle(data, h);
        if (picture.isNull())
            found = Problem::DecodeFailed;
        else if (fileBitsPerPixel)
            *fileBitsPerPixel = h.bitsPerPixel;
    } else if (found == Problem::None) {
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "bmp");
        reader.setAllocationLimit(kAllocationLimitMiB);
        QImage decoded = reader.read();
        if (decoded.isNull() || decoded.width() != h.width || decoded.height() != h.height) {
            found = Problem::DecodeFailed;
        } else {
            picture = ToFileDepth(decoded, h.bitsPerPixel);
            if (picture.isNull())
                found = Problem::DecodeFailed;
            else if (fileBitsPerPixel)
                *fileBitsPerPixel = h.bitsPerPixel;
        }
    }
    if (problem)
        *problem = found;
    return found == Problem::None ? picture : QImage();
}

QImage LoadBmpFile(const QString &path, int *fileBitsPerPixel, Problem *problem)
{
    if (fileBitsPerPixel)
        *fileBitsPerPixel = 0;
    QFile file;
    // A FIFO or a device would block the open or the read: regular files only.
    if (!OpenReadableFile(path, file).isEmpty() || file.size() > kMaxFileBytes) {
        if (problem)
            *problem = Problem::Unreadable;
        return QImage();
    }
    // Read no more than the size checked above, even if the file grows meanwhile.
    const QByteArray data = file.read(file.size());
    if (file.error() != QFileDevice::NoError) {
        if (problem)
            *problem = Problem::Unreadable;
        return QImage();
    }
    return ReadBmpData(data, fileBitsPerPixel, problem);
}

QByteArray EncodeBmp(const QImage &source, int bitsPerPixel)
{
    if (source.isNull())
        return QByteArray();
    const int bits = DepthToWrite(source, bitsPerPixel);
    QImage picture;
    switch (bits) {
    case 1:
        picture = source.convertToFormat(QImage::Format_Mono);
        break;
    case 4:
    case 8:
        picture = source;
        break;
    case 16:
        picture = source.convertToFormat(QImage::Format_RGB555);
        break;
    case 24:
        picture = source.convertToFormat(QImage::Format_RGB888);
        break;
    default:
        picture = source.convertToFormat(QImage::Format_RGB32);
        break;
    }
    if (picture.isNull())
        return QByteArray();

    const int width = picture.width();
    const int height = picture.height();
    // Colour entries only for indexed depths; a 16-bit file needs none.
    const int colours = bits <= 8 ? 1 << bits : 0;
    const std::int64_t rowBytes = RowBytes(width, bits);
    const std::int64_t imageBytes = rowBytes * height;
    const std::int64_t offset = kFileHeaderBytes + kInfoHeaderBytes + 4 * colours;
    if (offset + imageBytes > 0x7FFFFFFF)
        return QByteArray();

    QByteArray out;
    out.reserve(static_cast<qsizetype>(offset + imageBytes));
    out.append("BM", 2);
    PutU32(out, static_cast<std::uint32_t>(offset + imageBytes));
    PutU16(out, 0);
    PutU16(out, 0);
    PutU32(out, static_cast<std::uint32_t>(offset));

    PutU32(out, kInfoHeaderBytes);
    PutU32(out, static_cast<std::uint32_t>(width));
    PutU32(out, static_cast<std::uint32_t>(height));
    PutU16(out, 1);     // planes
    PutU16(out, bits);
    PutU32(out, kRgb);
    PutU32(out, static_cast<std::uint32_t>(imageBytes));
    PutU32(out, 0);     // horizontal resolution
    PutU32(out, 0);     // vertical resolution
    PutU32(out, static_cast<std::uint32_t>(colours));
    PutU32(out, 0);     // important colours

    // Entries the picture's table lacks are written as Qt shows such pixels:
    // black, except colour 1 of a two-colour picture, which is white (a
    // 1-bit file may list a single colour). The file then reads back as the
    // picture looked and converts to the same module picture.
    const QList<QRgb> table = picture.colorTable();
    for (int i = 0; i < colours; ++i) {
        const QRgb missing = bits == 1 && i == 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        const QRgb c = i < table.size() ? table[i] : missing;
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }

    QByteArray row(static_cast<qsizetype>(rowBytes), '\0');
    for (int y = height - 1; y >= 0; --y) {
        const uchar *line = picture.constScanLine(y);
        auto *dst = reinterpret_cast<uchar *>(row.data());
        std::memset(dst, 0, static_cast<size_t>(rowBytes));
        switch (bits) {
        case 1:
            std::memcpy(dst, line, static_cast<size_t>((width + 7) / 8));
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                dst[x / 2] |= static_cast<uchar>((line[x] & 0x0F) << ((x & 1) ? 0 : 4));
            break;
        case 8:
            std::memcpy(dst, line, static_cast<size_t>(width));
            break;
        case 16:  // Format_RGB555 is x1r5g5b5 in host order
            for (int x = 0; x < width; ++x) {
                std::uint16_t v;
                std::memcpy(&v, line + 2 * x, 2);
                dst[2 * x] = static_cast<uchar>(v & 0xFF);
                dst[2 * x + 1] = static_cast<uchar>(v >> 8);
            }
            break;
        case 24:  // Format_RGB888 holds R, G, B; the file wants B, G, R
            for (int x = 0; x < width; ++x) {
                dst[3 * x] = line[3 * x + 2];
                dst[3 * x + 1] = line[3 * x + 1];
                dst[3 * x + 2] = line[3 * x];
            }
            break;
        default: {
            const auto *px = reinterpret_cast<const QRgb *>(line);
            for (int x = 0; x < width; ++x) {
                dst[4 * x] = static_cast<uchar>(qBlue(px[x]));
                dst[4 * x + 1] = static_cast<uchar>(qGreen(px[x]));
                dst[4 * x + 2] = static_cast<uchar>(qRed(px[x]));
            }
            break;
        }
        }
        out.append(row);
    }
    return out;
}

bool SaveBmpFile(const QImage &picture, const QString &path, int bitsPerPixel, QString *reason)
{
    const QByteArray bytes = EncodeBmp(picture, bitsPerPixel);
    if (bytes.isEmpty()) {
        if (reason)
            *reason = QCoreApplication::translate("BmpFile", "Нет изображения для записи.");
        return false;
    }
    return SaveFileBytes(path, bytes, reason);
}

}  // namespace Bmp
