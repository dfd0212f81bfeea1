#include "CPageMonCam.h"

#include "CPageViewControl.h"
#include "CPictureBox.h"
#include "ConfigurationEdit.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QComboBox>

namespace {

constexpr int kPageWidth = CPageViewControl::kWidePageWidth;

} // namespace

CPageView::PageInfo CPageMonCam::Info()
{
    return {Ids::IDD_MONCAM, tr("Установка параметров камеры и монитора"), Ids::ID_VIEW_MONCAM, Ids::HELP_MONCAM, 0,
            QRect(0, 0, kPageWidth, 205)};
}

CPageMonCam::CPageMonCam(QWidget *parent)
    : CPageViewPic(Info(), parent)
{
}

std::vector<ControlSpec> CPageMonCam::Template() const
{
    using Kind = ControlSpec::Kind;
    // The wide page, so that the label fits beside the picture.
    std::vector<ControlSpec> t = {
        {Ids::IDC_HELPTEXT, Kind::HelpText, {}, QRect(5, 5, kPageWidth - 10, 55)},
        {Ids::IDC_PICTURE, Kind::Picture, {}, QRect(5, 65, 165, 135)},
    };
    t.push_back({Ids::IDC_LABEL_MIRROR, Kind::Static, tr("Зеркализация изображения"), QRect(175, 68, kPageWidth - 180, 10)});
    t.push_back({Ids::IDC_COMBO_MIRROR, Kind::Combo, {}, QRect(175, 80, kPageWidth - 180, 14),
                 {tr("В камере"), tr("В мониторе")}});
    return t;
}

void CPageMonCam::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
}

void CPageMonCam::OnInitDialog()
{
    CPageViewPic::OnInitDialog();
    QComboBox *combo = MirrorCombo();
    combo->setCurrentIndex(0);
    // Only the installer's choices count, not the page setting the combo.
    connect(combo, &QComboBox::activated, this, &CPageMonCam::OnMirrorChosen);
}

QComboBox *CPageMonCam::MirrorCombo() const
{
    return ControlAs<QComboBox>(Ids::IDC_COMBO_MIRROR);
}

CPictureBox *CPageMonCam::Picture() const
{
    return ControlAs<CPictureBox>(Ids::IDC_PICTURE);
}

void CPageMonCam::ShowNote(bool mirrored)
{
    Picture()->LoadFromResource(mirrored ? Ids::BITMAP_NOTE_MIRRORED : Ids::BITMAP_NOTE);
}

bool CPageMonCam::OnSetActive()
{
    BeginActivation();
    ShowMirroring();
    return CPageViewPic::OnSetActive();
}

void CPageMonCam::ShowMirroring()
{
    const bool mirrored = SettingsRecord() && SettingsRecord()->Reflection;
    MirrorCombo()->setCurrentIndex(mirrored ? 1 : 0);
    ShowNote(mirrored);
}

void CPageMonCam::OnRecordRestored()
{
    ShowMirroring();
    CPageViewPic::OnSetActive();
}

void CPageMonCam::OnMirrorChosen(int index)
{
    // Before the page was first shown there is nothing to apply the choice to.
    if (!WasActivated())
        return;
    ShowNote(index != 0);
    EditRecord([&](ConfigurationEdit &e) { e.Set(&Settings::Reflection, index != 0); });
}
