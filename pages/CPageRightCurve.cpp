#include "CPageRightCurve.h"
#include "ResourceIds.h"

CPageView::PageInfo CPageRightCurve::Info()
{
    return WithRows({Ids::IDD_RIGHTCURVE, tr("Ввод правой кривой"), Ids::ID_VIEW_RIGHTCURVE, Ids::HELP_RIGHTCURVE_0, -1},
                    EntrySteps());
}

CPagePointEntry::Steps CPageRightCurve::EntrySteps()
{
    return {{{18, -1, tr("Точка 1 X"), Ids::HELP_RIGHTCURVE_0},
             {19, -1, tr("Точка 2 X"), Ids::HELP_RIGHTCURVE_1},
             {20, -1, tr("Точка 3 X"), Ids::HELP_RIGHTCURVE_2}},
            Ids::HELP_RIGHTCURVE_REVIEW,
            false};
}

CPageRightCurve::CPageRightCurve(QWidget *parent) : CPagePointEntry(Info(), EntrySteps(), parent)
{
}
