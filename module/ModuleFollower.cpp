#include "ModuleFollower.h"

#include "ModuleCommands.h"
#include "Screen.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace {

using S = Settings;
using Send = void (*)(DeviceLink &, const Settings &, const std::function<void()> &beforeBox);

// The brightness the camera page shows its note with, whatever the record holds.
constexpr int kNoteLineBrightness = 70;
constexpr int kNoteBackgroundBrightness = 25;

void Report(DeviceLink &link, LinkResult result, const std::function<void()> &beforeBox)
{
    ModuleCommands::Report(link, result, beforeBox);
}

void NormalScreen(DeviceLink &link, const Settings &, const std::function<void()> &b)
{
    Report(link, ShowScreen(link, Screen::Normal), b);
}

void GridScreen(DeviceLink &link, const Settings &, const std::function<void()> &b)
{
    Report(link, ShowScreen(link, Screen::Grid), b);
}

void Store(DeviceLink &link, const Settings &, const std::function<void()> &b)
{
    Report(link, link.StoreSettings(), b);
}

void Mirroring(DeviceLink &link, const Settings &s, const std::function<void()> &b)
{
    Report(link, link.SetMirroring(s.Reflection ? 1 : 0), b);
}

void NoteBrightness(DeviceLink &link, const Settings &, const std::function<void()> &b)
{
    Report(link, link.SetLineBrightness(kNoteLineBrightness), b);
    Report(link, link.SetBackgroundBrightness(kNoteBackgroundBrightness), b);
}

void ShiftY(DeviceLink &link, const Settings &s, const std::function<void()> &b)
{
    Report(link, link.SetGridShiftY(static_cast<unsigned>(ModuleCommands::InRange(s, &S::CameraShiftY))), b);
}

void ShiftX(DeviceLink &link, const Settings &s, const std::function<void()> &b)
{
    Report(link, link.SetGridShiftX(ModuleCommands::InRange(s, &S::CameraShiftX)), b);
}

void Sensor(DeviceLink &link, const Settings &s, const std::function<void()> &b)
{
    ModuleCommands::SendSensorCommands(link, s, b);
}

void Brightness(DeviceLink &link, const Settings &s, const std::function<void()> &b)
{
    Report(link, link.SetLineBrightness(ModuleCommands::InRange(s, &S::LineBrightness)), b);
    Report(link, link.SetBackgroundBrightness(ModuleCommands::InRange(s, &S::BackgroundBrightness)), b);
}

void FullWrite(DeviceLink &link, const Settings &s, const std::function<void()> &)
{
    ModuleCommands::SendFullSettings(link, s);
}

// What an edit of any of the fields sends (once, however many of them changed).
struct EditSend {
    std::vector<ConfigurationField> fields;
    Send send;
};

struct FollowRow {
    FollowedStep step;
    std::vector<Send> activation;
    std::vector<EditSend> edits;  // in the order they are sent
    std::vector<Send> leaving;
};

const std::vector<FollowRow> &Table()
{
    using F = FollowedStep;
    static const std::vector<FollowRow> rows = {
        {F::CameraMonitor, {NormalScreen, Mirroring, NoteBrightness}, {{{&S::Reflection}, Mirroring}}, {Mirroring, Store}},
        // The vertical shift first, as the module expects the pair.
        {F::GridShift, {GridScreen, ShiftY, ShiftX}, {{{&S::CameraShiftY}, ShiftY}, {{&S::CameraShiftX}, ShiftX}},
         {ShiftY, ShiftX, Store}},
        {F::Points, {GridScreen}, {}, {}},
        {F::ParkingSensor, {NormalScreen, Sensor},
         {{{&S::FrontEnabled, &S::RearEnabled, &S::IndicatorX, &S::IndicatorY}, Sensor}}, {Sensor, Store}},
        // The warning time is sent with the full write on leaving, not when chosen.
        {F::Warning, {NormalScreen, Brightness}, {{{&S::LineBrightness, &S::BackgroundBrightness}, Brightness}},
         {FullWrite}},
    };
    return rows;
}

const FollowRow *RowOf(FollowedStep step)
{
    const auto &rows = Table();
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const FollowRow &r) { return r.step == step; });
    return row == rows.end() ? nullptr : &*row;
}

} // namespace

ModuleFollower::ModuleFollower(ConfigurationDocument &document) : document_(document)
{
    document.Observe([this](const DocumentChange &change) { Changed(change); });
}

void ModuleFollower::Shown(FollowedStep step)
{
    current_ = step;
    const FollowRow *row = RowOf(step);
    if (row && link_)
        for (Send send : row->activation)
            send(*link_, document_.Record(), beforeBox_);
}

void ModuleFollower::Left(FollowedStep step)
{
    current_ = FollowedStep::None;
    const FollowRow *row = RowOf(step);
    if (row && link_)
        for (Send send : row->leaving)
            send(*link_, document_.Record(), beforeBox_);
}

void ModuleFollower::Changed(const DocumentChange &change)
{
    // A configuration of its own (New, Load) is sent by the steps that show it.
    const FollowRow *row = RowOf(current_);
    if (!row || !link_ || change.origin == DocumentChange::Origin::Replace)
        return;
    for (const EditSend &edit : row->edits)
        if (std::any_of(edit.fields.begin(), edit.fields.end(), [&](const auto &f) { return change.Touches(f); }))
            edit.send(*link_, change.after, beforeBox_);
}
