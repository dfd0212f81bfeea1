#include "CPageGridShift.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "ConfigurationEdit.h"
#include "ConfigurationTable.h"
#include "ModuleCommands.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <algorithm>

namespace {

IntRange XRange()
{
    return IntRangeOf(&Settings::CameraShiftX);
}

IntRange YRange()
{
    return IntRangeOf(&Settings::CameraShiftY);
}

} // namespace

CPageView::PageInfo CPageGridShift::Info()
{
    return {Ids::IDD_GRIDSHIFT, tr("Сдвиг решетки"), Ids::ID_VIEW_GRIDSHIFT, Ids::HELP_GRIDSHIFT, 0};
}

CPageGridShift::CPageGridShift(QWidget *parent)
    : CPageViewControl(Info(), parent)
{
}

std::vector<ControlSpec> CPageGridShift::Template() const
{
    using Kind = ControlSpec::Kind;
    std::vector<ControlSpec> t = BaseTemplate();
    t.push_back({Ids::IDC_LABEL_X0, Kind::Static, tr("По горизонтали"), QRect(175, 70, 72, 10)});
    t.push_back({Ids::IDC_EDIT_X0, Kind::Edit, {}, QRect(249, 68, 26, 13)});
    t.push_back({Ids::IDC_SPIN_X0, Kind::Spin, {}, QRect(275, 68, 10, 13)});
    t.push_back({Ids::IDC_LABEL_Y0, Kind::Static, tr("По вертикали"), QRect(175, 88, 72, 10)});
    t.push_back({Ids::IDC_EDIT_Y0, Kind::Edit, {}, QRect(249, 86, 26, 13)});
    t.push_back({Ids::IDC_SPIN_Y0, Kind::Spin, {}, QRect(275, 86, 10, 13)});
    return t;
}

FieldKeyRules CPageGridShift::KeyRules() const
{
    return FieldKeyRules::Steps(1, XRange().low, XRange().high, YRange().low, YRange().high);
}

void CPageGridShift::OnInitDialog()
{
    CPageViewControl::OnInitDialog();
    SpinX(0)->SetIntegerRange(XRange().low, XRange().high);
    SpinY(0)->SetIntegerRange(YRange().low, YRange().high);
    for (CValueSpinCtrl *spin : {SpinX(0), SpinY(0)})
        spin->SetValue(1);
    // The grid alone, as the module shows it on this page.
    Preview()->SetShowPoints(false);
    Preview()->SetShowLines(false);
}

bool CPageGridShift::OnSetActive()
{
    BeginActivation();
    ShowShift();
    return CPageViewControl::OnSetActive();
}

void CPageGridShift::ShowShift()
{
    if (const Settings *s = SettingsRecord()) {
        // A configuration file may hold a shift the fields cannot show: they
        // show, and the module gets, the nearest one they can; the record
        // keeps the file's value until a field is changed.
        SpinX(0)->SetValue(XRange().Clamp(s->CameraShiftX));
        SpinY(0)->SetValue(YRange().Clamp(s->CameraShiftY));
    }
}

void CPageGridShift::OnRecordRestored()
{
    ShowShift();
    CPageViewControl::OnSetActive();
}

void CPageGridShift::ApplyShift()
{
    const int x = ModuleCommands::ToModuleValue(SpinX(0)->GetValue(), XRange().low, XRange().high);
    const int y = ModuleCommands::ToModuleValue(SpinY(0)->GetValue(), YRange().low, YRange().high);
    Preview()->SetGridShift(y);
    Preview()->update();
    EditRecord([&](ConfigurationEdit &e) {
        const Settings &s = e.Record();
        e.Set(&Settings::CameraShiftX, ModuleCommands::FieldOrStored(x, s.CameraShiftX, XRange().low, XRange().high));
        e.Set(&Settings::CameraShiftY, ModuleCommands::FieldOrStored(y, s.CameraShiftY, YRange().low, YRange().high));
    });
}

void CPageGridShift::OnRowSpun(int, bool)
{
    if (WasActivated())
        ApplyShift();
}

void CPageGridShift::OnRowChanged(int)
{
    if (WasActivated())
        ApplyShift();
}
