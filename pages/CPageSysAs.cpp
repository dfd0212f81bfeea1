#include "CPageSysAs.h"
#include "ResourceIds.h"
#include "CMetafileBox.h"

CPageSysAs::CPageSysAs(QWidget *parent)
    : CPageViewPic({Ids::IDD_SYSAS, tr("Сборка системы"), Ids::ID_VIEW_SYSAS, Ids::HELP_SYSAS, 0}, parent)
{
}

std::vector<ControlSpec> CPageSysAs::Template() const
{
    return {
        {Ids::IDC_HELPTEXT, ControlSpec::Kind::HelpText, {}, QRect(5, 5, 280, 55)},
        {Ids::IDC_PICTURE, ControlSpec::Kind::Picture, {}, QRect(5, 65, 280, 135)},
    };
}

void CPageSysAs::BindControls()
{
    auto *box = new CMetafileBox;
    ReplaceControl(Ids::IDC_PICTURE, box);
    box->LoadResource(Ids::ILLUSTRATION_SYSAS);
}

bool CPageSysAs::OnSetActive()
{
    BeginActivation();
    return CPageViewPic::OnSetActive();
}
