#pragma once

#include "PhotoFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

// What the phone's page server makes of an uploaded body: a photo in a
// format it accepts, kept in a file and read as the photo window reads
// files, or the HTTP status and the reason (in Russian, for the phone's
// page) it is refused with. Plain values; safe on any thread.
namespace PhotoUpload {

struct Result {
    int status = 0;       // 200 or the refusal's status
    QString text;         // "Получено" or why not
    PhotoFile::Read read; // the decoded photo when status is 200
    QString path;         // where it was kept
};

// The formats accepted, as Qt names them: JPEG and PNG, HEIC and HEIF where
// the installed image plugins read them.
QList<QByteArray> AcceptedFormats();
// Whether HEIC photos are accepted here.
bool ReadsHeic();

// Checks the body's format from its bytes, writes it to stem plus the
// format's extension and reads it back; a body refused leaves no file.
Result Check(const QByteArray &body, const QString &stem);

} // namespace PhotoUpload
