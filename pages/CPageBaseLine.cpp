#include "CPageBaseLine.h"
#include "ResourceIds.h"

CPageView::PageInfo CPageBaseLine::Info()
{
    return WithRows({Ids::IDD_BASELINE, tr("Ввод базовой линии"), Ids::ID_VIEW_BASELINE, Ids::HELP_BASELINE_LEFT, -1},
                    EntrySteps());
}

CPagePointEntry::Steps CPageBaseLine::EntrySteps()
{
    return {{{0, 3, tr("Точка 1 X"), Ids::HELP_BASELINE_LEFT},
             {2, 8, tr("Точка 2 X"), Ids::HELP_BASELINE_RIGHT},
             {1, -1, tr("Точка 3 X"), Ids::HELP_BASELINE_MIDDLE}},
            Ids::HELP_BASELINE_REVIEW,
            false};
}

CPageBaseLine::CPageBaseLine(QWidget *parent) : CPagePointEntry(Info(), EntrySteps(), parent)
{
}
