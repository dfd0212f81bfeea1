#pragma once

#include "CPageViewControl.h"

// Wizard page "Ввод левой кривой". For now it shows its help text and the preview of the current guide points; its own fields and module commands are not built yet.
class CPageLeftCurve : public CPageViewControl {
    Q_OBJECT

public:
    explicit CPageLeftCurve(QWidget *parent = nullptr);

protected:
    std::vector<ControlSpec> Template() const override { return BaseTemplate(); }
};
