#pragma once

#include "CPageView.h"
#include "ModuleFollower.h"

#include <array>
#include <memory>

// The wizard's pages in wizard order, one row each: the class, the View menu
// item (text with its mnemonic) and the manual section. The sheet builds its
// pages and the View menu from this table; the caption and the dialog
// template belong to the page class itself, and the row hands on what the
// class says of them without a page being built.
enum class WizardStep : int {
    SysAs,
    MonCam,
    GridShift,
    BaseLine,
    LeftBord,
    MirrorLine,
    RightBord,
    LeftCurve,
    RightCurve,
    LineBold,
    MarkPlace,
    LoadBMP,
    LoadWarn,
    Parktronic,
    Warning,
    Complete,
};

struct PageRow {
    WizardStep step;
    std::unique_ptr<CPageView> (*create)();
    // The class's own facts: caption, dialog and help ids, the template's
    // extent, the guide points its rows edit.
    CPageView::PageInfo (*info)();
    // Whether the page is of this row's class (the exact class).
    bool (*holds)(const CPageView *page);
    int viewItemId;        // 0: the page has no View item
    const char *viewText;  // translated in the context "CPageSheet"
    const char *manualSection;
    FollowedStep follows;  // what the module shows and takes of the record on this step
};

constexpr int kWizardSteps = 16;

const std::array<PageRow, kWizardSteps> &PageTable();

// The wizard index of a step (0 = the first page).
constexpr int StepIndex(WizardStep step) { return static_cast<int>(step); }
const PageRow &PageRowOf(WizardStep step);
// The row of the page's class, or of the View item; null when none.
const PageRow *PageRowOf(const CPageView *page);
const PageRow *PageRowOfViewItem(int commandId);
