#include "CPageGridShift.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "DeviceLink.h"
#include "ModuleCommands.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <algorithm>

using ModuleCommands::kGridShiftMax;

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
    return FieldKeyRules::Steps(1, 0, kGridShiftMax, 0, kGridShiftMax);
}

void CPageGridShift::OnInitDialog()
{
    CPageViewControl::OnInitDialog();
    for (CValueSpinCtrl *spin : {SpinX(0), SpinY(0)}) {
        spin->SetIntegerRange(0, kGridShiftMax);
        spin->SetValue(1);
    }
    // The grid alone, as the module shows it on this page.
    Preview()->SetShowPoints(false);
    Preview()->SetShowLines(false);
}

int CPageGridShift::ShiftX() const
{
    return ModuleCommands::ToModuleValue(SpinX(0)->GetValue(), 0, kGridShiftMax);
}

int CPageGridShift::ShiftY() const
{
    return ModuleCommands::ToModuleValue(SpinY(0)->GetValue(), 0, kGridShiftMax);
}

bool CPageGridShift::OnSetActive()
{
    BeginActivation();
    ShowShift();
    if (DeviceLink *link = Link()) {
        link->ReportError(ShowScreen(*link, Screen::Grid));
        SendShiftY();
        SendShiftX();
    }
    return CPageViewControl::OnSetActive();
}

void CPageGridShift::ShowShift()
{
    if (const Settings *s = SettingsRecord()) {
        // A configuration file may hold a shift the fields cannot show: they
        // show, and the module gets, the nearest one they can; the record
        // keeps the file's value until a field is changed.
        SpinX(0)->SetValue(std::clamp(s->CameraShiftX, 0, kGridShiftMax));
        SpinY(0)->SetValue(std::clamp(s->CameraShiftY, 0, kGridShiftMax));
    }
}

void CPageGridShift::OnRecordRestored()
{
    ShowShift();
    CPageViewControl::OnSetActive();
    SendShiftY();
    SendShiftX();
}

bool CPageGridShift::OnKillActive()
{
    if (DeviceLink *link = Link()) {
        SendShiftY();
        SendShiftX();
        link->ReportError(link->StoreSettings());
    }
    return CPageViewControl::OnKillActive();
}

void CPageGridShift::ApplyShift()
{
    const int x = ShiftX();
    const int y = ShiftY();
    Preview()->SetGridShift(y);
    Preview()->update();
    if (Settings *s = SettingsRecord())
        s->SetCameraShift(ModuleCommands::FieldOrStored(x, s->CameraShiftX, 0, kGridShiftMax),
                          ModuleCommands::FieldOrStored(y, s->CameraShiftY, 0, kGridShiftMax));
}

void CPageGridShift::EndHeldArrows()
{
    SpinX(0)->EndPress();
    SpinY(0)->EndPress();
}

void CPageGridShift::SendShiftY()
{
    if (DeviceLink *link = Link())
        ModuleCommands::Report(*link, link->SetGridShiftY(static_cast<unsigned>(ShiftY())), [this] { EndHeldArrows(); });
}

void CPageGridShift::SendShiftX()
{
    if (DeviceLink *link = Link())
        ModuleCommands::Report(*link, link->SetGridShiftX(ShiftX()), [this] { EndHeldArrows(); });
}

void CPageGridShift::OnRowSpun(int, bool xField)
{
    if (!WasActivated())
        return;
    ApplyShift();
    if (xField)
        SendShiftX();
    else
        SendShiftY();
}

void CPageGridShift::OnRowChanged(int)
{
    if (!WasActivated())
        return;
    ApplyShift();
    SendShiftY();
    SendShiftX();
}
