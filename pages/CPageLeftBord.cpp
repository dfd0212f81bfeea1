#include "CPageLeftBord.h"
#include "ResourceIds.h"

CPageView::PageInfo CPageLeftBord::Info()
{
    return WithRows({Ids::IDD_LEFTBORD, tr("Ввод левой границы"), Ids::ID_VIEW_LEFTBORD, Ids::HELP_LEFTBORD_0, -1},
                    EntrySteps());
}

CPagePointEntry::Steps CPageLeftBord::EntrySteps()
{
    return {{{3, 0, tr("База     X"), Ids::HELP_LEFTBORD_0},
             {4, -1, tr("1 м        X"), Ids::HELP_LEFTBORD_1},
             {5, -1, tr("2 м        X"), Ids::HELP_LEFTBORD_2},
             {6, -1, tr("3 м        X"), Ids::HELP_LEFTBORD_3},
             {7, -1, tr("4 м        X"), Ids::HELP_LEFTBORD_4}},
            Ids::HELP_LEFTBORD_REVIEW,
            true};
}

CPageLeftBord::CPageLeftBord(QWidget *parent) : CPagePointEntry(Info(), EntrySteps(), parent)
{
}
