#pragma once

#include "CPageViewPic.h"
#include "PictureBackup.h"
#include "PictureUpload.h"
#include "Settings.h"

#include <cstdint>
#include <functional>
#include <optional>

class CPictureBox;
class QCheckBox;
class QLabel;
class QProgressBar;

// Base of the two picture pages: the guide-line picture and the warning
// picture. The page shows the picture it would write, saves it, loads
// another BMP in its place, goes back to the built-in one, and writes it
// into the module ("Запись") with a progress bar and an estimate of the time
// left, and says afterwards how many blocks were written. A picture without
// a single drawn pixel is written only when the installer confirms it.
// During the write the window stays painted and takes no input; the
// module's error boxes still show, in order. In demo mode the page says
// that nothing is written.
//
// Beside it the page shows the module's own picture: read out of the
// module on request ("Прочитать из модуля") and saved as a BMP if asked,
// and, unless the installer turned it off, copied into the user's data
// folder before the first write of the picture through each opening of a
// link (ModulePictureBackupStore); when no clean copy can be made the
// installer decides whether to write without one. After a write that was
// read back as written, the module's picture is the one written.
// "Восстановить..." lists the kept copies of the page's picture, newest
// first, and writes the chosen one back once the installer confirms.
class CPageLoadPicture : public CPageViewPic {
    Q_OBJECT

public:
    // path: the settings field that names the user's BMP (empty: built-in).
    CPageLoadPicture(PageInfo info, PictureUpload::Picture picture, QString Settings::*path,
                     QWidget *parent = nullptr);

    // Both pages' template extent in dialog units: as wide as the widest
    // wizard pages.
    static constexpr QRect kTemplateUnits{0, 0, 360, 205};

    bool OnSetActive() override;
    // The record's picture shown again; choosing a file sends nothing.
    void OnRecordRestored() override;

    // The four buttons.
    void SaveToFile();
    void LoadFromFile();
    void ResetToDefault();
    // Writes the picture into the module; returns what the upload did
    // (nothing done when the copy before it failed).
    PictureUpload::Result WriteToModule();
    // The module's picture: read it, save what was read, write a saved
    // copy back (the page's own picture and its path stay as they are).
    PictureBackup::Result ReadFromModule();
    void SaveModulePicture();
    PictureUpload::Result RestoreFromFile();

    CPictureBox *PictureBox() const;
    QProgressBar *ProgressBar() const;
    QLabel *Estimate() const;
    CPictureBox *ModulePictureBox() const;
    QCheckBox *BackupCheck() const;
    QLabel *BackupNote() const;
    const QString &Path() const { return path_; }

protected:
    std::vector<ControlSpec> Template() const override;
    void BindControls() override;
    void OnInitDialog() override;
    void RegisterResize() override;
    // A button that checks the written lines on a picture of the monitor.
    virtual bool OffersPhotoCheck() const { return false; }
    // The picture shown when the user chose none.
    virtual void ShowBuiltInPicture() = 0;
    // What the module is asked to show while the page is up.
    virtual void SendActivationCommands(DeviceLink &link) = 0;

private:
    void ShowPicture();
    // The demo link: nothing is written anywhere.
    bool IsDemo() const;
    void ShowProgress(int position, qint64 elapsedMs);
    // Runs job on a worker thread that has the link to itself until it
    // ends, the window painted and closed to input meanwhile; the job's
    // results are reported here in order, its progress shown.
    void RunOnWorker(const std::function<void(const PictureUpload::Report &, const PictureUpload::Progress &)> &job);
    // The upload of bytes, after the copy of the module's picture.
    PictureUpload::Result WriteBytes(const ModulePicture::Buffer &bytes);
    // Reads the module's picture into moduleBytes_ and shows it.
    PictureBackup::Result ReadModulePicture();
    // The copy before the first write; false when the write must not go on.
    bool BackUpBeforeWrite();
    // The module's picture as these bytes, which can then be saved.
    void ShowModuleBytes(const ModulePicture::Buffer &bytes);
    // The copy to restore: from the list of kept copies, or a file.
    std::optional<QString> ChooseCopy() const;
    std::int32_t Serial() const;

    PictureUpload::Picture picture_;
    QString Settings::*settingsPath_;
    QString path_;
    qint64 firstBlockMs_ = 0;
    ModulePicture::Buffer moduleBytes_{};  // the module's picture as last read
    QLabel *captions_[2] = {};             // "Будет записано", "В модуле"
};
