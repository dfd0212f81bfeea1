#pragma once

#include "CPagePointEntry.h"

// Wizard page "Ввод правой кривой": three points of the right turning curve.
class CPageRightCurve : public CPagePointEntry {
    Q_OBJECT

public:
    explicit CPageRightCurve(QWidget *parent = nullptr);
    static PageInfo Info();

private:
    static Steps EntrySteps();
};
