#include "ProgramHelp.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

bool OpenProgramHelp()
{
    // TARVELLO_MANUAL names the manual explicitly; otherwise look beside the
    // program and where a package would install it.
    QStringList candidates;
    if (const QString manual = qEnvironmentVariable("TARVELLO_MANUAL"); !manual.isEmpty())
        candidates << manual;
    const QString appDir = QCoreApplication::applicationDirPath();
    candidates << QDir(appDir).filePath(QStringLiteral("tarvello-manual.html"))
               << QDir(appDir).filePath(QStringLiteral("../share/doc/tarvello/manual.html"))
               << QStringLiteral("/usr/share/doc/tarvello/manual.html");
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isFile())
            return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(candidate).absoluteFilePath()));
    }
    return false;
}
