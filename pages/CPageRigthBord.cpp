#include "CPageRigthBord.h"
#include "ResourceIds.h"

CPageRigthBord::CPageRigthBord(QWidget *parent)
    : CPageViewControl({Ids::IDD_RIGTHBORD, tr("Ввод правой границы"), Ids::ID_VIEW_RIGTHBORD, Ids::HELP_RIGTHBORD_0, -1}, parent)
{
}
