#pragma once

#include "CPagePointEntry.h"

// Wizard page "Ввод правой границы": the right border at the base line and at
// 1, 2, 3 and 4 m; points out of sight may be skipped.
class CPageRightBord : public CPagePointEntry {
    Q_OBJECT

public:
    explicit CPageRightBord(QWidget *parent = nullptr);
    static PageInfo Info();

private:
    static Steps EntrySteps();
};
