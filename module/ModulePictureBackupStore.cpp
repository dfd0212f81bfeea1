#include "ModulePictureBackupStore.h"

#include "BmpFile.h"
#include "FileRead.h"
#include "FileSave.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

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

bool ModulePictureBackupStore::IsSaved(std::uint64_t opening, PictureUpload::Picture picture) const
{
    return saved_.contains({opening, picture});
}

std::optional<QString> ModulePictureBackupStore::Save(std::int32_t serial, std::uint64_t opening,
                                                      PictureUpload::Picture picture,
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
    for (int n = 2; QFileInfo::exists(path) || QFileInfo::exists(BytesPath(path)); ++n)
        path = folder.filePath(QStringLiteral("%1-%2.bmp").arg(stem).arg(n));
    // The bytes first: a BMP is listed as a copy only once both are there.
    const QByteArrayView bytes(moduleBytes.data(), qsizetype(moduleBytes.size()));
    if (!SaveFileBytes(BytesPath(path), bytes, reason))
        return std::nullopt;
    if (!SaveModuleBytes(path, moduleBytes, reason)) {
        QFile::remove(BytesPath(path));
        return std::nullopt;
    }
    saved_.insert({opening, picture});
    return path;
}

QString ModulePictureBackupStore::BytesPath(const QString &bmpPath)
{
    const QFileInfo info(bmpPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".bin"));
}

std::vector<ModulePictureBackupStore::Copy> ModulePictureBackupStore::Copies(PictureUpload::Picture picture) const
{
    std::vector<Copy> copies;
    const QString suffix = QLatin1Char('-') + PictureName(picture);
    // <date>_<time>-<name>.bmp, or -<name>-<n>.bmp for a second one within a second.
    const QRegularExpression name(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d)%1(-\\d+)?\\.bmp$")
                                      .arg(QRegularExpression::escape(suffix)));
    const QDir root(root_);
    for (const QString &module : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QDir folder(root.filePath(module));
        for (const QFileInfo &file : folder.entryInfoList(QDir::Files, QDir::Name)) {
            const QRegularExpressionMatch match = name.match(file.fileName());
            if (!match.hasMatch())
                continue;
            QDateTime at = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
            if (!at.isValid())
                at = file.lastModified();
            copies.push_back({file.filePath(), at, module});
        }
    }
    std::stable_sort(copies.begin(), copies.end(), [](const Copy &a, const Copy &b) {
        return a.at != b.at ? a.at > b.at : a.path > b.path;
    });
    return copies;
}

std::optional<ModulePicture::Buffer> ModulePictureBackupStore::ReadCopy(const QString &bmpPath, QString *reason)
{
    ModulePicture::Buffer bytes{};
    if (QFile file; OpenReadableFile(BytesPath(bmpPath), file).isEmpty() && file.size() == qint64(bytes.size())
                    && file.read(reinterpret_cast<char *>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size()))
        return bytes;
    if (const QString problem = ReadableFileProblem(bmpPath); !problem.isEmpty()) {
        if (reason)
            *reason = problem;
        return std::nullopt;
    }
    int bits = 0;
    Bmp::Problem problem = Bmp::Problem::None;
    const QImage picture = Bmp::LoadBmpFile(bmpPath, &bits, &problem);
    if (picture.isNull()) {
        if (reason)
            *reason = problem == Bmp::Problem::Unreadable
                          ? QCoreApplication::translate("ModulePictureBackupStore", "файл не читается")
                          : QCoreApplication::translate("ModulePictureBackupStore",
                                                        "это не картинка BMP или файл повреждён");
        return std::nullopt;
    }
    // The copy is the module's memory as it was: it goes back as it is, not mirrored again.
    return ModulePicture::ModulePictureFromImage(picture, false, bits);
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
