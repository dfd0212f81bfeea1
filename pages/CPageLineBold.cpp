#include "CPageLineBold.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "ConfigurationEdit.h"
#include "ConfigurationTable.h"
#include "ModuleCommands.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <algorithm>
#include <array>

namespace {

// Template geometry in dialog units: label, edit and spin of each row on the
// right of the preview. As wide as the labels page next to it, so that each
// label stands whole on one line with its field.
constexpr int kPageWidth = CPageViewControl::kWidePageWidth + 40;
constexpr int kColumn = 175;
constexpr int kEditX = kPageWidth - 5 - 10 - 30;
constexpr int kFirstRowY = 70;
constexpr int kRowPitch = 20;

// The row's field: line widths and dash lengths in module pixels, within
// the ranges the configuration table gives them.
constexpr int Settings::*kFields[CPageLineBold::kFieldCount] = {&Settings::LineThickness, &Settings::CurveThickness,
                                                                &Settings::CurveTicks, &Settings::CurveTicksSpace};

IntRange RowRange(int row)
{
    return IntRangeOf(kFields[row]);
}

} // namespace

CPageView::PageInfo CPageLineBold::Info()
{
    return {Ids::IDD_LINEBOLD, tr("Настройка толщины линий"), Ids::ID_VIEW_LINEBOLD, Ids::HELP_LINEBOLD, -1,
            QRect(0, 0, kPageWidth, 205)};
}

CPageLineBold::CPageLineBold(QWidget *parent)
    : CPageViewControl(Info(), parent)
{
}

std::vector<ControlSpec> CPageLineBold::Template() const
{
    using Kind = ControlSpec::Kind;
    const QString labels[kFieldCount] = {
        tr("Толщина габаритных линий"),
        tr("Толщина кривых"),
        tr("Длина штриха кривых"),
        tr("Длина пробела кривых"),
    };
    std::vector<ControlSpec> t = BaseTemplate(kPageWidth);
    for (int r = 0; r < kFieldCount; ++r) {
        const int y = kFirstRowY + kRowPitch * r;
        t.push_back({Ids::IDC_LABEL_X0 + r, Kind::Static, labels[r], QRect(kColumn, y + 2, kEditX - kColumn - 2, 10)});
        t.push_back({Ids::IDC_EDIT_X0 + r, Kind::Edit, {}, QRect(kEditX, y, 30, 13)});
        t.push_back({Ids::IDC_SPIN_X0 + r, Kind::Spin, {}, QRect(kEditX + 30, y, 10, 13)});
    }
    return t;
}

void CPageLineBold::OnInitDialog()
{
    CPageViewControl::OnInitDialog();
    for (int r = 0; r < kFieldCount; ++r) {
        CValueSpinCtrl *spin = SpinX(r);
        spin->SetIntegerRange(RowRange(r).low, RowRange(r).high);
        spin->SetValue(1);
    }
    LoadFields();
}

void CPageLineBold::LoadFields()
{
    const Settings *s = SettingsRecord();
    if (!s)
        return;
    // A value outside a field's range (a hand-edited file) shows as the
    // nearest bound; the record keeps it until the field is changed.
    for (int r = 0; r < kFieldCount; ++r)
        SpinX(r)->SetValue(RowRange(r).Clamp(s->*kFields[r]));
}

bool CPageLineBold::OnSetActive()
{
    BeginActivation();
    LoadFields();
    if (const Settings *s = SettingsRecord()) {
        Preview()->SetShowGrid(false);
        Preview()->SetShowPoints(false);
        for (int r = 0; r < kFieldCount; ++r)
            GiveToPreview(r, s->*kFields[r]);
    }
    return CPageViewControl::OnSetActive();
}

bool CPageLineBold::OnKillActive()
{
    Preview()->SetShowPoints(true);
    return CPageViewControl::OnKillActive();
}

void CPageLineBold::OnRowChanged(int row)
{
    StoreField(row);
}

void CPageLineBold::StoreField(int row)
{
    if (row < 0 || row >= kFieldCount)
        return;
    // The value as the field shows it: a typed 2.7 shows and counts as 3.
    EditRecord([&](ConfigurationEdit &e) {
        const int stored = e.Record().*kFields[row];
        e.Set(kFields[row], ModuleCommands::FieldOrStored(SpinX(row)->GetIntValue(), stored, RowRange(row).low, RowRange(row).high));
    });
    if (const Settings *s = SettingsRecord())
        GiveToPreview(row, s->*kFields[row]);
    Preview()->update();
}

void CPageLineBold::GiveToPreview(int row, int value)
{
    CGuideLinePreview *preview = Preview();
    switch (row) {
    case kLineThickness:
        preview->SetLineThickness(value);
        break;
    case kCurveThickness:
        preview->SetCurveThickness(value);
        break;
    case kCurveTicks:
        preview->SetCurveTicks(value);
        break;
    default:
        preview->SetCurveTicksSpace(value);
        break;
    }
}
