#include "CPageParktronic.h"

#include "CGuideLinePreview.h"
#include "PreviewSettings.h"
#include "CValueSpinCtrl.h"
#include "ConfigurationEdit.h"
#include "ConfigurationTable.h"
#include "ModuleCommands.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QComboBox>

#include <algorithm>

namespace {

IntRange XRange()
{
    return IntRangeOf(&Settings::IndicatorX);
}

IntRange YRange()
{
    return IntRangeOf(&Settings::IndicatorY);
}

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
    return FieldKeyRules::Steps(1, XRange().low, XRange().high, YRange().low, YRange().high);
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
    SpinX(0)->SetIntegerRange(XRange().low, XRange().high);
    SpinY(0)->SetIntegerRange(YRange().low, YRange().high);
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
    return CPageViewControl::OnSetActive();
}

void CPageParktronic::OnRecordRestored()
{
    ShowSensors();
    CPageViewControl::OnSetActive();
}

void CPageParktronic::ShowSensors()
{
    CGuideLinePreview *preview = Preview();
    if (const Settings *s = SettingsRecord()) {
        ShowSensorType(RearCombo(), s->RearEnabled);
        ShowSensorType(FrontCombo(), s->FrontEnabled);
        // A position the module cannot take (a hand-edited file) shows, and
        // is sent, as the nearest one it can; the record keeps the file's
        // value until a field is changed.
        const int x = XRange().Clamp(s->IndicatorX);
        const int y = YRange().Clamp(s->IndicatorY);
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

void CPageParktronic::OnSensorChosen(bool front, int index)
{
    // Before the page was first shown there is nothing to apply the choice to.
    if (!WasActivated())
        return;
    EditRecord([&](ConfigurationEdit &e) { e.Set(front ? &Settings::FrontEnabled : &Settings::RearEnabled, index); });
    Preview()->SetShowIndicator(Fitted());
    Preview()->update();
}

void CPageParktronic::ApplyPosition()
{
    if (!WasActivated())
        return;
    const int x = ModuleCommands::ToModuleValue(SpinX(0)->GetValue(), XRange().low, XRange().high);
    const int y = ModuleCommands::ToModuleValue(SpinY(0)->GetValue(), YRange().low, YRange().high);
    Preview()->SetIndicatorPosition(x * kIndicatorXUnit, y);
    Preview()->update();
    EditRecord([&](ConfigurationEdit &e) {
        const Settings &s = e.Record();
        e.Set(&Settings::IndicatorX, ModuleCommands::FieldOrStored(x, s.IndicatorX, XRange().low, XRange().high));
        e.Set(&Settings::IndicatorY, ModuleCommands::FieldOrStored(y, s.IndicatorY, YRange().low, YRange().high));
    });
}

void CPageParktronic::OnRowChanged(int)
{
    ApplyPosition();
}
