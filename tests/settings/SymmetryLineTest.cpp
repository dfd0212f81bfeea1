#include "SymmetryLine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Point {
    double x = 0, y = 0;
    int flag = 0;
};

Point Get(const Settings &s, int slot)
{
    double x = 0, y = 0;
    unsigned char flag = 0;
    s.GetPoint(slot, x, y, flag);
    return {x, y, flag};
}

TEST(SymmetryLine, rightSideIsTheMirrorImageOfTheLeftWithinTheGrid)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        const char *name;
        double position, deviation;
        double middleY;          // base line's middle point
        Point left;              // left border base point (3)
        Point curve;             // first left-curve point (13)
        double rightX, curveX;   // expected x of points 8 and 18
    } cases[] = {
        {"vertical", 5, 0, 8, {1.5, 6, 1}, {3, 2, 1}, 8.5, 7},
        {"leaning, at the base", 5, 1, 8, {2, 8, 1}, {4, 2, 1}, 8, 6},
        {"leaning, above it", 5, 1, 8, {2, 4, 1}, {4, 2, 1}, 9, 7},
        {"beyond 12", 5, 0, 8, {-3, 6, 1}, {3, 2, 1}, 12, 7},
        {"below -2", 1, 0, 8, {5, 6, 1}, {3, 2, 1}, -2, -1},
        {"skipped stays skipped", 5, 0, 8, {1, 6, 0}, {3, 2, 0}, 9, 7},
        {"base at y 0 is vertical", 5, 1, 0, {2, 4, 1}, {4, 2, 1}, 8, 6},
        {"no number in the file", 5, 1, nan, {nan, 4, 1}, {4, nan, 1}, 5, 6},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Settings s;
        s.SetPoint(1, 5.0, c.middleY, 1);
        s.SetPoint(2, 9.0, 7.5, 1);
        s.SetPoint(3, c.left.x, c.left.y, static_cast<unsigned char>(c.left.flag));
        s.SetPoint(13, c.curve.x, c.curve.y, static_cast<unsigned char>(c.curve.flag));
        MirrorRightSide(s, c.position, c.deviation);

        const Point right = Get(s, 8), curve = Get(s, 18), baseRight = Get(s, 2);
        EXPECT_NEAR(right.x, c.rightX, 1e-9);
        EXPECT_EQ(right.flag, c.left.flag);
        EXPECT_NEAR(curve.x, c.curveX, 1e-9);
        EXPECT_EQ(curve.flag, c.curve.flag);
        for (const Point &p : {right, curve}) {
            EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y));
            EXPECT_GE(p.x, -2.0);
            EXPECT_LE(p.x, 12.0);
        }
        EXPECT_DOUBLE_EQ(right.y, c.left.y) << "the y is the left side's";
        // The base line's right point is the right border's base point, at
        // its own height and with its own flag.
        EXPECT_DOUBLE_EQ(baseRight.x, right.x);
        EXPECT_DOUBLE_EQ(baseRight.y, 7.5);
        EXPECT_EQ(baseRight.flag, 1);
        // The line itself is kept with the points it made.
        EXPECT_EQ(std::tuple(s.MirrorX, s.MirrorShift, s.MirrorUsing), std::tuple(c.position, c.deviation, true));
        EXPECT_EQ(s.MirrorY, std::isfinite(c.middleY) ? c.middleY : 0.0);
    }
}

} // namespace
