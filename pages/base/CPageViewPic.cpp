#include "CPageViewPic.h"

#include "CMetafileBox.h"
#include "ResourceIds.h"

std::vector<ControlSpec> CPageViewPic::BaseTemplate()
{
    return {
        {Ids::IDC_HELPTEXT, ControlSpec::Kind::HelpText, {}, QRect(5, 5, 280, 55)},
        {Ids::IDC_PICTURE, ControlSpec::Kind::Picture, {}, QRect(5, 65, 165, 135)},
    };
}

std::vector<ControlSpec> CPageViewPic::IllustrationTemplate()
{
    return {
        {Ids::IDC_HELPTEXT, ControlSpec::Kind::HelpText, {}, QRect(5, 5, 280, 55)},
        {Ids::IDC_PICTURE, ControlSpec::Kind::Picture, {}, QRect(5, 65, 280, 135)},
    };
}

void CPageViewPic::BindIllustration(int illustrationId)
{
    auto *box = new CMetafileBox;
    ReplaceControl(Ids::IDC_PICTURE, box);
    box->LoadResource(illustrationId);
}

bool CPageViewPic::OnSetActive()
{
    BeginActivation();
    return CPageView::OnSetActive();
}
