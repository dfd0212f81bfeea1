#pragma once

#include "CPageViewPic.h"

// Last page: the set-up is complete; only the Finish button, captioned "Готово".
class CPageComplete : public CPageViewPic {
    Q_OBJECT

public:
    explicit CPageComplete(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnSetActive() override;

protected:
    std::vector<ControlSpec> Template() const override;
    void BindControls() override;
};
