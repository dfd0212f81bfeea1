#include "CPageMirrorLine.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "GridGeometry.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "SymmetryLine.h"

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
    SpinX(0)->SetRange(0.0, 10.0, 0.05);
    SpinY(0)->SetRange(-5.0, 5.0, 0.05);
    for (CValueSpinCtrl *spin : {SpinX(0), SpinY(0)}) {
        spin->SetDecimals(2);
        spin->SetTrimZeros(false);
        spin->SetValue(0.5);
    }
    if (QButtonGroup *group = RadioGroup(Ids::IDC_RADIO_FIRST))
        connect(group, &QButtonGroup::idClicked, this, [this] {
            // Choosing automatic shows the mirrored side at once.
            ApplyMode();
            RecomputeRightSide();
            StoreLine();
        });
    Preview()->SetShowMirrorLine(true);
    OnWizardStep(true);
}

void CPageMirrorLine::ApplyMode()
{
    mode_ = RadioIndex(Ids::IDC_RADIO_FIRST) == 1 ? 1 : 0;
    const bool automatic = mode_ == 1;
    for (QWidget *w : {Control(Ids::IDC_LABEL_X0), Control(Ids::IDC_LABEL_Y0), static_cast<QWidget *>(EditX(0)),
                       static_cast<QWidget *>(EditY(0)), static_cast<QWidget *>(SpinX(0)),
                       static_cast<QWidget *>(SpinY(0))})
        w->setEnabled(automatic);
    Preview()->SetShowMirrorLine(automatic);
    Preview()->update();
}

bool CPageMirrorLine::OnSetActive()
{
    BeginActivation();
    if (const Settings *s = SettingsRecord()) {
        SpinX(0)->SetValue(s->MirrorX);
        SpinY(0)->SetValue(s->MirrorShift);
        Preview()->SetMirrorLine(s->MirrorX * kPlaneX, s->MirrorShift * kPlaneX);
        Preview()->SetMirrorBaseY(s->MirrorY * kPlaneY);
        Preview()->SetShowMirrorLine(s->MirrorUsing);
    }
    // Every visit starts in the manual mode, whatever was stored.
    SetRadioIndex(Ids::IDC_RADIO_FIRST, 0);
    ApplyMode();
    RecomputeRightSide();
    return CPageViewControl::OnSetActive();
}

void CPageMirrorLine::StoreLine()
{
    // The line itself is the record's once the automatic mode computed it.
    if (Settings *s = SettingsRecord())
        s->MirrorUsing = mode_ != 0;
}

void CPageMirrorLine::OnRowChanged(int)
{
    RecomputeRightSide();
    StoreLine();
}

void CPageMirrorLine::RecomputeRightSide()
{
    Settings *s = SettingsRecord();
    if (mode_ != 1 || !s || !IsInitialised())
        return;
    MirrorRightSide(*s, SpinX(0)->GetValue(), SpinY(0)->GetValue());
    CGuideLinePreview *preview = Preview();
    for (const int slot : kMirroredSlots) {
        double x = 0, y = 0;
        unsigned char flag = 0;
        s->GetPoint(slot, x, y, flag);
        preview->SetPoint(slot, x, y, flag != 0, false);
    }
    preview->SetMirrorLine(s->MirrorX * kPlaneX, s->MirrorShift * kPlaneX);
    preview->SetMirrorBaseY(s->MirrorY * kPlaneY);
    preview->update();
}
