#pragma once

// BMP picture files: a loader that checks every header field before Qt sees
// the data (bad files give an empty picture, never a crash or an unbounded
// allocation), and a writer that keeps the picture's own depth.

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>

namespace Bmp {

// Largest file read, in bytes.
inline constexpr std::int64_t kMaxFileBytes = 64 * 1024 * 1024;
// Largest width and height, in pixels, and largest pixel count.
inline constexpr std::int64_t kMaxSide = 16384;
inline constexpr std::int64_t kMaxPixels = 64 * 1024 * 1024;
// Allocation limit handed to the image reader, in MiB (64 Mpx at 4 bytes).
inline constexpr int kAllocationLimitMiB = 256;

// Why a file was refused.
enum class Problem {
    None,
    Unreadable,      // cannot be opened or read, or larger than kMaxFileBytes
    NotBmp,          // no "BM" signature (e.g. a PNG named .bmp)
    Truncated,       // headers, palette or pixel data end before they should
    BadHeader,       // unknown information header size
    BadSize,         // width or height zero, negative width, or over the limits
    BadDepth,        // bits per pixel not 1, 4, 8, 16, 24 or 32
    BadCompression,  // compression not none, RLE or bit fields, or not for this depth
    BadPalette,      // more colour entries than the depth allows, or over 256
    BadOffset,       // pixel data offset inside the headers or beyond the file
    BadRle,          // an RLE run crosses a row end or leaves the picture
    DecodeFailed,    // the checks passed but the image reader failed
};

// What the headers say, filled by CheckBmpData.
struct Header {
    int width = 0;
    int height = 0;  // always positive; topDown says the row order
    bool topDown = false;
    int bitsPerPixel = 0;
    int compression = 0;
    int colourEntries = 0;
    std::int64_t paletteOffset = 0;
    int paletteEntryBytes = 4;
    std::int64_t pixelOffset = 0;
    std::int64_t rleBytes = 0;  // length of the RLE stream
};

// Checks a whole BMP file held in memory. Problem::None when it may be decoded.
Problem CheckBmpData(const QByteArray &data, Header *header = nullptr);

// Decodes a BMP file held in memory; an empty picture when it is refused.
// RLE files are decoded here (pixels skipped by the stream are index 0), all
// others by Qt's reader under an allocation limit.
// The picture is kept at the file's own depth: 1 bit -> Format_Mono,
// 4 and 8 bits -> Format_Indexed8, 16 -> Format_RGB555, 24 -> Format_RGB888,
// 32 -> Format_RGB32 (Format_ARGB32 when the file has an alpha mask).
QImage ReadBmpData(const QByteArray &data, int *fileBitsPerPixel = nullptr,
                   Problem *problem = nullptr);

// Loads a BMP file; an empty picture for a file that cannot be read or is
// refused. *fileBitsPerPixel (when given) receives the file's depth, 0 on failure.
QImage LoadBmpFile(const QString &path, int *fileBitsPerPixel = nullptr,
                   Problem *problem = nullptr);

// The BMP file for a picture: bottom-up rows, no compression, 40-byte
// information header. Written at the picture's depth: 1 bit for Format_Mono
// and MonoLSB, 8 bits for Indexed8 (4 when bitsPerPixel is 4 and every index
// is below 16), 16 (x1r5g5b5) for 16-bit formats, 24 for RGB888/BGR888,
// 32 for everything else. Indexed pictures carry their colour table.
// An empty QByteArray for an empty picture.
QByteArray EncodeBmp(const QImage &picture, int bitsPerPixel = 0);

// Writes EncodeBmp to path: atomically over a regular file (the old file stays
// whole when writing fails), through to a device or a FIFO (SaveFileBytes).
// False, with *reason in the installer's words, when the picture is empty or
// the file cannot be written.
bool SaveBmpFile(const QImage &picture, const QString &path, int bitsPerPixel = 0, QString *reason = nullptr);

}  // namespace Bmp
