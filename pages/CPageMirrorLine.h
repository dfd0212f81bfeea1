#pragma once

#include "CPageViewControl.h"

// Wizard page "Ввод линии симметрии": the car's line of symmetry as the
// camera sees it (its x at the height of the base line's middle point, and
// how far it leans towards the top edge). In the automatic mode the right
// border, the base line's right point and the right-side curve points are
// computed as mirror images of the left side (ConfigurationEdit). The page
// shows the record's mode and line; the installer's choices reach the record
// as they are made, and the left curve page computes the right side again
// while the record's mode is automatic. Sends nothing to the module.
class CPageMirrorLine : public CPageViewControl {
    Q_OBJECT

public:
    explicit CPageMirrorLine(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    void OnRecordRestored() override;

    // 0 manual, 1 automatic, as the record holds it.
    int Mode() const;

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    // Enter with the range check, no Shift + cursor keys.
    FieldKeyRules KeyRules() const override { return FieldKeyRules::EnterOnly(); }
    void OnRowChanged(int row) override;

private:
    // The radio group, the fields and the preview show the record's mode,
    // line and right side.
    void ShowLine();
    // The mode chosen and the line in the fields into the record: the
    // automatic mode mirrors the right side at once.
    void StoreLine();
};
