#include "CPageRigthBord.h"
#include "ResourceIds.h"

CPageRigthBord::CPageRigthBord(QWidget *parent)
    : CPagePointEntry({Ids::IDD_RIGTHBORD, tr("Ввод правой границы"), Ids::ID_VIEW_RIGTHBORD, Ids::HELP_RIGTHBORD_0, -1},
                      {{{8, 2, tr("Точка 1 X"), Ids::HELP_RIGTHBORD_0},
                        {9, -1, tr("Точка 2 X"), Ids::HELP_RIGTHBORD_1},
                        {10, -1, tr("Точка 3 X"), Ids::HELP_RIGTHBORD_2},
                        {11, -1, tr("Точка 4 X"), Ids::HELP_RIGTHBORD_3},
                        {12, -1, tr("Точка 5 X"), Ids::HELP_RIGTHBORD_4}},
                       Ids::HELP_RIGTHBORD_REVIEW,
                       true},
                      parent)
{
}
