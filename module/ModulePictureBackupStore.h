#pragma once

#include "ModulePicture.h"
#include "PictureUpload.h"

#include <QDateTime>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

// Copies of the module's own pictures, kept before the program writes over
// them: where they go, which were made in this run of the program, and
// whether the installer wants them at all. No widgets.
//
// A copy is a BMP file at <root>/<serial>/<date>_<time>-<name>.bmp: serial
// as the window title shows it (%010d, 0000000000 for a module on a serial
// port, which reports none), date and time of the copy
// (2026-12-07_23-59-01), name "lines" for the guide-line picture and
// "warning" for the warning picture. The file holds the module's picture,
// drawn pixels white on black, as the monitor shows it (a picture the
// program mirrored is kept mirrored): written back without mirroring it
// gives the same bytes. Beside it, <same name>.bin keeps the whole area's
// 32 KiB exactly as read, beyond the picture's rows too; a copy is written
// back from those bytes when they are there.
class ModulePictureBackupStore {
public:
    // root: the folder of the copies; configFile: the user's options file
    // where the choice is remembered.
    ModulePictureBackupStore(QString root, QString configFile);

    // The user's own folders: <GenericDataLocation>/tarvello-setup/backups
    // (XDG_DATA_HOME) and <AppConfigLocation>/tarvello-setup.conf.
    static ModulePictureBackupStore ForUser();

    const QString &Root() const { return root_; }
    QString ModuleFolder(std::int32_t serial) const;
    static QString PictureName(PictureUpload::Picture picture);

    // Whether a copy is made before the first write of each picture (the
    // installer's choice, remembered; on unless turned off).
    bool Enabled() const;
    void SetEnabled(bool on);

    // Whether a copy of this picture was saved through this opening of a
    // link (DeviceLink::Opening) in this run. A copy is owed to every new
    // opening: the module behind it may be another one with the same serial.
    bool IsSaved(std::uint64_t opening, PictureUpload::Picture picture) const;

    // Saves the module's bytes as a new copy (never over an older one) and
    // remembers it for the opening. The BMP's path, or nothing with *reason
    // when it could not be written (no file is left behind then).
    std::optional<QString> Save(std::int32_t serial, std::uint64_t opening, PictureUpload::Picture picture,
                                const ModulePicture::Buffer &moduleBytes, const QDateTime &at,
                                QString *reason = nullptr);

    // One kept copy: its BMP, when it was made, and the module's folder name.
    struct Copy {
        QString path;
        QDateTime at;
        QString module;
    };
    // Every copy of this picture, of any module, newest first.
    std::vector<Copy> Copies(PictureUpload::Picture picture) const;

    // The bytes to write back for a copy: the area as read when its .bin
    // is beside it, else the BMP's picture; nothing with *reason when
    // neither can be read.
    static std::optional<ModulePicture::Buffer> ReadCopy(const QString &bmpPath, QString *reason = nullptr);
    // Where the area's bytes of the copy at bmpPath are kept.
    static QString BytesPath(const QString &bmpPath);

    // The module's bytes as a 400 x 312 picture, drawn pixels white on black.
    static QImage ImageOfModuleBytes(const ModulePicture::Buffer &moduleBytes);
    // Writes that picture as a BMP file (atomically over a regular file).
    static bool SaveModuleBytes(const QString &path, const ModulePicture::Buffer &moduleBytes,
                                QString *reason = nullptr);

private:
    QString root_;
    QString configFile_;
    std::set<std::pair<std::uint64_t, PictureUpload::Picture>> saved_;
};

// The program's store: start-up sets the user's; null (no copies made) in
// anything that did not set one.
ModulePictureBackupStore *ProgramBackupStore();
// Sets the program's store (not owned); returns the previous one.
ModulePictureBackupStore *SetProgramBackupStore(ModulePictureBackupStore *store);
