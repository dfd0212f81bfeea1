#pragma once

#include "CPageViewPic.h"

#include <QImage>
#include <QTimer>

class CPictureBox;
class QComboBox;

// Wizard step 15, "Настройка времени показа предупреждения": how long the
// module shows its warning picture each time reverse gear is engaged, and
// the brightness of lines and background. While the page is shown, a
// one-second cycle shows the warning for the chosen time and the guide
// lines for twice as long, on the PC and on the monitor alike. The module
// follows the record's brightness (ModuleFollower), which also writes every
// setting once more when the page is left.
class CPageWarning : public CPageViewPic {
    Q_OBJECT

public:
    explicit CPageWarning(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    bool OnKillActive() override;
    void OnRecordRestored() override;

    // One second of the preview cycle; the page's timer calls it.
    void Tick();
    bool CycleRunning() const { return timer_.isActive(); }

    QComboBox *WarningCombo() const;
    CPictureBox *Picture() const;

protected:
    std::vector<ControlSpec> Template() const override;
    void BindControls() override;
    void OnInitDialog() override;
    FieldKeyRules KeyRules() const override { return FieldKeyRules::EnterOnly(); }
    void OnRowChanged(int row) override;

private:
    // The list and the fields show the record's time and brightness.
    void ShowValues();
    void OnWarningTimeChosen(int index);
    // The brightness fields into the record.
    void ApplyBrightness();
    void ShowGuideLines();
    void ShowWarning();

    QTimer timer_;
    QImage guideLines_;      // the record's guide-line picture, drawn on activation
    int showTime_ = 0;       // seconds the warning is shown, 0 = not at all
    int warningTicks_ = 0;   // seconds of the warning phase so far
    int linesTicks_ = 0;     // seconds of the guide-line phase so far
};
