#include "CPageLoadWarn.h"

#include "CPictureBox.h"
#include "ResourceIds.h"
#include "Screen.h"

CPageLoadWarn::CPageLoadWarn(QWidget *parent)
    : CPageLoadPicture({Ids::IDD_LOADWARN, tr("Загрузка и запись предупреждения"), Ids::ID_VIEW_LOADWARN, Ids::HELP_LOADWARN, 0},
                       PictureUpload::Picture::Warning, &Settings::CustomFileWarning, parent)
{
}

void CPageLoadWarn::ShowBuiltInPicture()
{
    PictureBox()->LoadFromResource(Ids::BITMAP_WARNING);
}

void CPageLoadWarn::SendActivationCommands(DeviceLink &link)
{
    // The module shows its warning picture while this page is up.
    link.ReportError(ShowScreen(link, Screen::Warning));
}
