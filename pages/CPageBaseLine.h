#pragma once

#include "CPagePointEntry.h"

// Wizard page "Ввод базовой линии": the left, right and middle points of the
// base line, 10 cm behind the bumper. Its ends are also the base points of
// the two borders.
class CPageBaseLine : public CPagePointEntry {
    Q_OBJECT

public:
    explicit CPageBaseLine(QWidget *parent = nullptr);
    static PageInfo Info();

private:
    static Steps EntrySteps();
};
