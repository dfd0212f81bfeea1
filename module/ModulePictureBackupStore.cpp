#include "ModulePictureBackupStore.h"

#include "BmpFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

const QString kEnabledKey = QStringLiteral("PictureBackup/BeforeWrite");

ModulePictureBackupStore *programStore = nullptr;

} // namespace

ModulePictureBackupStore::ModulePictureBackupStore(QString root, QString configFile)
    : root_(std::move(root)), configFile_(std::move(configFile))
{
}

ModulePictureBackupStore ModulePictureBackupStore::ForUser()
{
    return {QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
                .filePath(QStringLiteral("tarvello-setup/backups")),
            QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation))
                .filePath(QStringLiteral("tarvello-setup.conf"))};
}

QString ModulePictureBackupStore::ModuleFolder(std::int32_t serial) const
{
    return QDir(root_).filePath(QString::asprintf("%010d", serial));
}

QString ModulePictureBackupStore::PictureName(PictureUpload::Picture picture)
{
    return picture == PictureUpload::Picture::GuideLines ? QStringLiteral("lines") : QStringLiteral("warning");
}

bool ModulePictureBackupStore::Enabled() const
{
    return QSettings(configFile_, QSettings::IniFormat).value(kEnabledKey, true).toBool();
}

void ModulePictureBackupStore::SetEnabled(bool on)
{
    QSettings settings(configFile_, QSettings::IniFormat);
    settings.setValue(kEnabledKey, on);
}

bool ModulePictureBackupStore::IsSaved(std::int32_t serial, PictureUpload::Picture picture) const
{
    return saved_.contains({serial, picture});
}

std::optional<QString> ModulePictureBackupStore::Save(std::int32_t serial, PictureUpload::Picture picture,
                                                      const ModulePicture::Buffer &moduleBytes, const QDateTime &at,
                                                      QString *reason)
{
    const QDir folder(ModuleFolder(serial));
    if (!QDir().mkpath(folder.path())) {
        if (reason)
            *reason = QCoreApplication::translate("ModulePictureBackupStore", "Не удалось создать папку «%1».")
                          .arg(QDir::toNativeSeparators(folder.path()));
        return std::nullopt;
    }
    // Two copies within one second (another run) get a number each.
    const QString stem = at.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + QLatin1Char('-') + PictureName(picture);
    QString path = folder.filePath(stem + QStringLiteral(".bmp"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = folder.filePath(QStringLiteral("%1-%2.bmp").arg(stem).arg(n));
    if (!SaveModuleBytes(path, moduleBytes, reason))
        return std::nullopt;
    saved_.insert({serial, picture});
    return path;
}

QImage ModulePictureBackupStore::ImageOfModuleBytes(const ModulePicture::Buffer &moduleBytes)
{
    return ModulePicture::ImageFromModulePicture(moduleBytes).convertToFormat(QImage::Format_RGB32);
}

bool ModulePictureBackupStore::SaveModuleBytes(const QString &path, const ModulePicture::Buffer &moduleBytes,
                                               QString *reason)
{
    return Bmp::SaveBmpFile(ImageOfModuleBytes(moduleBytes), path, 0, reason);
}

ModulePictureBackupStore *ProgramBackupStore()
{
    return programStore;
}

ModulePictureBackupStore *SetProgramBackupStore(ModulePictureBackupStore *store)
{
    return std::exchange(programStore, store);
}
