#include "CPageRigthCurve.h"
#include "ResourceIds.h"

CPageRigthCurve::CPageRigthCurve(QWidget *parent)
    : CPageViewControl({Ids::IDD_RIGTHCURVE, tr("Ввод правой кривой"), Ids::ID_VIEW_RIGTHCURVE, Ids::HELP_RIGTHCURVE_0, -1}, parent)
{
}
