#include "CPageLeftCurve.h"

#include "PageHost.h"
#include "ResourceIds.h"

CPageLeftCurve::CPageLeftCurve(QWidget *parent)
    : CPagePointEntry({Ids::IDD_LEFTCURVE, tr("Ввод левой кривой"), Ids::ID_VIEW_LEFTCURVE, Ids::HELP_LEFTCURVE_0, -1},
                      {{{13, -1, tr("Точка 1 X"), Ids::HELP_LEFTCURVE_0},
                        {14, -1, tr("Точка 2 X"), Ids::HELP_LEFTCURVE_1},
                        {15, -1, tr("Точка 3 X"), Ids::HELP_LEFTCURVE_2}},
                       Ids::HELP_LEFTCURVE_REVIEW,
                       false},
                      parent)
{
}

void CPageLeftCurve::RecomputeRightSide()
{
    if (PageHost *host = Host())
        if (RightSideRecompute *rightSide = host->RightSide())
            rightSide->RecomputeRightSide();
}

void CPageLeftCurve::OnActivated()
{
    RecomputeRightSide();
}

bool CPageLeftCurve::OnKillActive()
{
    RecomputeRightSide();
    return CPagePointEntry::OnKillActive();
}
