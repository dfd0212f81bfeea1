#include "CPageLoadBMP.h"
#include "ResourceIds.h"
#include "CPictureBox.h"

CPageLoadBMP::CPageLoadBMP(QWidget *parent)
    : CPageViewPic({Ids::IDD_LOADBMP, tr("Загрузка и запись изображения"), Ids::ID_VIEW_LOADBMP, Ids::HELP_LOADBMP, 0}, parent)
{
}

void CPageLoadBMP::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
}
