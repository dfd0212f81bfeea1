#pragma once

#include "CPagePointEntry.h"

// Wizard page "Ввод левой границы": the left border at the base line and at
// 1, 2, 3 and 4 m; points out of sight may be skipped.
class CPageLeftBord : public CPagePointEntry {
    Q_OBJECT

public:
    explicit CPageLeftBord(QWidget *parent = nullptr);
    static PageInfo Info();

private:
    static Steps EntrySteps();
};
