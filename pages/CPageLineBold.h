#pragma once

#include "CPageViewControl.h"

// Wizard page "Настройка толщины линий": the thickness of the border lines
// and of the curves, and the dash and gap lengths of the curves. Every
// change goes to the settings record and the preview at once; the preview
// shows the lines without the grid and the point markers. Sends nothing to
// the module: the lines reach it as the guide-line picture.
class CPageLineBold : public CPageViewControl {
    Q_OBJECT

public:
    // The four fields, top to bottom (row r: edit 1025+r, spin 1030+r).
    enum Field { kLineThickness, kCurveThickness, kCurveTicks, kCurveTicksSpace, kFieldCount };

    explicit CPageLineBold(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;
    bool OnKillActive() override;

protected:
    std::vector<ControlSpec> Template() const override;
    void OnInitDialog() override;
    // Enter with the range check; Shift + cursor keys stay with the edits.
    FieldKeyRules KeyRules() const override { return FieldKeyRules::EnterOnly(); }
    void OnRowChanged(int row) override;

private:
    // Shows the record's four values in the fields; a value a hand-edited
    // file put outside a field's range is brought to the nearest bound in
    // the record too, so the fields, the preview and the record agree.
    void LoadFields();
    // Stores the row's value, as the field shows it, in the record and the
    // preview.
    void StoreField(int row);
    void GiveToPreview(int row, int value);
};
