#pragma once

#include "CPageViewPic.h"
#include "PictureUpload.h"
#include "Settings.h"

class CPictureBox;
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
class CPageLoadPicture : public CPageViewPic {
    Q_OBJECT

public:
    // path: the settings field that names the user's BMP (empty: built-in).
    CPageLoadPicture(PageInfo info, PictureUpload::Picture picture, QString Settings::*path,
                     QWidget *parent = nullptr);

    bool OnSetActive() override;
    // The record's picture shown again; choosing a file sends nothing.
    void OnRecordRestored() override;

    // The four buttons.
    void SaveToFile();
    void LoadFromFile();
    void ResetToDefault();
    // Writes the picture into the module; returns what the upload did.
    PictureUpload::Result WriteToModule();

    CPictureBox *PictureBox() const;
    QProgressBar *ProgressBar() const;
    QLabel *Estimate() const;
    const QString &Path() const { return path_; }

protected:
    std::vector<ControlSpec> Template() const override;
    void BindControls() override;
    void OnInitDialog() override;
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

    PictureUpload::Picture picture_;
    QString Settings::*settingsPath_;
    QString path_;
    qint64 firstBlockMs_ = 0;
};
