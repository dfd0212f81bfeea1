#include "CPageLeftCurve.h"
#include "ResourceIds.h"

CPageLeftCurve::CPageLeftCurve(QWidget *parent)
    : CPageViewControl({Ids::IDD_LEFTCURVE, tr("Ввод левой кривой"), Ids::ID_VIEW_LEFTCURVE, Ids::HELP_LEFTCURVE_0, -1}, parent)
{
}
