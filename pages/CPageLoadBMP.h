#pragma once

#include "CPageViewPic.h"

// Wizard page "Загрузка и запись изображения". For now it shows its help text and an empty picture area; its own controls and module commands are not built yet.
class CPageLoadBMP : public CPageViewPic {
    Q_OBJECT

public:
    explicit CPageLoadBMP(QWidget *parent = nullptr);

protected:
    std::vector<ControlSpec> Template() const override { return BaseTemplate(); }
    void BindControls() override;
};
