// Curves, their direction and their dashes, and the behaviour on values no
// page allows but a configuration file can hold.

#include "GeometryTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace geometry;

namespace {

std::vector<RecordedLine> DrawOneCurve(const GuidePoints &points, Side side, const LineStyle &style)
{
    RecordingCanvas canvas;
    DrawCurve(points, side, style, canvas);
    return canvas.lines;
}

void PutCurve(GuidePoints &points, int first, std::initializer_list<PlanePoint> list)
{
    int s = first;
    for (const PlanePoint &p : list)
        Put(points, s++, p.x, p.y);
}

std::vector<IntPoint> HorizontalSamples(int count)
{
    std::vector<IntPoint> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back({100 + i, 50});
    return samples;
}

std::vector<Dash> Cut(const std::vector<IntPoint> &samples, int dash, int gap)
{
    DashTable table;
    CutIntoDashes(samples, dash, gap, table);
    return {table.Dashes().begin(), table.Dashes().end()};
}

TEST(GeometryCurve, thinCurveIsOneDottedPolylineAlongTheParabola)
{
    GuidePoints points;
    PutCurve(points, slot::LeftCurve, {{100, 100}, {150, 80}, {200, 100}});
    const auto lines = DrawOneCurve(points, Side::Left, {3, 1, 15, 15});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].style, PenStyle::Dotted);
    EXPECT_EQ(lines[0].width, 1);
    ASSERT_EQ(lines[0].points.size(), 101u);
    for (size_t i = 0; i < lines[0].points.size(); ++i) {
        const IntPoint p = lines[0].points[i];
        EXPECT_EQ(p.x, 100 + static_cast<int>(i));
        const double u = (p.x - 150.0) / 50.0;
        const double exact = 80.0 + 20.0 * u * u;
        EXPECT_LE(p.y, std::trunc(exact) + 1e-9) << p.x;
        EXPECT_GE(p.y, std::trunc(exact) - 1) << p.x;
    }
}

TEST(GeometryCurve, directionDecidesWhetherACurveIsDrawn)
{
    struct Case {
        const char *name;
        Side side;
        std::initializer_list<PlanePoint> pts;
        int firstX;  // 0: nothing drawn
        int lastX;
    };
    const Case cases[] = {
        {"left, left to right", Side::Left, {{100, 100}, {150, 80}, {200, 100}}, 100, 200},
        {"left, right to left", Side::Left, {{200, 100}, {150, 80}, {100, 100}}, 0, 0},
        {"right, right to left", Side::Right, {{300, 100}, {250, 80}, {200, 100}}, 300, 200},
        {"right, left to right", Side::Right, {{200, 100}, {250, 80}, {300, 100}}, 0, 0},
    };
    for (const Case &c : cases) {
        GuidePoints points;
        PutCurve(points, c.side == Side::Left ? slot::LeftCurve : slot::RightCurve, c.pts);
        const auto lines = DrawOneCurve(points, c.side, {3, 0, 15, 15});
        if (c.firstX == 0) {
            EXPECT_TRUE(lines.empty()) << c.name;
            continue;
        }
        ASSERT_EQ(lines.size(), 1u) << c.name;
        EXPECT_EQ(lines[0].points.front().x, c.firstX) << c.name;
        EXPECT_EQ(lines[0].points.back().x, c.lastX) << c.name;
    }
}

TEST(GeometryCurve, pointsAreTakenUpToTheFirstDisabledSlot)
{
    GuidePoints points;
    PutCurve(points, slot::LeftCurve, {{100, 100}, {140, 60}, {200, 100}, {260, 0}});
    points.enabled[slot::LeftCurve + 2] = 0;
    auto lines = DrawOneCurve(points, Side::Left, {3, 1, 15, 15});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.back().x, 140);  // straight line through the first two
    EXPECT_NEAR(lines[0].points[20].y, 80, 1);

    points.enabled[slot::LeftCurve] = 0;
    EXPECT_TRUE(DrawOneCurve(points, Side::Left, {3, 1, 15, 15}).empty());

    GuidePoints five;
    PutCurve(five, slot::RightCurve, {{300, 100}, {275, 90}, {250, 85}, {225, 90}, {200, 100}});
    lines = DrawOneCurve(five, Side::Right, {3, 1, 15, 15});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.back().x, 200);  // fitted through all five
}

TEST(GeometryCurve, thickCurveNeedsTenSamples)
{
    for (int lastX : {108, 109}) {
        GuidePoints points;
        PutCurve(points, slot::LeftCurve, {{100, 100}, {static_cast<double>(lastX), 100}});
        const auto lines = DrawOneCurve(points, Side::Left, {3, 2, 30, 5});
        if (lastX == 108) {
            EXPECT_TRUE(lines.empty());
        } else {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_EQ(lines[0].points.size(), 10u);
            EXPECT_EQ(lines[0].width, 2);
        }
    }
}

TEST(GeometryCurve, thickCurveIsDrawnAsDashes)
{
    GuidePoints points;
    PutCurve(points, slot::LeftCurve, {{100, 50}, {199, 50}});
    const auto lines = DrawOneCurve(points, Side::Left, {3, 4, 15, 15});
    const std::pair<int, int> expected[] = {{100, 115}, {130, 145}, {160, 175}, {190, 199}};
    ASSERT_EQ(lines.size(), std::size(expected));
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].style, PenStyle::Dotted);
        EXPECT_EQ(lines[i].width, 4);
        EXPECT_EQ(lines[i].points.front().x, expected[i].first) << i;
        EXPECT_EQ(lines[i].points.back().x, expected[i].second) << i;
    }
}

TEST(GeometryDashes, dashAndGapRules)
{
    struct Case {
        const char *name;
        int dash, gap;
        std::vector<Dash> expected;
    };
    const Case cases[] = {
        {"dash 5 gap 3", 5, 3, {{0, 6}, {8, 6}, {16, 4}}},
        {"gap 0: each dash starts on the last one's end", 5, 0, {{0, 6}, {5, 6}, {10, 6}, {15, 5}}},
        {"dash 0: single samples", 0, 5, {{0, 1}, {5, 1}, {10, 1}, {15, 1}}},
        {"both 0: one continuous dash", 0, 0, {{0, 20}}},
        {"both below 0: one continuous dash", -3, -1, {{0, 20}}},
        {"gap beyond the end", 5, 100, {{0, 6}}},
        {"dash beyond the end", 100, 1, {{0, 20}}},
        {"dash ending on the last sample", 19, 1, {{0, 20}}},
    };
    const auto samples = HorizontalSamples(20);
    for (const Case &c : cases)
        EXPECT_EQ(Cut(samples, c.dash, c.gap), c.expected) << c.name;
}

TEST(GeometryDashes, distancesAreEuclidean)
{
    std::vector<IntPoint> diagonal;
    for (int i = 0; i < 10; ++i)
        diagonal.push_back({-i, i});
    // 2 steps are 2.83 < 3 apart, 3 steps 4.24.
    EXPECT_EQ(Cut(diagonal, 3, 3), (std::vector<Dash>{{0, 4}, {6, 4}}));
}

TEST(GeometryDashes, tableNeverOverflows)
{
    const auto samples = HorizontalSamples(kMaxSamples);
    const auto dashes = Cut(samples, 1, 1);
    EXPECT_EQ(dashes.size(), static_cast<size_t>(kMaxSamples / 2));
    EXPECT_EQ(dashes.back().start + dashes.back().count, kMaxSamples);
    EXPECT_TRUE(Cut({}, 5, 5).empty());
}

TEST(GeometryCurve, zeroDashShowsNothingAndZeroDashAndGapShowTheWholeCurve)
{
    GuidePoints points;
    PutCurve(points, slot::LeftCurve, {{100, 100}, {150, 80}, {200, 100}});
    EXPECT_TRUE(DrawOneCurve(points, Side::Left, {3, 3, 0, 10}).empty());
    const auto whole = DrawOneCurve(points, Side::Left, {3, 3, 0, 0});
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].points.size(), 101u);
    const auto continuous = DrawOneCurve(points, Side::Left, {3, 3, 10, 0});
    ASSERT_GT(continuous.size(), 1u);
    for (size_t i = 1; i < continuous.size(); ++i)
        EXPECT_EQ(continuous[i].points.front(), continuous[i - 1].points.back()) << i;
}

// Values no page allows but a configuration file can hold.
TEST(GeometryHostileValues, everyDrawingEndsWithBoundedPolylines)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const int intMax = std::numeric_limits<int>::max();
    const int intMin = std::numeric_limits<int>::min();
    struct Case {
        const char *name;
        std::function<PlanePoint(int)> point;
        LineStyle style;
    };
    const Case cases[] = {
        {"NaN everywhere", [&](int) { return PlanePoint{nan, nan}; }, {}},
        {"infinities", [&](int s) { return PlanePoint{s % 2 ? inf : -inf, s % 3 ? -inf : inf}; }, {}},
        {"1e308 spread", [&](int s) { return PlanePoint{(s % 2 ? 1 : -1) * 1e308, (s % 3 ? -1 : 1) * 1e308}; }, {}},
        {"huge rows, ordinary columns", [&](int s) { return PlanePoint{100.0 + s, (s % 2 ? 1 : -1) * 1e300}; }, {}},
        {"huge columns, thick pens",
         [&](int s) { return PlanePoint{(s % 2 ? 1 : -1) * 3e9, 10.0 * s}; },
         {1000000000, 1000000000, 1, 1}},
        {"int extremes as style", [&](int s) { return PlanePoint{10.0 * s, 10.0 * s}; },
         {intMax, intMax, intMin, intMin}},
        {"negative dash, huge gap", [&](int s) { return PlanePoint{-2e9 + s * 1e8, 7.0 * s}; },
         {intMin, 2, -5, intMax}},
        {"mixed NaN", [&](int s) { return s % 4 ? PlanePoint{40.0 * (s % 10), 25.0 * (s % 7)} : PlanePoint{nan, 1.0}; }, {}},
    };
    for (const Case &c : cases) {
        GuidePoints points;
        for (int s = 0; s < kSlotCount; ++s)
            Put(points, s, c.point(s).x, c.point(s).y);
        RecordingCanvas canvas;
        DrawGuideLines(points, c.style, canvas);
        for (const RecordedLine &line : canvas.lines) {
            EXPECT_GE(line.points.size(), 2u) << c.name;
            EXPECT_LE(line.points.size(), static_cast<size_t>(kMaxSamples)) << c.name;
        }
    }
}

TEST(GeometryHostileValues, nanBorderDrawsNothingButTheOtherBorderStillDraws)
{
    GuidePoints points;
    Put(points, slot::LeftBorder, std::nan(""), 200);
    Put(points, slot::LeftBorder + 3, 140, 40);  // no distance pair: no marker
    Put(points, slot::RightBorder, 300, 200);
    Put(points, slot::RightBorder + 4, 260, 40);
    RecordingCanvas canvas;
    DrawGuideLines(points, {}, canvas);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_NEAR(canvas.lines[0].points.front().x, 260, 1);
}

TEST(GeometryHostileValues, samplingAcrossAHugeRangeStopsAtTheBufferSize)
{
    GuidePoints points;
    Put(points, slot::LeftBorder, 100, 1e308);
    Put(points, slot::LeftBorder + 4, 100, -1e308);
    RecordingCanvas canvas;
    DrawBorderLine(points, Side::Left, 1, canvas);
    // The coincident-looking huge fit may fail; when it draws, it stops at the cap.
    for (const RecordedLine &line : canvas.lines)
        EXPECT_EQ(line.points.size(), static_cast<size_t>(kMaxSamples));

    GuidePoints curve;
    PutCurve(curve, slot::LeftCurve, {{-1e9, 0}, {1e9, 0}});
    const auto lines = DrawOneCurve(curve, Side::Left, {1, 1, 1, 1});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].points.size(), static_cast<size_t>(kMaxSamples));
    EXPECT_EQ(lines[0].points.front().x, -1000000000);
}

} // namespace
