#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// A photo of the monitor read from its file, for the photo window and
// --locate: only a regular file (a FIFO, a device or a folder is refused
// before anything waits on it), turned as its EXIF data says, and bounded in
// size. Phone photos of 48 megapixels and more are common; the search works
// at 1400 pixels on the longer side and the window shows a fraction of
// that, so a big photo is kept at a half, a quarter or an eighth of its
// size, which a JPEG decoder produces as it decodes.
namespace PhotoFile {

// Photos with more pixels than this are refused (a PNG decodes whole before
// it is scaled: 100 megapixels take up to 800 MB for that moment).
constexpr qint64 kMaxPixels = 100'000'000;
// A photo is kept whole up to this many pixels (a 16-megapixel camera).
constexpr qint64 kKeptPixels = 16'000'000;

struct Read {
    QImage picture;  // null when the photo cannot be read
    QString problem; // why not, in the installer's words (Russian)
    QSize fileSize;  // the photo's own size, turned as shown; picture may be smaller
};

Read ReadPhoto(const QString &path);

} // namespace PhotoFile
