#include "CPageMirrorLine.h"
#include "ResourceIds.h"

CPageMirrorLine::CPageMirrorLine(QWidget *parent)
    : CPageViewControl({Ids::IDD_MIRRORLINE, tr("Ввод линии симметрии"), Ids::ID_VIEW_MIRRORLINE, Ids::HELP_MIRRORLINE, 0}, parent)
{
}
