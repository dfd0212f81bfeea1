#pragma once

#include "CPageViewControl.h"

class QComboBox;

// Wizard step 14, "Настройка ультразвуковой системы парковки": which parking
// sensors are fitted and where the module shows their indicator. The preview
// shows the guide lines with their labels and the indicator as the monitor
// will; the module follows the record (ModuleFollower).
class CPageParktronic : public CPageViewControl {
    Q_OBJECT

public:
    explicit CPageParktronic(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    void OnRecordRestored() override;

    QComboBox *FrontCombo() const;
    QComboBox *RearCombo() const;

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    // Steps of 1 within 0..10 across and 0..255 down.
    FieldKeyRules KeyRules() const override;
    void OnRowChanged(int row) override;

private:
    // The lists, fields and preview show the record's sensors and scale.
    void ShowSensors();
    void OnSensorChosen(bool front, int index);
    // The fields into the preview's indicator and the record.
    void ApplyPosition();
    bool Fitted() const;
};
