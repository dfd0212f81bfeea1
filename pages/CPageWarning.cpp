#include "CPageWarning.h"
#include "ResourceIds.h"
#include "CPictureBox.h"

CPageWarning::CPageWarning(QWidget *parent)
    : CPageViewPic({Ids::IDD_WARNING, tr("Настройка времени показа предупреждения"), Ids::ID_VIEW_WARNING, Ids::HELP_WARNING, 0}, parent)
{
}

void CPageWarning::BindControls()
{
    ReplaceControl(Ids::IDC_PICTURE, new CPictureBox);
}
