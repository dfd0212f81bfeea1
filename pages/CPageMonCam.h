#pragma once

#include "CPageViewPic.h"

class CPictureBox;
class QComboBox;

// Wizard step 2, "Установка параметров камеры и монитора": where the camera
// picture is mirrored, in the camera or in the monitor. The picture shows
// the note as the monitor will show it with each choice, and the module
// follows every choice at once; leaving the page makes the module keep it.
class CPageMonCam : public CPageViewPic {
    Q_OBJECT

public:
    explicit CPageMonCam(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    bool OnKillActive() override;
    // Sends what an edit sends, after the fields show the record again.
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
    // 1 when "В мониторе" is chosen.
    int Mirroring() const;
    void ShowNote(bool mirrored);
};
