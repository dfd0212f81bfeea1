#include "CPageLoadWarn.h"

#include "CPictureBox.h"
#include "ResourceIds.h"
#include "Screen.h"

CPageView::PageInfo CPageLoadWarn::Info()
{
    return {Ids::IDD_LOADWARN, tr("Загрузка и запись предупреждения"), Ids::ID_VIEW_LOADWARN, Ids::HELP_LOADWARN, 0,
            kTemplateUnits};
}

CPageLoadWarn::CPageLoadWarn(QWidget *parent)
    : CPageLoadPicture(Info(), PictureUpload::Picture::Warning, &Settings::CustomFileWarning, parent)
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
