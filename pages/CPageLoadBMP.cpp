#include "CPageLoadBMP.h"

#include "CPictureBox.h"
#include "GuideLinePicture.h"
#include "ResourceIds.h"

CPageLoadBMP::CPageLoadBMP(QWidget *parent)
    : CPageLoadPicture({Ids::IDD_LOADBMP, tr("Загрузка и запись изображения"), Ids::ID_VIEW_LOADBMP, Ids::HELP_LOADBMP, 0},
                       PictureUpload::Picture::GuideLines, &Settings::CustomFileLines, parent)
{
}

void CPageLoadBMP::ShowBuiltInPicture()
{
    // Empty until the labels page has been left once.
    PictureBox()->SetBitmap(CurrentGuideLinePicture());
}

void CPageLoadBMP::SendActivationCommands(DeviceLink &link)
{
    // The normal display, without the parking-sensor scale over the lines.
    link.ReportError(link.SelectScreen(1));
    link.ReportError(link.SetSensorIndicator(0));
}
