#include "CPageParktronic.h"

#include "CGuideLinePreview.h"
#include "PreviewSettings.h"
#include "CValueSpinCtrl.h"
#include "DeviceLink.h"
#include "ModuleCommands.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QComboBox>

#include <algorithm>

using ModuleCommands::kIndicatorXMax;
using ModuleCommands::kIndicatorYMax;

namespace {

// Preview units per step of the indicator's horizontal position.
constexpr int kIndicatorXUnit = 16;
// Where the indicator sits before the page is first shown.
constexpr int kInitialX = 5;
constexpr int kInitialY = 0;

constexpr int kColumn = 175;

// Shows a sensor type; a type the list does not have (a configuration
// from elsewhere) shows no entry rather than a wrong one.
void ShowSensorType(QComboBox *combo, int type)
{
    combo->setCurrentIndex(type >= 0 && type < combo->count() ? type : -1);
}

} // namespace

CPageView::PageInfo CPageParktronic::Info()
{
    return {Ids::IDD_PARKTRONIC, tr("Настройка ультразвуковой системы парковки"), Ids::ID_VIEW_PARKTRONIC, Ids::HELP_PARKTRONIC, 0,
            QRect(0, 0, kWidePageWidth, 205)};
}

CPageParktronic::CPageParktronic(QWidget *parent)
    : CPageViewControl(Info(), parent)
{
}

std::vector<ControlSpec> CPageParktronic::Template() const
{
    using Kind = ControlSpec::Kind;
    constexpr int width = kWidePageWidth - 5 - kColumn;
    std::vector<ControlSpec> t = BaseTemplate(kWidePageWidth);
    t.push_back({Ids::IDC_LABEL_COMBO1, Kind::Static, tr("Передний парктроник"), QRect(kColumn, 68, width, 10)});
    t.push_back({Ids::IDC_COMBO1, Kind::Combo, {}, QRect(kColumn, 79, width, 14), {tr("Нет парктроника")}});
    t.push_back({Ids::IDC_LABEL_COMBO2, Kind::Static, tr("Задний парктроник"), QRect(kColumn, 99, width, 10)});
    t.push_back({Ids::IDC_COMBO_REAR, Kind::Combo, {}, QRect(kColumn, 110, width, 14),
                 {tr("Нет парктроника"), tr("PZ - 118")}});
    t.push_back({Ids::IDC_LABEL_X0, Kind::Static, tr("Положение шкалы X"), QRect(kColumn, 136, 96, 10)});
    t.push_back({Ids::IDC_EDIT_X0, Kind::Edit, {}, QRect(kColumn + 98, 134, 28, 13)});
    t.push_back({Ids::IDC_SPIN_X0, Kind::Spin, {}, QRect(kColumn + 126, 134, 10, 13)});
    t.push_back({Ids::IDC_LABEL_Y0, Kind::Static, tr("Положение шкалы Y"), QRect(kColumn, 154, 96, 10)});
    t.push_back({Ids::IDC_EDIT_Y0, Kind::Edit, {}, QRect(kColumn + 98, 152, 28, 13)});
    t.push_back({Ids::IDC_SPIN_Y0, Kind::Spin, {}, QRect(kColumn + 126, 152, 10, 13)});
    return t;
}

FieldKeyRules CPageParktronic::KeyRules() const
{
    return FieldKeyRules::Steps(1, 0, kIndicatorXMax, 0, kIndicatorYMax);
}

QComboBox *CPageParktronic::FrontCombo() const
{
    return ControlAs<QComboBox>(Ids::IDC_COMBO1);
}

QComboBox *CPageParktronic::RearCombo() const
{
    return ControlAs<QComboBox>(Ids::IDC_COMBO_REAR);
}

void CPageParktronic::OnInitDialog()
{
    CPageViewControl::OnInitDialog();
    SpinX(0)->SetIntegerRange(0, kIndicatorXMax);
    SpinY(0)->SetIntegerRange(0, kIndicatorYMax);
    FrontCombo()->setCurrentIndex(0);
    RearCombo()->setCurrentIndex(0);
    SpinX(0)->SetValue(kInitialX);
    SpinY(0)->SetValue(kInitialY);
    Preview()->SetShowPoints(false);
    // Only the installer's choices count, not the page setting the lists.
    connect(FrontCombo(), &QComboBox::activated, this, [this](int index) { OnSensorChosen(true, index); });
    connect(RearCombo(), &QComboBox::activated, this, [this](int index) { OnSensorChosen(false, index); });
}

bool CPageParktronic::Fitted() const
{
    // No entry shown (a type the list lacks) counts as a sensor, as stored.
    return FrontCombo()->currentIndex() != 0 || RearCombo()->currentIndex() != 0;
}

bool CPageParktronic::OnSetActive()
{
    BeginActivation();
    ShowSensors();
    if (DeviceLink *link = Link())
        link->ReportError(ShowScreen(*link, Screen::Normal));
    SendSensorCommands();
    return CPageViewControl::OnSetActive();
}

void CPageParktronic::OnRecordRestored()
{
    ShowSensors();
    CPageViewControl::OnSetActive();
    SendSensorCommands();
}

void CPageParktronic::ShowSensors()
{
    CGuideLinePreview *preview = Preview();
    if (Settings *s = SettingsRecord()) {
        ShowSensorType(RearCombo(), s->RearEnabled);
        ShowSensorType(FrontCombo(), s->FrontEnabled);
        // A position the module cannot take (a hand-edited file) shows, and
        // is sent, as the nearest one it can; the record keeps the file's
        // value until a field is changed.
        const int x = std::clamp(s->IndicatorX, 0, kIndicatorXMax);
        const int y = std::clamp(s->IndicatorY, 0, kIndicatorYMax);
        SpinX(0)->SetValue(x);
        SpinY(0)->SetValue(y);
        preview->SetIndicatorPosition(x * kIndicatorXUnit, y);
        // The lines and their labels as the monitor will show them.
        ShowLabels(*preview, *s);
    }
    preview->SetShowIndicator(Fitted());
    preview->SetShowGrid(false);
    preview->update();
}

bool CPageParktronic::OnKillActive()
{
    SendSensorCommands();
    if (DeviceLink *link = Link())
        link->ReportError(link->StoreSettings());
    return CPageViewControl::OnKillActive();
}

void CPageParktronic::SendSensorCommands()
{
    DeviceLink *link = Link();
    const Settings *s = SettingsRecord();
    if (link && s)
        ModuleCommands::SendSensorCommands(*link, *s, [this] {
            // A failed command ends a press-and-hold on the arrows before its box.
            SpinX(0)->EndPress();
            SpinY(0)->EndPress();
        });
}

void CPageParktronic::OnSensorChosen(bool front, int index)
{
    // Before the page was first shown there is nothing to apply the choice to.
    if (!WasActivated())
        return;
    if (Settings *s = SettingsRecord())
        (front ? s->FrontEnabled : s->RearEnabled) = index;
    Preview()->SetShowIndicator(Fitted());
    SendSensorCommands();
    Preview()->update();
}

void CPageParktronic::ApplyPosition()
{
    if (!WasActivated())
        return;
    const int x = ModuleCommands::ToModuleValue(SpinX(0)->GetValue(), 0, kIndicatorXMax);
    const int y = ModuleCommands::ToModuleValue(SpinY(0)->GetValue(), 0, kIndicatorYMax);
    Preview()->SetIndicatorPosition(x * kIndicatorXUnit, y);
    Preview()->update();
    if (Settings *s = SettingsRecord()) {
        s->IndicatorX = ModuleCommands::FieldOrStored(x, s->IndicatorX, 0, kIndicatorXMax);
        s->IndicatorY = ModuleCommands::FieldOrStored(y, s->IndicatorY, 0, kIndicatorYMax);
    }
    SendSensorCommands();
}

void CPageParktronic::OnRowChanged(int)
{
    ApplyPosition();
}
