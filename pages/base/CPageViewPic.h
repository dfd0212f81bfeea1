#pragma once

#include "CPageView.h"

// Base of the pages that show a picture or an illustration in control 1055.
class CPageViewPic : public CPageView {
    Q_OBJECT

public:
    using CPageView::CPageView;

    bool OnSetActive() override;

    // Help text and the picture area 1055.
    static std::vector<ControlSpec> BaseTemplate();
    // Help text and an illustration across the page's whole width.
    static std::vector<ControlSpec> IllustrationTemplate();

protected:
    // Puts the illustration with this id in place of the picture area.
    void BindIllustration(int illustrationId);
};
