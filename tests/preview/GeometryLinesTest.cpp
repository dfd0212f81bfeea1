// Border lines, base line, distance markers, curves and dashes, checked
// through a recording canvas against values worked out by hand. The fit
// carries rounding noise, so hand values are met within one unit below and
// exact pixels are derived through the same fit.

#include "GeometryTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace geometry;

namespace {

constexpr int kThickness = 3;

std::vector<RecordedLine> Draw(const GuidePoints &points, const LineStyle &style = {})
{
    RecordingCanvas canvas;
    DrawGuideLines(points, style, canvas);
    EXPECT_TRUE(canvas.everyCallHadPen);
    return canvas.lines;
}

std::vector<RecordedLine> WithWidth(const std::vector<RecordedLine> &lines, int width)
{
    std::vector<RecordedLine> out;
    for (const auto &l : lines)
        if (l.width == width)
            out.push_back(l);
    return out;
}

// A pixel truncated from a fitted value: equal to trunc(exact), or one less
// when noise leaves the fit just below a whole number.
void ExpectNearHand(int pixel, double exact, const std::string &what)
{
    EXPECT_LE(pixel, std::trunc(exact) + 1e-9) << what << " exact " << exact;
    EXPECT_GE(pixel, std::trunc(exact) - 1) << what << " exact " << exact;
    EXPECT_LT(std::abs(pixel - exact), 1.0 + 1e-9) << what << " exact " << exact;
}

// x = 0.001 y^2 - 0.5 y + 160: the left border of the reference tests.
double BorderParabola(double y) { return 0.001 * y * y - 0.5 * y + 160.0; }

GuidePoints ParabolicLeftBorder()
{
    GuidePoints p;
    const double ys[] = {200, 160, 120, 80, 40};
    for (int k = 0; k < 5; ++k)
        Put(p, slot::LeftBorder + k, BorderParabola(ys[k]), ys[k]);
    return p;
}

TEST(GeometryBorderLine, fivePointsDrawTheParabolaFromTheFarPointDownToTheBase)
{
    RecordingCanvas canvas;
    const auto anchors = DrawBorderLine(ParabolicLeftBorder(), Side::Left, kThickness, canvas);
    ASSERT_EQ(canvas.lines.size(), 1u);
    const RecordedLine &line = canvas.lines[0];
    EXPECT_FALSE(line.segment);
    EXPECT_EQ(line.style, PenStyle::Solid);
    EXPECT_EQ(line.width, kThickness);
    EXPECT_EQ(line.colour, (Rgb{0, 255, 0}));
    ASSERT_EQ(line.points.size(), 161u);  // y = 40 .. 200
    for (size_t i = 0; i < line.points.size(); ++i) {
        const int y = 40 + static_cast<int>(i);
        EXPECT_EQ(line.points[i].y, y);
        ExpectNearHand(line.points[i].x, BorderParabola(y), "y " + std::to_string(y));
    }
    const IntPoint hand[] = {{100, 200}, {105, 160}, {114, 120}, {126, 80}, {141, 40}};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(anchors[k].y, hand[k].y);
        ExpectNearHand(anchors[k].x, BorderParabola(hand[k].y), "anchor " + std::to_string(k));
    }
}

TEST(GeometryBorderLine, skippedOneMetrePointIsLeftOutButStillAnchoredOnTheLine)
{
    GuidePoints points = ParabolicLeftBorder();
    Put(points, slot::LeftBorder + 1, 300.0, 160.0, false);  // skipped, stale coordinates
    RecordingCanvas canvas;
    const auto anchors = DrawBorderLine(points, Side::Left, kThickness, canvas);
    ASSERT_EQ(canvas.lines.size(), 1u);
    ASSERT_EQ(canvas.lines[0].points.size(), 161u);
    for (const IntPoint &p : canvas.lines[0].points)
        ExpectNearHand(p.x, BorderParabola(p.y), "y " + std::to_string(p.y));
    EXPECT_EQ(anchors[1].y, 160);
    ExpectNearHand(anchors[1].x, BorderParabola(160.0), "anchor of the skipped point");
}

TEST(GeometryBorderLine, twoPointsDrawTheStraightLineThroughThem)
{
    GuidePoints points;
    Put(points, slot::RightBorder, 300.0, 200.0);
    Put(points, slot::RightBorder + 2, 0.0, 120.0, false);
    Put(points, slot::RightBorder + 4, 260.0, 40.0);
    RecordingCanvas canvas;
    const auto anchors = DrawBorderLine(points, Side::Right, 1, canvas);
    ASSERT_EQ(canvas.lines.size(), 1u);
    EXPECT_EQ(canvas.lines[0].width, 1);
    ASSERT_EQ(canvas.lines[0].points.size(), 161u);
    auto line = [](double y) { return 300.0 - (200.0 - y) * 0.25; };
    for (const IntPoint &p : canvas.lines[0].points)
        ExpectNearHand(p.x, line(p.y), "y " + std::to_string(p.y));
    ExpectNearHand(anchors[2].x, 280.0, "anchor at the disabled 2 m row");
    EXPECT_EQ(anchors[2].y, 120);
}

TEST(GeometryBorderLine, degenerateBordersDrawNothingButKeepTheirAnchors)
{
    struct Case {
        const char *name;
        std::function<void(GuidePoints &)> fill;
        IntPoint anchor0;
    };
    const Case cases[] = {
        {"far point below the base point",
         [](GuidePoints &p) { Put(p, 3, 100, 40); Put(p, 7, 140, 200); }, {100, 40}},
        {"single point", [](GuidePoints &p) { Put(p, 3, 100.5, 200); Put(p, 5, 7, 120, false); }, {100, 200}},
        {"no point enabled", [](GuidePoints &p) { Put(p, 3, 77.9, 201.2, false); }, {77, 201}},
        {"NaN point", [](GuidePoints &p) { Put(p, 3, std::nan(""), 200); Put(p, 4, 120, 160); }, {0, 200}},
    };
    for (const Case &c : cases) {
        GuidePoints points;
        c.fill(points);
        RecordingCanvas canvas;
        const auto anchors = DrawBorderLine(points, Side::Left, kThickness, canvas);
        EXPECT_TRUE(canvas.lines.empty()) << c.name;
        EXPECT_EQ(anchors[0].y, c.anchor0.y) << c.name;
        ExpectNearHand(anchors[0].x, c.anchor0.x, c.name);
    }
}

TEST(GeometryBorderLine, singlePointAnchorsEveryRowAtItsColumn)
{
    GuidePoints points;
    Put(points, 4, 123.0, 160.0);
    Put(points, 6, 10.0, 80.0, false);
    RecordingCanvas canvas;
    const auto anchors = DrawBorderLine(points, Side::Left, kThickness, canvas);
    EXPECT_TRUE(canvas.lines.empty());
    ExpectNearHand(anchors[3].x, 123.0, "constant through the one point");
    EXPECT_EQ(anchors[3].y, 80);
}

// Base line: its own points, and borders whose anchors L0 and R0 differ from them.
GuidePoints BaseLineConfiguration()
{
    GuidePoints p;
    Put(p, slot::BaseLeft, 90.0, 215.0);
    Put(p, slot::BaseMiddle, 200.0, 225.0);
    Put(p, slot::BaseRight, 310.0, 215.0);
    const double ys[] = {220, 180, 140, 100, 60};
    for (int k = 0; k < 5; ++k) {
        Put(p, slot::LeftBorder + k, 70.0 + (220.0 - ys[k]) * 0.5, ys[k]);
        Put(p, slot::RightBorder + k, 330.0 - (220.0 - ys[k]) * 0.5, ys[k]);
    }
    return p;
}

TEST(GeometryBaseLine, endsSnapToTheBordersOnlyWithBaseOneAndTwoMetrePoints)
{
    struct Case {
        const char *name;
        int disable;  // slot to disable, -1 none
        bool leftSnaps;
        bool rightSnaps;
    };
    const Case cases[] = {
        {"all border points", -1, true, true},
        {"left 2 m skipped", slot::LeftBorder + 2, false, true},
        {"right 1 m skipped", slot::RightBorder + 1, true, false},
        {"left 3 m skipped", slot::LeftBorder + 3, true, true},
        {"right base skipped", slot::RightBorder, true, false},
    };
    for (const Case &c : cases) {
        GuidePoints points = BaseLineConfiguration();
        if (c.disable >= 0)
            points.enabled[c.disable] = 0;
        RecordingCanvas canvas;
        const auto anchors = DrawGuideLines(points, {kThickness, 2, 15, 15}, canvas);
        const auto base = WithWidth(canvas.lines, kThickness + 1);
        ASSERT_EQ(base.size(), 1u) << c.name;
        ASSERT_FALSE(base[0].segment) << c.name;
        const int expectedFirst = c.leftSnaps ? anchors.left[0].x : 90;
        const int expectedLast = c.rightSnaps ? anchors.right[0].x : 310;
        EXPECT_EQ(base[0].points.front().x, expectedFirst) << c.name;
        EXPECT_EQ(base[0].points.back().x, expectedLast) << c.name;
        EXPECT_EQ(base[0].points.size(), static_cast<size_t>(expectedLast - expectedFirst + 1)) << c.name;
    }
}

TEST(GeometryBaseLine, threePointsDrawTheBowThroughTheMiddlePoint)
{
    GuidePoints points;
    Put(points, slot::BaseLeft, 90.0, 215.0);
    Put(points, slot::BaseMiddle, 200.0, 225.0);
    Put(points, slot::BaseRight, 310.0, 215.0);
    const auto base = WithWidth(Draw(points, {kThickness, 2, 15, 15}), kThickness + 1);
    ASSERT_EQ(base.size(), 1u);
    ASSERT_EQ(base[0].points.size(), 221u);
    for (const IntPoint &p : base[0].points) {
        const double u = (p.x - 200.0) / 110.0;
        ExpectNearHand(p.y, 225.0 - 10.0 * u * u, "x " + std::to_string(p.x));
    }
}

TEST(GeometryBaseLine, skippedMiddleDrawsOneStraightSegmentEvenWhenSnapped)
{
    GuidePoints points = BaseLineConfiguration();
    points.enabled[slot::BaseMiddle] = 0;
    RecordingCanvas canvas;
    const auto anchors = DrawGuideLines(points, {kThickness, 2, 15, 15}, canvas);
    const auto base = WithWidth(canvas.lines, kThickness + 1);
    ASSERT_EQ(base.size(), 1u);
    EXPECT_TRUE(base[0].segment);
    EXPECT_EQ(base[0].points[0], anchors.left[0]);
    EXPECT_EQ(base[0].points[1], anchors.right[0]);

    GuidePoints own;
    Put(own, slot::BaseLeft, 90.7, 215.9);
    Put(own, slot::BaseRight, 310.2, 214.1);
    const auto plain = WithWidth(Draw(own, {kThickness, 2, 15, 15}), kThickness + 1);
    ASSERT_EQ(plain.size(), 1u);
    EXPECT_TRUE(plain[0].segment);
    EXPECT_EQ(plain[0].points[0], (IntPoint{90, 215}));
    EXPECT_EQ(plain[0].points[1], (IntPoint{310, 214}));
}

TEST(GeometryBaseLine, missingEndPointDrawsNothing)
{
    for (int missing : {slot::BaseLeft, slot::BaseRight}) {
        GuidePoints points = BaseLineConfiguration();
        points.enabled[missing] = 0;
        EXPECT_TRUE(WithWidth(Draw(points, {kThickness, 2, 15, 15}), kThickness + 1).empty()) << missing;
    }
}

TEST(GeometryMarkers, tickLengthFollowsTheWidth)
{
    const std::pair<double, int> cases[] = {
        {300, 20}, {100, 15}, {40, 10}, {450, 25}, {375, 25}, {330, 22},
        {-300, 20}, {0, 0}, {2, 0}, {1e308, 25}, {std::nan(""), 0},
    };
    for (const auto &[width, expected] : cases)
        EXPECT_EQ(MarkerTickLength(width), expected) << "width " << width;
}

TEST(GeometryMarkers, eachDistanceShowsTwoTicksOfTheComputedLength)
{
    struct Case {
        int leftX, rightX, tick;
    };
    const Case cases[] = {{100, 400, 20}, {150, 250, 15}, {180, 220, 10}, {0, 450, 25}};
    for (const Case &c : cases) {
        GuidePoints points;
        Put(points, slot::LeftBorder + 2, 0, 160);
        Put(points, slot::RightBorder + 2, 0, 160);
        BorderAnchors anchors;
        anchors.left[2] = {c.leftX, 160};
        anchors.right[2] = {c.rightX, 160};
        RecordingCanvas canvas;
        DrawDistanceMarkers(points, anchors, 4, canvas);
        ASSERT_EQ(canvas.lines.size(), 2u) << c.leftX;
        const auto &left = canvas.lines[0].points;
        const auto &right = canvas.lines[1].points;
        EXPECT_EQ(canvas.lines[0].width, 4);
        EXPECT_EQ(left.front().x, c.leftX);
        EXPECT_EQ(left.back().x, c.leftX + c.tick);
        EXPECT_EQ(left.size(), static_cast<size_t>(c.tick + 1));
        EXPECT_EQ(right.front().x, c.rightX - c.tick);
        EXPECT_EQ(right.back().x, c.rightX);
        EXPECT_EQ(right.size(), static_cast<size_t>(c.tick + 1));
    }
}

TEST(GeometryMarkers, levelBaseLineBowsEveryMarkerByFive)
{
    GuidePoints points;
    for (int s : {0, 1, 2})
        Put(points, s, 100.0 * (s + 1), 220.0);
    const double rows[] = {220, 180, 140, 100, 60};
    for (int k = 0; k < 5; ++k) {
        Put(points, slot::LeftBorder + k, 100, rows[k]);
        Put(points, slot::RightBorder + k, 300, rows[k]);
    }
    for (int k = 1; k <= 4; ++k)
        EXPECT_EQ(MarkerBow(points, k), 5.0) << k;

    BorderAnchors anchors;
    for (int k = 0; k < 5; ++k) {
        anchors.left[k] = {100, static_cast<int>(rows[k])};
        anchors.right[k] = {300, static_cast<int>(rows[k])};
    }
    RecordingCanvas canvas;
    DrawDistanceMarkers(points, anchors, kThickness, canvas);
    ASSERT_EQ(canvas.lines.size(), 8u);
    // Width 200: ticks of 15, on y = row + 5 (1 - ((x - 200) / 100)^2).
    for (int k = 1; k <= 4; ++k) {
        for (int side = 0; side < 2; ++side) {
            const auto &tick = canvas.lines[2 * (k - 1) + side].points;
            ASSERT_EQ(tick.size(), 16u);
            for (const IntPoint &p : tick) {
                const double u = (p.x - 200.0) / 100.0;
                ExpectNearHand(p.y, rows[k] + 5.0 * (1.0 - u * u), "x " + std::to_string(p.x));
            }
        }
    }
}

TEST(GeometryMarkers, bowShrinksFromTheBaseTowardsTheReferenceRow)
{
    struct Case {
        const char *name;
        double y0, y1, y2;
        bool reference3m;  // slot 6 enabled
        double row3m;
        double rowK;
        double expected;
    };
    const Case cases[] = {
        {"at the base row", 200, 230, 200, false, 0, 200, 30},
        {"half way to row 125", 200, 230, 200, false, 0, 162.5, 15},
        {"raised to 5", 200, 230, 200, false, 0, 140, 6},
        {"beyond the reference row", 200, 230, 200, false, 0, 50, 5},
        {"3 m point as reference", 200, 230, 200, true, 100, 162.5, 18.75},
        {"right end counts half", 200, 210, 220, false, 0, 200, 20},
        {"reference row on the base row", 200, 230, 200, true, 200, 160, 5},
        {"base line bowing upwards", 200, 180, 200, false, 0, 200, 5},
    };
    for (const Case &c : cases) {
        GuidePoints points;
        Put(points, 0, 0, c.y0, false);
        Put(points, 1, 0, c.y1, false);
        Put(points, 2, 0, c.y2, false);
        Put(points, slot::LeftBorder, 100, 200);
        Put(points, slot::LeftBorder + 3, 100, c.row3m, c.reference3m);
        Put(points, slot::LeftBorder + 1, 100, c.rowK);
        EXPECT_DOUBLE_EQ(MarkerBow(points, 1), c.expected) << c.name;
    }
}

TEST(GeometryMarkers, drawnOnlyWhereBothBordersHaveTheDistancePoint)
{
    GuidePoints points = BaseLineConfiguration();
    points.enabled[slot::LeftBorder + 1] = 0;   // 1 m left
    points.enabled[slot::RightBorder + 3] = 0;  // 3 m right
    RecordingCanvas canvas;
    const auto anchors = DrawGuideLines(points, {kThickness, 2, 15, 15}, canvas);
    const auto ticks = WithWidth(canvas.lines, kThickness);
    // Two border lines, then two ticks for each of 2 m and 4 m.
    ASSERT_EQ(ticks.size(), 2u + 4u);
    EXPECT_EQ(ticks[2].points.front().x, anchors.left[2].x);
    EXPECT_EQ(ticks[3].points.back().x, anchors.right[2].x);
    EXPECT_EQ(ticks[4].points.front().x, anchors.left[4].x);
    EXPECT_EQ(ticks[5].points.back().x, anchors.right[4].x);
}

TEST(GeometryGuideLines, drawInTheFixedOrder)
{
    GuidePoints points = BaseLineConfiguration();
    Put(points, 13, 100, 100);
    Put(points, 14, 150, 80);
    Put(points, 15, 200, 100);
    Put(points, 18, 300, 100);
    Put(points, 19, 250, 80);
    Put(points, 20, 200, 100);
    const auto lines = Draw(points, {2, 5, 15, 15});
    // left border, right border, base line, 8 ticks, then the dashes.
    ASSERT_GT(lines.size(), 11u);
    EXPECT_EQ(lines[0].points.back().x, lines[2].points.front().x);  // base snapped to the left border
    EXPECT_EQ(lines[1].points.back().x, lines[2].points.back().x);
    EXPECT_EQ(lines[2].width, 3);
    for (size_t i = 3; i < 11; ++i)
        EXPECT_EQ(lines[i].width, 2) << i;
    for (size_t i = 11; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].style, PenStyle::Dotted) << i;
        EXPECT_EQ(lines[i].width, 5) << i;
    }
    EXPECT_LT(lines[11].points.front().x, lines[11].points.back().x);    // left curve first
    EXPECT_GT(lines.back().points.front().x, lines.back().points.back().x);  // right curve last
}

} // namespace
