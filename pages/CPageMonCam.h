#pragma once

#include "CPageViewPic.h"

class CPictureBox;
class QComboBox;

// Wizard step 2, "Установка параметров камеры и монитора": where the camera
// picture is mirrored, in the camera or in the monitor. The picture shows
// the note as the monitor will show it with each choice; the module follows
// the record (ModuleFollower).
class CPageMonCam : public CPageViewPic {
    Q_OBJECT

public:
    explicit CPageMonCam(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    void OnRecordRestored() override;

    QComboBox *MirrorCombo() const;
    CPictureBox *Picture() const;

protected:
    std::vector<ControlSpec> Template() const override;
    void BindControls() override;
    void OnInitDialog() override;

private:
    // The list and the note show the record's mirroring.
    void ShowMirroring();
    void OnMirrorChosen(int index);
    void ShowNote(bool mirrored);
};
