#pragma once

#include "CPagePointEntry.h"

// Wizard page "Ввод левой кривой": three points of the left turning curve.
// Entering and leaving it computes the right side again, so that it follows
// the left while the record's symmetry mode is automatic.
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
