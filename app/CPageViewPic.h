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
};
