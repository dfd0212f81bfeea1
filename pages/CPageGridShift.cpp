#include "CPageGridShift.h"
#include "ResourceIds.h"

CPageGridShift::CPageGridShift(QWidget *parent)
    : CPageViewControl({Ids::IDD_GRIDSHIFT, tr("Сдвиг решетки"), Ids::ID_VIEW_GRIDSHIFT, Ids::HELP_GRIDSHIFT, 0}, parent)
{
}
