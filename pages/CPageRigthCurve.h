#pragma once

#include "CPagePointEntry.h"

// Wizard page "Ввод правой кривой": three points of the right turning curve.
class CPageRigthCurve : public CPagePointEntry {
    Q_OBJECT

public:
    explicit CPageRigthCurve(QWidget *parent = nullptr);
};
