#include "CPageLoadBMP.h"

#include "CPictureBox.h"
#include "GuideLinePicture.h"
#include "PreviewSettings.h"
#include "ResourceIds.h"
#include "Screen.h"

CPageLoadBMP::CPageLoadBMP(QWidget *parent)
    : CPageLoadPicture({Ids::IDD_LOADBMP, tr("Загрузка и запись изображения"), Ids::ID_VIEW_LOADBMP, Ids::HELP_LOADBMP, 0},
                       PictureUpload::Picture::GuideLines, &Settings::CustomFileLines, parent)
{
}

void CPageLoadBMP::ShowBuiltInPicture()
{
    // Drawn from the record as it is now: the labels page's last picture may
    // belong to a configuration since replaced or edited elsewhere, or not
    // exist yet (a jump here through the View menu).
    if (const Settings *s = SettingsRecord())
        PictureBox()->SetBitmap(RenderGuideLinePicture(*s));
    else
        PictureBox()->SetBitmap(CurrentGuideLinePicture());
}

void CPageLoadBMP::SendActivationCommands(DeviceLink &link)
{
    // The normal display, without the parking-sensor scale over the lines.
    link.ReportError(ShowScreen(link, Screen::Normal));
    link.ReportError(link.SetSensorIndicator(0));
}
