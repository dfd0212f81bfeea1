#include "CPageRightBord.h"
#include "ResourceIds.h"

CPageView::PageInfo CPageRightBord::Info()
{
    return WithRows({Ids::IDD_RIGHTBORD, tr("Ввод правой границы"), Ids::ID_VIEW_RIGHTBORD, Ids::HELP_RIGHTBORD_0, -1},
                    EntrySteps());
}

CPagePointEntry::Steps CPageRightBord::EntrySteps()
{
    return {{{8, 2, tr("База     X"), Ids::HELP_RIGHTBORD_0},
             {9, -1, tr("1 м        X"), Ids::HELP_RIGHTBORD_1},
             {10, -1, tr("2 м        X"), Ids::HELP_RIGHTBORD_2},
             {11, -1, tr("3 м        X"), Ids::HELP_RIGHTBORD_3},
             {12, -1, tr("4 м        X"), Ids::HELP_RIGHTBORD_4}},
            Ids::HELP_RIGHTBORD_REVIEW,
            true};
}

CPageRightBord::CPageRightBord(QWidget *parent) : CPagePointEntry(Info(), EntrySteps(), parent)
{
}
