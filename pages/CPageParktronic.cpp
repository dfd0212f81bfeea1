#include "CPageParktronic.h"
#include "ResourceIds.h"

CPageParktronic::CPageParktronic(QWidget *parent)
    : CPageViewControl({Ids::IDD_PARKTRONIC, tr("Настройка ультразвуковой системы парковки"), Ids::ID_VIEW_PARKTRONIC, Ids::HELP_PARKTRONIC, 0}, parent)
{
}
