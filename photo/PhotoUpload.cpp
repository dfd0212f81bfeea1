#include "PhotoUpload.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QSaveFile>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("PhotoUpload", text);
}

} // namespace

namespace PhotoUpload {

QList<QByteArray> AcceptedFormats()
{
    QList<QByteArray> formats{"jpeg", "png"};
    const QList<QByteArray> supported = QImageReader::supportedImageFormats();
    for (const QByteArray format : {"heic", "heif"})
        if (supported.contains(format))
            formats.append(format);
    return formats;
}

bool ReadsHeic()
{
    return AcceptedFormats().contains("heic");
}

Result Check(const QByteArray &body, const QString &stem)
{
    Result result;
    if (body.isEmpty()) {
        result.status = 400;
        result.text = Tr("Снимок не пришёл: запрос пуст.");
        return result;
    }
    // The format from the bytes themselves, never from what the request says.
    QBuffer buffer;
    buffer.setData(body);
    buffer.open(QIODevice::ReadOnly);
    const QByteArray format = QImageReader::imageFormat(&buffer);
    const QList<QByteArray> accepted = AcceptedFormats();
    if (!accepted.contains(format)) {
        result.status = 415;
        result.text = format.isEmpty()
            ? Tr("Это не снимок: файл не похож на изображение JPEG или PNG.")
            : Tr("Снимки в формате %1 не принимаются; нужен JPEG или PNG.").arg(QString::fromLatin1(format.toUpper()));
        return result;
    }
    const QString path = stem + QLatin1Char('.') + QString::fromLatin1(format == "jpeg" ? "jpg" : format);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit()) {
        result.status = 500;
        result.text = Tr("Компьютер не смог сохранить снимок: %1").arg(file.errorString());
        return result;
    }
    result.read = PhotoFile::ReadPhoto(path);
    if (result.read.picture.isNull()) {
        QFile::remove(path);
        result.status = 422;
        result.text = Tr("Снимок не читается: %1.").arg(result.read.problem);
        return result;
    }
    result.status = 200;
    result.text = Tr("Получено");
    result.path = path;
    return result;
}

} // namespace PhotoUpload
