#include "CPageRigthCurve.h"
#include "ResourceIds.h"

CPageRigthCurve::CPageRigthCurve(QWidget *parent)
    : CPagePointEntry({Ids::IDD_RIGTHCURVE, tr("Ввод правой кривой"), Ids::ID_VIEW_RIGTHCURVE, Ids::HELP_RIGTHCURVE_0, -1},
                      {{{18, -1, tr("Точка 1 X"), Ids::HELP_RIGTHCURVE_0},
                        {19, -1, tr("Точка 2 X"), Ids::HELP_RIGTHCURVE_1},
                        {20, -1, tr("Точка 3 X"), Ids::HELP_RIGTHCURVE_2}},
                       Ids::HELP_RIGTHCURVE_REVIEW,
                       false},
                      parent)
{
}
