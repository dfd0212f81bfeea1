#include "CPageLineBold.h"
#include "ResourceIds.h"

CPageLineBold::CPageLineBold(QWidget *parent)
    : CPageViewControl({Ids::IDD_LINEBOLD, tr("Настройка толщины линий"), Ids::ID_VIEW_LINEBOLD, Ids::HELP_LINEBOLD, -1}, parent)
{
}
