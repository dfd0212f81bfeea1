#include "RecentFiles.h"

#include "UserPreferences.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

constexpr char kFilesKey[] = "RecentFiles/Files";

// One spelling per file: absolute, without "." and "..".
QString Normalised(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

RecentFiles::RecentFiles(QString preferencesFile) : preferencesFile_(std::move(preferencesFile)) {}

RecentFiles::RecentFiles() : RecentFiles(UserPreferencesFile()) {}

QStringList RecentFiles::Files() const
{
    // Whatever another run or a hand edit left there: absolute paths, each once.
    QStringList files;
    for (const QString &path : QSettings(preferencesFile_, QSettings::IniFormat).value(kFilesKey).toStringList())
        if (QFileInfo(path).isAbsolute() && !files.contains(Normalised(path)) && files.size() < kMaxFiles)
            files.append(Normalised(path));
    return files;
}

bool RecentFiles::Add(const QString &path)
{
    QStringList files = Files();
    const QString file = Normalised(path);
    files.removeAll(file);
    files.prepend(file);
    return Store(files.mid(0, kMaxFiles));
}

bool RecentFiles::Remove(const QString &path)
{
    QStringList files = Files();
    files.removeAll(Normalised(path));
    return Store(files);
}

bool RecentFiles::Store(const QStringList &files)
{
    QSettings preferences(preferencesFile_, QSettings::IniFormat);
    preferences.setValue(kFilesKey, files);
    preferences.sync();
    return preferences.status() == QSettings::NoError;
}
