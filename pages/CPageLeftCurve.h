#pragma once

#include "CPagePointEntry.h"

// Wizard page "Ввод левой кривой": three points of the left turning curve.
// Entering and leaving it runs the symmetry page's recompute, so that the
// right side follows the left when the automatic mode is chosen there.
class CPageLeftCurve : public CPagePointEntry {
    Q_OBJECT

public:
    explicit CPageLeftCurve(QWidget *parent = nullptr);
    static PageInfo Info();

    bool OnKillActive() override;

protected:
    void OnActivated() override;

private:
    static Steps EntrySteps();
    void RecomputeRightSide();
};
