#include "CarLibrary.h"

#include "Configuration.h"
#include "GuideLineRenderer.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>

#include <algorithm>

bool IsCarLibraryFileName(const QString &name)
{
    return !name.startsWith(QLatin1Char('.')) && !name.contains(QLatin1Char('/'))
           && name.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive);
}

QStringList CarLibraryFiles(const QString &folder)
{
    const QDir dir(folder);
    // Unreadable files too (the list says why they cannot be loaded).
    QStringList names = dir.entryList(QDir::Files | QDir::System | QDir::Hidden);
    names.removeIf([](const QString &name) { return !IsCarLibraryFileName(name); });
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    QStringList paths;
    for (const QString &name : names)
        paths.append(dir.absoluteFilePath(name));
    return paths;
}

CarLibraryEntry ReadCarLibraryEntry(const QString &path)
{
    CarLibraryEntry entry;
    entry.path = path;
    const ConfigurationSummary summary = ReadConfigurationSummary(path);
    if (!summary.readable) {
        // One line in the list: "не читается: нет прав доступа", or why a
        // file that was read is no configuration.
        QString reason = summary.reason;
        if (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        if (reason.size() > 1 && reason[1].isLower())
            reason[0] = reason[0].toLower();
        entry.problem = summary.opened ? reason : QCoreApplication::translate("CarLibrary", "не читается: %1").arg(reason);
        return entry;
    }
    entry.firstComment = summary.firstComment;
    entry.thumbnail = RenderGuideLinePicture(summary.settings)
                          .scaled(kCarThumbnailWidth, kCarThumbnailHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return entry;
}
