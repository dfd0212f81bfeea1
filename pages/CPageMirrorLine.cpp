#include "CPageMirrorLine.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "ConfigurationEdit.h"
#include "ConfigurationTable.h"
#include "GridGeometry.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>

namespace {

constexpr double kPlaneX = Grid::kCellWidth;  // plane units per grid unit across
constexpr double kPlaneY = Grid::kCellHeight; // and down

// The slots the automatic mode sets: the base line's right end, the right
// border and the right curve.
constexpr int kMirroredSlots[] = {2, 8, 9, 10, 11, 12, 18, 19, 20, 21, 22};

} // namespace

CPageView::PageInfo CPageMirrorLine::Info()
{
    return {Ids::IDD_MIRRORLINE, tr("Ввод линии симметрии"), Ids::ID_VIEW_MIRRORLINE, Ids::HELP_MIRRORLINE, 0,
            QRect(0, 0, kWidePageWidth, 205)};
}

CPageMirrorLine::CPageMirrorLine(QWidget *parent)
    : CPageViewControl(Info(), parent)
{
}

std::vector<ControlSpec> CPageMirrorLine::Template() const
{
    using Kind = ControlSpec::Kind;
    std::vector<ControlSpec> t = BaseTemplate(kWidePageWidth);
    t.push_back({Ids::IDC_RADIO_FIRST, Kind::Radio, tr("Вводить точки правой стороны \nвручную"), QRect(173, 68, 145, 20)});
    t.push_back({Ids::IDC_RADIO_SECOND, Kind::Radio, tr("Автоматически рассчитать \nточки по линии симметрии"), QRect(173, 92, 145, 20)});
    t.push_back({Ids::IDC_LABEL_X0, Kind::Static, tr("Положение линии"), QRect(175, 124, 80, 10)});
    t.push_back({Ids::IDC_EDIT_X0, Kind::Edit, {}, QRect(262, 122, 40, 13)});
    t.push_back({Ids::IDC_SPIN_X0, Kind::Spin, {}, QRect(302, 122, 10, 13)});
    t.push_back({Ids::IDC_LABEL_Y0, Kind::Static, tr("Отклонение линии"), QRect(175, 142, 80, 10)});
    t.push_back({Ids::IDC_EDIT_Y0, Kind::Edit, {}, QRect(262, 140, 40, 13)});
    t.push_back({Ids::IDC_SPIN_Y0, Kind::Spin, {}, QRect(302, 140, 10, 13)});
    return t;
}

void CPageMirrorLine::OnInitDialog()
{
    CPageViewControl::OnInitDialog();
    // The line's position and lean within the table's ranges and steps.
    for (auto [spin, field] : {std::pair(SpinX(0), &Settings::MirrorX), std::pair(SpinY(0), &Settings::MirrorShift)}) {
        const FieldRange range = RangeOf(field).value_or(FieldRange{Grid::kLowest, Grid::kHighest, Grid::kStep});
        spin->SetRange(range.minimum, range.maximum, range.step);
    }
    for (CValueSpinCtrl *spin : {SpinX(0), SpinY(0)}) {
        spin->SetDecimals(2);
        spin->SetTrimZeros(false);
        spin->SetValue(0.5);
    }
    if (QButtonGroup *group = RadioGroup(Ids::IDC_RADIO_FIRST))
        connect(group, &QButtonGroup::idClicked, this, [this] { StoreLine(); });
    Preview()->SetShowMirrorLine(true);
    OnWizardStep(true);
}

int CPageMirrorLine::Mode() const
{
    return SettingsRecord() && SettingsRecord()->MirrorUsing ? 1 : 0;
}

void CPageMirrorLine::ShowLine()
{
    const Settings *s = SettingsRecord();
    if (!s)
        return;
    SpinX(0)->SetValue(s->MirrorX);
    SpinY(0)->SetValue(s->MirrorShift);
    SetRadioIndex(Ids::IDC_RADIO_FIRST, s->MirrorUsing ? 1 : 0);
    for (QWidget *w : {Control(Ids::IDC_LABEL_X0), Control(Ids::IDC_LABEL_Y0), static_cast<QWidget *>(EditX(0)),
                       static_cast<QWidget *>(EditY(0)), static_cast<QWidget *>(SpinX(0)),
                       static_cast<QWidget *>(SpinY(0))})
        w->setEnabled(s->MirrorUsing);
    CGuideLinePreview *preview = Preview();
    for (const int slot : kMirroredSlots) {
        double x = 0, y = 0;
        unsigned char flag = 0;
        s->GetPoint(slot, x, y, flag);
        preview->SetPoint(slot, x, y, flag != 0, false);
    }
    preview->SetMirrorLine(s->MirrorX * kPlaneX, s->MirrorShift * kPlaneX);
    preview->SetMirrorBaseY(s->MirrorY * kPlaneY);
    preview->SetShowMirrorLine(s->MirrorUsing);
    preview->update();
}

bool CPageMirrorLine::OnSetActive()
{
    BeginActivation();
    ShowLine();
    return CPageViewControl::OnSetActive();
}

void CPageMirrorLine::OnRecordRestored()
{
    CPageViewControl::OnSetActive();
    ShowLine();
}

void CPageMirrorLine::StoreLine()
{
    const bool automatic = RadioIndex(Ids::IDC_RADIO_FIRST) == 1;
    EditRecord([&](ConfigurationEdit &e) {
        if (automatic)
            e.MirrorRightSide(SpinX(0)->GetValue(), SpinY(0)->GetValue());
        else
            e.Set(&Settings::MirrorUsing, false);
    });
    ShowLine();
}

void CPageMirrorLine::OnRowChanged(int)
{
    StoreLine();
}
