#include "CPageLeftCurve.h"

#include "ConfigurationEdit.h"
#include "ResourceIds.h"

CPageView::PageInfo CPageLeftCurve::Info()
{
    return WithRows({Ids::IDD_LEFTCURVE, tr("Ввод левой кривой"), Ids::ID_VIEW_LEFTCURVE, Ids::HELP_LEFTCURVE_0, -1},
                    EntrySteps());
}

CPagePointEntry::Steps CPageLeftCurve::EntrySteps()
{
    return {{{13, -1, tr("Точка 1 X"), Ids::HELP_LEFTCURVE_0},
             {14, -1, tr("Точка 2 X"), Ids::HELP_LEFTCURVE_1},
             {15, -1, tr("Точка 3 X"), Ids::HELP_LEFTCURVE_2}},
            Ids::HELP_LEFTCURVE_REVIEW,
            false};
}

CPageLeftCurve::CPageLeftCurve(QWidget *parent) : CPagePointEntry(Info(), EntrySteps(), parent)
{
}

void CPageLeftCurve::RecomputeRightSide()
{
    EditRecord([](ConfigurationEdit &e) { e.FollowSymmetryLine(); });
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
