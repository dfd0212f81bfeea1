#include "CPageSysAs.h"
#include "ResourceIds.h"

CPageView::PageInfo CPageSysAs::Info()
{
    return {Ids::IDD_SYSAS, tr("Сборка системы"), Ids::ID_VIEW_SYSAS, Ids::HELP_SYSAS, 0};
}

CPageSysAs::CPageSysAs(QWidget *parent)
    : CPageViewPic(Info(), parent)
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
