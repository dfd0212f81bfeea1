#include "CPageBaseLine.h"
#include "ResourceIds.h"

CPageBaseLine::CPageBaseLine(QWidget *parent)
    : CPageViewControl({Ids::IDD_BASELINE, tr("Ввод базовой линии"), Ids::ID_VIEW_BASELINE, Ids::HELP_BASELINE_LEFT, -1}, parent)
{
}
