#pragma once

// A small stand-in for the wizard sheet, hosting one page in a test: it
// holds the configuration document with the module follower, and records
// what the page asks of the sheet.

#include "ConfigurationDocument.h"
#include "ModuleFollower.h"
#include "PageHost.h"
#include "Settings.h"

#include <QString>

#include <functional>

class FakeHost : public PageHost {
public:
    ConfigurationDocument &Document() override { return document; }
    void StartTitleTimer() override { ++titleTimers; }
    void CheckViewItem(int id) override { checked = id; }
    void SetBackEnabled(bool enabled) override { back = enabled; }
    void ShowFinishOnly(const QString &) override {}

    const Settings &Record() const { return document.Record(); }
    // The record as a file would give it (values out of any range too).
    void Prepare(const std::function<void(Settings &)> &prepare)
    {
        Settings s = document.Record();
        prepare(s);
        document.ReplaceRecord(s);
    }

    ConfigurationDocument document;
    ModuleFollower follower{document};
    int titleTimers = 0;
    int checked = 0;
    bool back = false;
};
