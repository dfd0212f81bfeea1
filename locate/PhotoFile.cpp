#include "PhotoFile.h"

#include "FileRead.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>

#include <algorithm>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("PhotoFile", text);
}

// The decoder's failure in the installer's words (Qt's own texts are
// English without its translations, and name no cause one can act on).
QString ReadError(QImageReader::ImageReaderError error)
{
    switch (error) {
    case QImageReader::UnsupportedFormatError:
        return Tr("это не изображение PNG, JPEG или BMP");
    case QImageReader::InvalidDataError:
        return Tr("файл изображения повреждён или неполон");
    case QImageReader::DeviceError:
        return Tr("ошибка чтения файла");
    default:
        return Tr("изображение не читается");
    }
}

// What a 100-megapixel photo may take while it decodes, in MiB: 8 bytes a
// pixel covers 16-bit PNGs.
constexpr int kAllocationLimitMiB = int(PhotoFile::kMaxPixels * 8 / (1024 * 1024)) + 1;

} // namespace

namespace PhotoFile {

Read ReadPhoto(const QString &path)
{
    Read result;
    QFile file;
    result.problem = OpenReadableFile(path, file);
    if (!result.problem.isEmpty())
        return result;
    QImageReader reader(&file);
    // Phone photos are stored sideways with the turn in their EXIF data.
    reader.setAutoTransform(true);
    reader.setAllocationLimit(kAllocationLimitMiB);
    // The size as stored, from the header, before anything is decoded.
    const QSize stored = reader.size();
    if (stored.isValid()) {
        const qint64 pixels = qint64(stored.width()) * stored.height();
        if (pixels > kMaxPixels) {
            result.problem = Tr("снимок %1 x %2 пикселей больше %3 мегапикселей, столько программа не читает; "
                                "уменьшите его")
                                 .arg(stored.width())
                                 .arg(stored.height())
                                 .arg(kMaxPixels / 1'000'000);
            return result;
        }
        // A whole power of two: the JPEG decoder then scales as it decodes
        // (it needs the size to divide the stored one at least that often).
        int reduction = 1;
        while (reduction < 8 && pixels / (qint64(reduction) * reduction) > kKeptPixels)
            reduction *= 2;
        if (reduction > 1)
            reader.setScaledSize(
                {std::max(1, stored.width() / reduction), std::max(1, stored.height() / reduction)});
    }
    result.picture = reader.read();
    if (result.picture.isNull()) {
        result.problem = ReadError(reader.error());
        return result;
    }
    result.fileSize = stored.isValid() ? stored : result.picture.size();
    if (stored.isValid() && reader.transformation().testFlag(QImageIOHandler::TransformationRotate90))
        result.fileSize.transpose();
    return result;
}

} // namespace PhotoFile
