#pragma once

#include "CPageViewControl.h"
#include "PageHost.h"

// Wizard page "Ввод линии симметрии": the car's line of symmetry as the
// camera sees it (its x at the height of the base line's middle point, and
// how far it leans towards the top edge). In the automatic mode the right
// border, the base line's right point and the right-side curve points are
// computed as mirror images of the left side. Every visit starts in the
// manual mode; the chosen mode holds while other pages are shown, so the
// left curve page's recompute follows it, until a new configuration replaces
// the record. The installer's choices reach the record as they are made; a
// visit without one leaves the record as it was. Sends nothing to the module.
class CPageMirrorLine : public CPageViewControl, public RightSideRecompute {
    Q_OBJECT

public:
    explicit CPageMirrorLine(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    void OnConfigurationReplaced() override { mode_ = 0; }
    // Mirrors points 3-7 into 8-12, 13-17 into 18-22 and the left border's
    // base point into the base line's right point; only in automatic mode.
    void RecomputeRightSide() override;

    // 0 manual, 1 automatic.
    int Mode() const { return mode_; }

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    // Enter with the range check, no Shift + cursor keys.
    FieldKeyRules KeyRules() const override { return FieldKeyRules::EnterOnly(); }
    void OnRowChanged(int row) override;

private:
    // Reads the radio group into the mode, enables the fields for the
    // automatic mode and shows the symmetry line in it.
    void ApplyMode();
    // The line as the page shows it, and the mode, into the record. Straight
    // into the fields: the line alone does not set the changed mark.
    void StoreLine();

    int mode_ = 0;
};
