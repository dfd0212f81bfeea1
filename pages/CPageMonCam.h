#pragma once

#include "CPageViewPic.h"

// Wizard page "Установка параметров камеры и монитора". For now it shows its help text and an empty picture area; its own controls and module commands are not built yet.
class CPageMonCam : public CPageViewPic {
    Q_OBJECT

public:
    explicit CPageMonCam(QWidget *parent = nullptr);

protected:
    std::vector<ControlSpec> Template() const override { return BaseTemplate(); }
    void BindControls() override;
};
