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

TEST(Settings, SlotsOutsideTheArrayAreIgnored)
{
    Settings s;
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
    for (size_t i = 0; i < s.Points.size(); ++i) {
        EXPECT_EQ(s.Points[i].x, before.Points[i].x);
        EXPECT_EQ(s.PointFlags[i], before.PointFlags[i]);
    }
    EXPECT_EQ(s.MirrorX, 5.0) << "the fields next to the arrays are intact";
}

} // namespace
