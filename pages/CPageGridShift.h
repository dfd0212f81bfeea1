#pragma once

#include "CPageViewControl.h"

// Wizard step 3, "Сдвиг решетки": shifts the module's calibration grid until
// it fits the car monitor. The module shows the grid and follows every
// change at once; the preview shows the grid alone at the vertical shift.
// A spin sends only its own axis; Enter and Shift + cursor keys send the
// vertical shift, then the horizontal one.
class CPageGridShift : public CPageViewControl {
    Q_OBJECT

public:
    explicit CPageGridShift(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    bool OnKillActive() override;
    // Sends what an edit sends, after the fields show the record again.
    void OnRecordRestored() override;

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    // Steps of 1 within 0..255 on both axes.
    FieldKeyRules KeyRules() const override;
    void OnRowChanged(int row) override;
    void OnRowSpun(int row, bool xField) override;

private:
    // The fields show the record's shift, clamped to what they can show.
    void ShowShift();
    int ShiftX() const;
    int ShiftY() const;
    // The fields' shift into the preview's grid and the settings record.
    void ApplyShift();
    // A failed command ends a press-and-hold on the arrows before its box.
    void EndHeldArrows();
    void SendShiftY();
    void SendShiftX();
};
