#include "CPageLoadWarn.h"
#include "ResourceIds.h"
#include "CPictureBox.h"

CPageLoadWarn::CPageLoadWarn(QWidget *parent)
    : CPageViewPic({Ids::IDD_LOADWARN, tr("Загрузка и запись предупреждения"), Ids::ID_VIEW_LOADWARN, Ids::HELP_LOADWARN, 0}, parent)
{
}

void CPageLoadWarn::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
}
