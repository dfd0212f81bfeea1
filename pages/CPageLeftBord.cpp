#include "CPageLeftBord.h"
#include "ResourceIds.h"

CPageLeftBord::CPageLeftBord(QWidget *parent)
    : CPageViewControl({Ids::IDD_LEFTBORD, tr("Ввод левой границы"), Ids::ID_VIEW_LEFTBORD, Ids::HELP_LEFTBORD_0, -1}, parent)
{
}
