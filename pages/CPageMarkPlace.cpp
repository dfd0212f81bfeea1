#include "CPageMarkPlace.h"
#include "ResourceIds.h"

CPageMarkPlace::CPageMarkPlace(QWidget *parent)
    : CPageViewControl({Ids::IDD_MARKPLACE, tr("Настройка меток"), Ids::ID_VIEW_MARKPLACE, Ids::HELP_MARKPLACE, 0}, parent)
{
}
