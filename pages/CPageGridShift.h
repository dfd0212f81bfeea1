#pragma once

#include "CPageViewControl.h"

// Wizard step 3, "Сдвиг решетки": shifts the module's calibration grid until
// it fits the car monitor. The module shows the grid and follows every
// change of the record at once (ModuleFollower); the preview shows the grid
// alone at the vertical shift.
class CPageGridShift : public CPageViewControl {
    Q_OBJECT

public:
    explicit CPageGridShift(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    void OnRecordRestored() override;

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    // Steps of 1 within 0..255 on both axes.
    FieldKeyRules KeyRules() const override;
    void OnRowChanged(int row) override;
    void OnRowSpun(int row, bool xField) override;

private:
    // The fields and the preview show the record's shift, clamped to what
    // they can show.
    void ShowShift();
    // The fields' shift into the preview's grid and the record.
    void ApplyShift();
};
