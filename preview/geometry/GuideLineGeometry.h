#pragma once

// Guide-line geometry: turns the guide points into the border lines, the
// base line, the distance markers and the two curves, and draws them on a
// Canvas. Everything is recomputed per paint; nothing is kept in between.
// All coordinates are plane units (x 0..400, y 0..250 across the grid,
// y growing downward). Safe for any double and int a configuration file can
// hold: integer conversions saturate, polylines are capped at kMaxSamples
// samples and every loop ends.

#include "Canvas.h"
#include "PolynomialFit.h"

#include <array>
#include <cstdint>
#include <span>

namespace geometry {

constexpr int kSlotCount = 34;      // point slots; 0..22 are used
constexpr int kUsedSlotCount = 23;
constexpr int kMaxSamples = 2048;   // longest polyline, and size of the dash table

// Slot numbers of the guide points.
namespace slot {
constexpr int BaseLeft = 0;
constexpr int BaseMiddle = 1;
constexpr int BaseRight = 2;
constexpr int LeftBorder = 3;   // 3..7: on the base line, at 1, 2, 3, 4 m
constexpr int RightBorder = 8;  // 8..12: same order
constexpr int LeftCurve = 13;   // 13..17
constexpr int RightCurve = 18;  // 18..22
constexpr int PerBorder = 5;
constexpr int PerCurve = 5;
} // namespace slot

constexpr Rgb kLineColour{0, 255, 0};

struct PlanePoint {
    double x = 0.0;
    double y = 0.0;
};

// The point table: coordinates in plane units and one enabled flag per slot.
struct GuidePoints {
    std::array<PlanePoint, kSlotCount> points{};
    std::array<std::uint8_t, kSlotCount> enabled{};

    bool IsEnabled(int index) const { return index >= 0 && index < kSlotCount && enabled[index] != 0; }
    const PlanePoint &At(int index) const { return points[index]; }
};

// Thicknesses and dash pattern, plane units.
struct LineStyle {
    int borderThickness = 3;
    int curveThickness = 2;
    int dashLength = 15;
    int gapLength = 15;
};

enum class Side { Left, Right };

// Where the border lines cross the rows of their five points (index 0 = the
// base-line point, 1..4 = 1..4 m). A border without a usable fit anchors each
// slot at its own stored point.
struct BorderAnchors {
    std::array<IntPoint, slot::PerBorder> left{};
    std::array<IntPoint, slot::PerBorder> right{};
};

// A fixed buffer of integer samples; adding beyond kMaxSamples is refused.
class SampleBuffer {
public:
    bool Add(IntPoint p)
    {
        if (count_ >= kMaxSamples)
            return false;
        points_[count_++] = p;
        return true;
    }
    int Size() const { return count_; }
    bool Full() const { return count_ >= kMaxSamples; }
    void Clear() { count_ = 0; }
    std::span<const IntPoint> Points() const { return {points_.data(), static_cast<size_t>(count_)}; }

private:
    std::array<IntPoint, kMaxSamples> points_;
    int count_ = 0;
};

struct Dash {
    int start = 0;  // index of the first sample
    int count = 0;  // samples in the dash
    friend bool operator==(const Dash &, const Dash &) = default;
};

struct DashTable {
    std::array<Dash, kMaxSamples> entries;
    int count = 0;
    std::span<const Dash> Dashes() const { return {entries.data(), static_cast<size_t>(count)}; }
};

// Draws the whole set in its fixed order: left border, right border, base
// line, distance markers, left curve, right curve. Returns the anchors that
// the labels of the same paint sit on.
BorderAnchors DrawGuideLines(const GuidePoints &points, const LineStyle &style, Canvas &canvas);

// The steps of DrawGuideLines, each usable alone.
std::array<IntPoint, slot::PerBorder> DrawBorderLine(const GuidePoints &points, Side side, int thickness,
                                                     Canvas &canvas);
void DrawBaseLine(const GuidePoints &points, const BorderAnchors &anchors, int thickness, Canvas &canvas);
void DrawDistanceMarkers(const GuidePoints &points, const BorderAnchors &anchors, int thickness,
                         Canvas &canvas);
void DrawCurve(const GuidePoints &points, Side side, const LineStyle &style, Canvas &canvas);

// Length in plane units of each of the two ticks of a distance marker whose
// ends are `width` apart: width/15 kept within 15..25, but never more than a
// quarter of the width.
int MarkerTickLength(double width);

// How far the middle of the marker at distance k (1..4 m) is pushed down:
// the bow of the base line shrinking linearly towards the reference row
// (the 3 m row, else 125), never below 5.
double MarkerBow(const GuidePoints &points, int distance);

// Cuts samples into dashes of at least dashLength followed by gaps of at
// least gapLength (Euclidean distances between samples). Dash and gap both
// 0 (or below) give one dash over all samples.
void CutIntoDashes(std::span<const IntPoint> samples, int dashLength, int gapLength, DashTable &table);

} // namespace geometry
