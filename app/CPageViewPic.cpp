#include "CPageViewPic.h"

#include "ResourceIds.h"

std::vector<ControlSpec> CPageViewPic::BaseTemplate()
{
    return {
        {Ids::IDC_HELPTEXT, ControlSpec::Kind::HelpText, {}, QRect(5, 5, 280, 55)},
        {Ids::IDC_PICTURE, ControlSpec::Kind::Picture, {}, QRect(5, 65, 165, 135)},
    };
}

bool CPageViewPic::OnSetActive()
{
    BeginActivation();
    return CPageView::OnSetActive();
}
