#include "CPageSysAs.h"
#include "ResourceIds.h"

CPageSysAs::CPageSysAs(QWidget *parent)
    : CPageViewPic({Ids::IDD_SYSAS, tr("Сборка системы"), Ids::ID_VIEW_SYSAS, Ids::HELP_SYSAS, 0}, parent)
{
}

std::vector<ControlSpec> CPageSysAs::Template() const
{
    return IllustrationTemplate();
}

void CPageSysAs::BindControls()
{
    BindIllustration(Ids::ILLUSTRATION_SYSAS);
}
