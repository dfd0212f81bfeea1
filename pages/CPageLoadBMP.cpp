#include "CPageLoadBMP.h"

#include "CPictureBox.h"
#include "GuideLineRenderer.h"
#include "ResourceIds.h"
#include "Screen.h"

CPageView::PageInfo CPageLoadBMP::Info()
{
    return {Ids::IDD_LOADBMP, tr("Загрузка и запись изображения"), Ids::ID_VIEW_LOADBMP, Ids::HELP_LOADBMP, 0,
            kTemplateUnits};
}

CPageLoadBMP::CPageLoadBMP(QWidget *parent)
    : CPageLoadPicture(Info(), PictureUpload::Picture::GuideLines, &Settings::CustomFileLines, parent)
{
}

void CPageLoadBMP::ShowBuiltInPicture()
{
    // Drawn from the record as it is now, whichever page edited it last.
    if (const Settings *s = SettingsRecord())
        PictureBox()->SetBitmap(RenderGuideLinePicture(*s));
    else
        PictureBox()->Clear(true);
}

void CPageLoadBMP::SendActivationCommands(DeviceLink &link)
{
    // The normal display, without the parking-sensor scale over the lines.
    link.ReportError(ShowScreen(link, Screen::Normal));
    link.ReportError(link.SetSensorIndicator(0));
}
