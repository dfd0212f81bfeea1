#include "Settings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(Settings, SetPointStoresPlaneUnitsAndGetPointGivesGridUnits)
{
    Settings s;
    s.SetPoint(3, 0.5, 8.0, 1);
    EXPECT_EQ(s.Points[3].x, 20.0);
    EXPECT_EQ(s.Points[3].y, 200.0);
    EXPECT_EQ(s.PointFlags[3], 1);
    double x = 0, y = 0;
    unsigned char flag = 9;
    s.GetPoint(3, x, y, flag);
    EXPECT_EQ(x, 0.5);
    EXPECT_EQ(y, 8.0);
    EXPECT_EQ(flag, 1);

    // A skipped point still keeps its coordinates.
    s.SetPoint(13, 0.0, -1.0, 0);
    EXPECT_EQ(s.Points[13].x, 0.0);
    EXPECT_EQ(s.Points[13].y, -25.0);
    EXPECT_EQ(s.PointFlags[13], 0);

    // GetPoint multiplies by 0.025 and 0.04: 1.8 comes back with that rounding.
    s.SetPoint(5, 1.8, 4.8, 1);
    s.GetPoint(5, x, y, flag);
    EXPECT_EQ(x, 72.0 * 0.025);
    EXPECT_EQ(y, 120.0 * 0.04);
}

TEST(Settings, ChangedFollowsPointAndGridShiftEditsOnly)
{
    Settings s;
    EXPECT_EQ(s.IsChanged(), 1) << "a new record counts as changed";
    s.SetPoint(3, 0.5, 8.0, 1);
    s.SetCameraShift(250, 45);
    s.Changed = 0;

    s.SetPoint(3, 0.5, 8.0, 1);
    EXPECT_EQ(s.IsChanged(), 0) << "same values";
    s.SetCameraShift(250, 45);
    EXPECT_EQ(s.IsChanged(), 0) << "same shift";
    s.FontHeight = 30;
    s.LineBrightness = 40;
    s.LabelLineText[0] = QStringLiteral("x");
    EXPECT_EQ(s.IsChanged(), 0) << "plain fields do not mark";

    const struct {
        const char *what;
        void (*edit)(Settings &);
    } edits[] = {
        {"x", [](Settings &t) { t.SetPoint(3, 0.55, 8.0, 1); }},
        {"y", [](Settings &t) { t.SetPoint(3, 0.5, 8.05, 1); }},
        {"flag only", [](Settings &t) { t.SetPoint(3, 0.5, 8.0, 0); }},
        {"other slot", [](Settings &t) { t.SetPoint(33, 1.0, 0.0, 0); }},
        {"shift x", [](Settings &t) { t.SetCameraShift(251, 45); }},
        {"shift y", [](Settings &t) { t.SetCameraShift(250, 0); }},
        {"nan point", [](Settings &t) { t.SetPoint(3, std::nan(""), 8.0, 1); }},
    };
    for (const auto &e : edits) {
        Settings t = s;
        e.edit(t);
        EXPECT_EQ(t.IsChanged(), 1) << e.what;
    }

    // Once set, setting the same values again does not clear it.
    Settings t = s;
    t.SetCameraShift(1, 2);
    t.SetCameraShift(1, 2);
    t.SetPoint(3, 0.5, 8.0, 1);
    EXPECT_EQ(t.IsChanged(), 1);
    EXPECT_EQ(t.CameraShiftX, 1);
    EXPECT_EQ(t.CameraShiftY, 2);
}

TEST(Settings, SlotsOutsideTheArrayAreIgnored)
{
    Settings s;
    s.Changed = 0;
    const Settings before = s;
    for (int slot : {-1, 34, 1000, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()}) {
        s.SetPoint(slot, 3.0, 4.0, 1);
        double x = 7, y = 7;
        unsigned char flag = 7;
        s.GetPoint(slot, x, y, flag);
        EXPECT_EQ(x, 0.0) << slot;
        EXPECT_EQ(y, 0.0) << slot;
        EXPECT_EQ(flag, 0) << slot;
    }
    EXPECT_EQ(s.IsChanged(), 0);
    for (size_t i = 0; i < s.Points.size(); ++i) {
        EXPECT_EQ(s.Points[i].x, before.Points[i].x);
        EXPECT_EQ(s.PointFlags[i], before.PointFlags[i]);
    }
    EXPECT_EQ(s.MirrorX, 5.0) << "the fields next to the arrays are intact";
}

} // namespace
