#include "CPageWarning.h"

#include "CPictureBox.h"
#include "CValueSpinCtrl.h"
#include "ConfigurationEdit.h"
#include "ConfigurationTable.h"
#include "DeviceLink.h"
#include "GuideLineRenderer.h"
#include "ModuleCommands.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QComboBox>

#include <algorithm>

namespace {

IntRange LineRange()
{
    return IntRangeOf(&Settings::LineBrightness);
}

IntRange BackgroundRange()
{
    return IntRangeOf(&Settings::BackgroundBrightness);
}

constexpr int kTickMs = 1000;
constexpr int kColumn = 175;

} // namespace

CPageView::PageInfo CPageWarning::Info()
{
    return {Ids::IDD_WARNING, tr("Настройка времени показа предупреждения"), Ids::ID_VIEW_WARNING, Ids::HELP_WARNING, 0};
}

CPageWarning::CPageWarning(QWidget *parent)
    : CPageViewPic(Info(), parent)
{
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &CPageWarning::Tick);
}

std::vector<ControlSpec> CPageWarning::Template() const
{
    using Kind = ControlSpec::Kind;
    std::vector<ControlSpec> t = BaseTemplate();
    t.push_back({Ids::IDC_LABEL_COMBO1, Kind::Static, tr("Экран предупреждения"), QRect(kColumn, 68, 110, 10)});
    t.push_back({Ids::IDC_COMBO1, Kind::Combo, {}, QRect(kColumn, 79, 110, 14),
                 {tr("Не выводить"), tr("Показывать 1 с"), tr("Показывать 2 с"), tr("Показывать 3 с"),
                  tr("Показывать 4 с"), tr("Показывать 5 с")}});
    t.push_back({Ids::IDC_LABEL_X0, Kind::Static, tr("Яркость линий"), QRect(kColumn, 104, 64, 10)});
    t.push_back({Ids::IDC_EDIT_X0, Kind::Edit, {}, QRect(kColumn + 68, 102, 32, 13)});
    t.push_back({Ids::IDC_SPIN_X0, Kind::Spin, {}, QRect(kColumn + 100, 102, 10, 13)});
    t.push_back({Ids::IDC_LABEL_Y0, Kind::Static, tr("Яркость фона"), QRect(kColumn, 122, 64, 10)});
    t.push_back({Ids::IDC_EDIT_Y0, Kind::Edit, {}, QRect(kColumn + 68, 120, 32, 13)});
    t.push_back({Ids::IDC_SPIN_Y0, Kind::Spin, {}, QRect(kColumn + 100, 120, 10, 13)});
    return t;
}

void CPageWarning::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
}

QComboBox *CPageWarning::WarningCombo() const
{
    return ControlAs<QComboBox>(Ids::IDC_COMBO1);
}

CPictureBox *CPageWarning::Picture() const
{
    return ControlAs<CPictureBox>(Ids::IDC_PICTURE);
}

void CPageWarning::OnInitDialog()
{
    CPageViewPic::OnInitDialog();
    WarningCombo()->setCurrentIndex(0);
    showTime_ = 0;
    SpinX(0)->SetIntegerRange(LineRange().low, LineRange().high);
    SpinY(0)->SetIntegerRange(BackgroundRange().low, BackgroundRange().high);
    // Only the installer's choices count, not the page setting the list.
    connect(WarningCombo(), &QComboBox::activated, this, &CPageWarning::OnWarningTimeChosen);
}

bool CPageWarning::OnSetActive()
{
    BeginActivation();
    ShowValues();
    const Settings *s = SettingsRecord();
    // The guide lines of the record as it is now, drawn once for the visit.
    guideLines_ = s && s->CustomFileLines.isEmpty() ? RenderGuideLinePicture(*s) : QImage();
    timer_.start();
    ShowGuideLines();
    return CPageViewPic::OnSetActive();
}

void CPageWarning::ShowValues()
{
    const Settings *s = SettingsRecord();
    if (!s)
        return;
    // Values the module cannot take (a hand-edited file) show, and are
    // sent, as the nearest ones it can; the record keeps the file's
    // values until their control is changed.
    showTime_ = IntRangeOf(&Settings::WarningSeconds).Clamp(s->WarningSeconds);
    WarningCombo()->setCurrentIndex(showTime_);
    SpinX(0)->SetValue(LineRange().Clamp(s->LineBrightness));
    SpinY(0)->SetValue(BackgroundRange().Clamp(s->BackgroundBrightness));
}

void CPageWarning::OnRecordRestored()
{
    ShowValues();
    CPageViewPic::OnSetActive();
}

bool CPageWarning::OnKillActive()
{
    timer_.stop();
    return CPageViewPic::OnKillActive();
}

void CPageWarning::OnWarningTimeChosen(int index)
{
    // Before the page was first shown there is nothing to apply the choice to.
    if (!WasActivated())
        return;
    showTime_ = index;
    EditRecord([&](ConfigurationEdit &e) { e.Set(&Settings::WarningSeconds, index); });
}

void CPageWarning::ApplyBrightness()
{
    if (!WasActivated())
        return;
    const int line = ModuleCommands::ToModuleValue(SpinX(0)->GetValue(), LineRange().low, LineRange().high);
    const int background = ModuleCommands::ToModuleValue(SpinY(0)->GetValue(), BackgroundRange().low, BackgroundRange().high);
    EditRecord([&](ConfigurationEdit &e) {
        const Settings &s = e.Record();
        e.Set(&Settings::LineBrightness, ModuleCommands::FieldOrStored(line, s.LineBrightness, LineRange().low, LineRange().high));
        e.Set(&Settings::BackgroundBrightness, ModuleCommands::FieldOrStored(background, s.BackgroundBrightness,
                                                                             BackgroundRange().low, BackgroundRange().high));
    });
}

void CPageWarning::OnRowChanged(int)
{
    ApplyBrightness();
}

void CPageWarning::ShowGuideLines()
{
    const Settings *s = SettingsRecord();
    if (s && !s->CustomFileLines.isEmpty())
        Picture()->LoadFromFile(s->CustomFileLines);
    else
        Picture()->SetBitmap(guideLines_);
}

void CPageWarning::ShowWarning()
{
    const Settings *s = SettingsRecord();
    if (s && !s->CustomFileWarning.isEmpty())
        Picture()->LoadFromFile(s->CustomFileWarning);
    else
        Picture()->LoadFromResource(Ids::BITMAP_WARNING);
}

void CPageWarning::Tick()
{
    DeviceLink *link = Link();
    if (warningTicks_ < showTime_) {
        ShowWarning();
        if (warningTicks_ == 0 && link)
            link->ReportError(ShowScreen(*link, Screen::Warning));
        ++warningTicks_;
    } else if (linesTicks_ < 2 * showTime_) {
        ShowGuideLines();
        if (linesTicks_ == 0 && link)
            link->ReportError(ShowScreen(*link, Screen::Normal));
        ++linesTicks_;
    } else {
        warningTicks_ = 0;
        linesTicks_ = 0;
    }
}
