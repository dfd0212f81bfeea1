#pragma once

// A small stand-in for the wizard sheet, hosting one page in a test: it
// holds the settings record and records what the page asks of the sheet.

#include "PageHost.h"
#include "Settings.h"

#include <QString>

class FakeHost : public PageHost, public RightSideRecompute {
public:
    RightSideRecompute *RightSide() override { return this; }
    void RecomputeRightSide() override { ++recomputes; }
    int recomputes = 0;

    Settings &SheetSettings() override { return settings; }
    void StartTitleTimer() override { ++titleTimers; }
    void CheckViewItem(int id) override { checked = id; }
    void SetBackEnabled(bool enabled) override { back = enabled; }
    void ShowFinishOnly(const QString &) override {}

    Settings settings;
    int titleTimers = 0;
    int checked = 0;
    bool back = false;
};
