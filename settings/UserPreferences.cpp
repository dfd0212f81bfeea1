#include "UserPreferences.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace {

constexpr char kProgramFolder[] = "tarvello-setup";
constexpr char kLibraryFolderKey[] = "CarLibrary/Folder";

} // namespace

QString UserPreferencesFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
           + QLatin1String(kProgramFolder) + QStringLiteral("/tarvello-setup.conf");
}

QString DefaultCarLibraryFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
           + QLatin1String(kProgramFolder) + QStringLiteral("/cars");
}

QString CarLibraryFolder()
{
    const QString chosen = QSettings(UserPreferencesFile(), QSettings::IniFormat).value(kLibraryFolderKey).toString();
    return chosen.isEmpty() ? DefaultCarLibraryFolder() : chosen;
}

void SetCarLibraryFolder(const QString &folder)
{
    QSettings preferences(UserPreferencesFile(), QSettings::IniFormat);
    preferences.setValue(kLibraryFolderKey, QDir::cleanPath(QDir(folder).absolutePath()));
}
