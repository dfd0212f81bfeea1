#include "CPageMirrorLine.h"

#include "CGuideLinePreview.h"
#include "CValueSpinCtrl.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kLowest = -2.0;
constexpr double kHighest = 12.0;
constexpr double kPlaneX = 40.0;  // plane units per grid unit across
constexpr double kPlaneY = 25.0;  // and down

// A computed coordinate within the entry range; a value that is no number at
// all (from a hand-edited file) becomes fallback.
double WithinGrid(double v, double fallback)
{
    if (std::isnan(v))
        return fallback;
    return std::clamp(v, kLowest, kHighest);
}

// A copied y: kept as the left side holds it, unless it is no finite number.
double FiniteY(double y)
{
    return std::isfinite(y) ? y : WithinGrid(y, 0.0);
}

} // namespace

CPageMirrorLine::CPageMirrorLine(QWidget *parent)
    : CPageViewControl({Ids::IDD_MIRRORLINE, tr("Ввод линии симметрии"), Ids::ID_VIEW_MIRRORLINE, Ids::HELP_MIRRORLINE, 0}, parent)
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

QRect CPageMirrorLine::TemplateUnits() const
{
    return QRect(0, 0, kWidePageWidth, 205);
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
    if (Settings *s = SettingsRecord()) {
        s->MirrorX = Preview()->MirrorPosition() / kPlaneX;
        s->MirrorY = Preview()->MirrorBaseY() / kPlaneY;
        s->MirrorShift = Preview()->MirrorDeviation() / kPlaneX;
        s->MirrorUsing = mode_ != 0;
    }
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
    CGuideLinePreview *preview = Preview();
    double x1 = 0, y1 = 0;
    unsigned char f1 = 0;
    s->GetPoint(1, x1, y1, f1);
    const double p = SpinX(0)->GetValue();
    const double d = SpinY(0)->GetValue();

    for (int i = 3; i <= 7; ++i) {
        double xi = 0, yi = 0;
        unsigned char fi = 0;
        s->GetPoint(i, xi, yi, fi);
        // The line's x at the height of point i. With its base at y 0 (or no
        // usable base at all) the line is taken as vertical.
        double m = p;
        if (d != 0 && y1 != 0) {
            m = p + (y1 - yi) * d / y1;
            if (std::isnan(m))
                m = p;
        }
        const double onLine = WithinGrid(m, p);
        const double xr = WithinGrid(2 * m - xi, onLine);
        const double yr = FiniteY(yi);
        preview->SetPoint(i + 5, xr, yr, fi != 0, false);
        s->SetPoint(i + 5, xr, yr, fi);

        if (i == 3) {
            preview->SetMirrorLine(p * kPlaneX, d * kPlaneX);
            preview->SetMirrorBaseY(std::isfinite(y1) ? y1 * kPlaneY : 0.0);
            preview->update();
            // The base line's right point is the right border's base point.
            double x2 = 0, y2 = 0;
            unsigned char f2 = 0;
            s->GetPoint(2, x2, y2, f2);
            preview->SetPoint(2, xr, y2, f2 != 0, false);
            s->SetPoint(2, xr, y2, f2);
        }

        // The curve point is mirrored about the line's x at the height of
        // border point i, not at its own.
        const int c = i + 10;
        double xc = 0, yc = 0;
        unsigned char fc = 0;
        s->GetPoint(c, xc, yc, fc);
        const double xr2 = WithinGrid(2 * m - xc, onLine);
        const double yr2 = FiniteY(yc);
        preview->SetPoint(c + 5, xr2, yr2, fc != 0, false);
        s->SetPoint(c + 5, xr2, yr2, fc);
    }
}
