#pragma once

#include "CPageViewControl.h"

// Wizard page "Настройка меток". For now it shows its help text and the preview of the current guide points; its own fields and module commands are not built yet.
class CPageMarkPlace : public CPageViewControl {
    Q_OBJECT

public:
    explicit CPageMarkPlace(QWidget *parent = nullptr);

protected:
    std::vector<ControlSpec> Template() const override { return BaseTemplate(); }
};
