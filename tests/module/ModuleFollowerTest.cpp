// The module follower on a recording link: what each wizard step sends when
// it is shown, when each of its fields is edited (or handed back by undo)
// and when it is left, for built-in, full and hand-edited records.
#include "ConfigurationDocument.h"
#include "ModuleCommands.h"
#include "ModuleFollower.h"
#include "RecordingLink.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using F = FollowedStep;
using Prepare = std::function<void(Settings &)>;

QStringList FullWrite(const Prepare &prepare = {})
{
    Settings s;
    if (prepare)
        prepare(s);
    RecordingLink link;
    ModuleCommands::SendFullSettings(link, s);
    return link.commands;
}

struct Followed {
    explicit Followed(const Prepare &prepare)
    {
        Settings s;
        if (prepare)
            prepare(s);
        document.ReplaceRecord(s);
        follower.SetLink(&link);
    }
    ConfigurationDocument document;
    ModuleFollower follower{document};
    RecordingLink link;
};

TEST(ModuleFollower, eachStepSendsItsActivationAndLeavingForTheRecord)
{
    const auto every = [](Settings &s) {
        s.WarningSeconds = 3; s.Reflection = true; s.CameraShiftX = 12; s.CameraShiftY = 34;
        s.RearEnabled = 1; s.IndicatorX = 4; s.IndicatorY = 99; s.LineBrightness = 60; s.BackgroundBrightness = 21;
    };
    // Hand-edited files: the nearest value the module takes is sent.
    const auto beyond = [](Settings &s) {
        s.CameraShiftX = 300; s.CameraShiftY = -7; s.IndicatorX = 300; s.IndicatorY = 1000; s.RearEnabled = 7;
        s.WarningSeconds = 9; s.LineBrightness = 500; s.BackgroundBrightness = -3;
    };
    const struct {
        const char *name;
        F step;
        Prepare prepare;
        QStringList activation, leaving;
    } cases[] = {
        {"camera: the note's brightness, whatever the record", F::CameraMonitor, {}, {"ATS1", "ATQ0", "ATG70", "ATH25"},
         {"ATQ0", "ATW"}},
        {"camera, mirrored in the monitor", F::CameraMonitor, every, {"ATS1", "ATQ1", "ATG70", "ATH25"}, {"ATQ1", "ATW"}},
        {"grid shift, vertical first", F::GridShift, {}, {"ATS3", "ATK45", "ATJ250"}, {"ATK45", "ATJ250", "ATW"}},
        {"grid shift beyond its range", F::GridShift, beyond, {"ATS3", "ATK0", "ATJ255"}, {"ATK0", "ATJ255", "ATW"}},
        {"points: the grid only", F::Points, every, {"ATS3"}, {}},
        {"parking sensor, none fitted", F::ParkingSensor, {}, {"ATS1", "ATO0", "ATR0", "ATP0"}, {"ATO0", "ATR0", "ATP0", "ATW"}},
        {"parking sensor, only the front one", F::ParkingSensor, [](Settings &s) { s.FrontEnabled = 1; },
         {"ATS1", "ATO1", "ATR0", "ATP0"}, {"ATO1", "ATR0", "ATP0", "ATW"}},
        {"parking sensor, unknown type beyond the ranges", F::ParkingSensor, beyond, {"ATS1", "ATO1", "ATR10", "ATP255"},
         {"ATO1", "ATR10", "ATP255", "ATW"}},
        {"warning not shown", F::Warning, {}, {"ATS1", "ATG80", "ATH25"}, FullWrite()},
        {"warning shown 3 s", F::Warning, every, {"ATS1", "ATG60", "ATH21"}, FullWrite(every)},
        {"warning beyond its ranges", F::Warning, beyond, {"ATS1", "ATG80", "ATH20"}, FullWrite(beyond)},
        {"a step the module does not follow", F::None, every, {}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Followed f(c.prepare);
        f.follower.Shown(c.step);
        EXPECT_EQ(f.link.commands, c.activation);
        f.link.commands.clear();
        f.follower.Left(c.step);
        EXPECT_EQ(f.link.commands, c.leaving);
    }
}

// An edit sends the commands of the fields it changed, once, and only on
// the step that shows them; a redo (a restore) sends the same.
TEST(ModuleFollower, anEditOrARestoreSendsWhatItsFieldsNeedOnTheirStepOnly)
{
    using E = ConfigurationEdit;
    const struct {
        const char *name;
        F step;
        std::function<void(E &)> edit;
        QStringList sent;
    } cases[] = {
        {"mirroring", F::CameraMonitor, [](E &e) { e.Set(&Settings::Reflection, true); }, {"ATQ1"}},
        {"horizontal shift", F::GridShift, [](E &e) { e.Set(&Settings::CameraShiftX, 100); }, {"ATJ100"}},
        {"vertical shift", F::GridShift, [](E &e) { e.Set(&Settings::CameraShiftY, 0); }, {"ATK0"}},
        {"both, vertical first", F::GridShift,
         [](E &e) { e.Set(&Settings::CameraShiftX, 1); e.Set(&Settings::CameraShiftY, 2); }, {"ATK2", "ATJ1"}},
        {"a shift beyond the range is brought within it", F::GridShift, [](E &e) { e.Set(&Settings::CameraShiftX, 999); },
         {"ATJ255"}},
        {"rear sensor and position: the three sensor commands once", F::ParkingSensor,
         [](E &e) { e.Set(&Settings::RearEnabled, 1); e.Set(&Settings::IndicatorY, 200); }, {"ATO1", "ATR0", "ATP200"}},
        {"line brightness: both", F::Warning, [](E &e) { e.Set(&Settings::LineBrightness, 51); }, {"ATG51", "ATH25"}},
        {"the warning time waits for the full write", F::Warning, [](E &e) { e.Set(&Settings::WarningSeconds, 2); }, {}},
        {"the grid shift on another step", F::ParkingSensor, [](E &e) { e.Set(&Settings::CameraShiftX, 7); }, {}},
        {"a point on a point step", F::Points, [](E &e) { e.SetPoint(4, 1, 2, 1); }, {}},
        {"nothing changed", F::GridShift, [](E &e) { e.Set(&Settings::CameraShiftX, 250); }, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Followed f({});
        f.follower.Shown(c.step);
        f.link.commands.clear();
        const Settings before = f.document.Record();
        f.document.Edit(c.edit);
        EXPECT_EQ(f.link.commands, c.sent);
        const Settings after = f.document.Record();
        f.document.Restore(before, {});
        f.link.commands.clear();
        f.document.Restore(after, {});
        EXPECT_EQ(f.link.commands, c.sent) << "a redo sends what the edit sent";
    }
}

} // namespace
