#pragma once

#include "CPageViewPic.h"

// First page: how the system is assembled, with its illustration.
class CPageSysAs : public CPageViewPic {
    Q_OBJECT

public:
    explicit CPageSysAs(QWidget *parent = nullptr);
    static PageInfo Info();

    bool AllowsBack() const override { return false; }

protected:
    std::vector<ControlSpec> Template() const override;
    void BindControls() override;
};
