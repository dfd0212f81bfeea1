#include "CPageMonCam.h"
#include "ResourceIds.h"
#include "CPictureBox.h"

CPageMonCam::CPageMonCam(QWidget *parent)
    : CPageViewPic({Ids::IDD_MONCAM, tr("Установка параметров камеры и монитора"), Ids::ID_VIEW_MONCAM, Ids::HELP_MONCAM, 0}, parent)
{
}

void CPageMonCam::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
}
