#include "CPageRightCurve.h"
#include "ResourceIds.h"

CPageRightCurve::CPageRightCurve(QWidget *parent)
    : CPagePointEntry({Ids::IDD_RIGHTCURVE, tr("Ввод правой кривой"), Ids::ID_VIEW_RIGHTCURVE, Ids::HELP_RIGHTCURVE_0, -1},
                      {{{18, -1, tr("Точка 1 X"), Ids::HELP_RIGHTCURVE_0},
                        {19, -1, tr("Точка 2 X"), Ids::HELP_RIGHTCURVE_1},
                        {20, -1, tr("Точка 3 X"), Ids::HELP_RIGHTCURVE_2}},
                       Ids::HELP_RIGHTCURVE_REVIEW,
                       false},
                      parent)
{
}
