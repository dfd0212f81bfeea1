#include "GuideLineGeometry.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace geometry {

namespace {

int SaturateToInt(std::int64_t value)
{
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

int SaturatingAdd(int a, int b)
{
    return SaturateToInt(static_cast<std::int64_t>(a) + b);
}

// Which coordinate a fitted polynomial gives: border lines give x from y,
// all other lines y from x.
enum class Axis { XFromY, YFromX };

IntPoint MakePoint(Axis axis, std::int64_t t, int value)
{
    const int ti = SaturateToInt(t);
    return axis == Axis::XFromY ? IntPoint{value, ti} : IntPoint{ti, value};
}

// Samples the polynomial at every integer t from `start` in steps of +1
// while t <= end (or of -1 while t >= end), up to the buffer's capacity.
void Sample(const Polynomial &p, int start, double end, int step, Axis axis, SampleBuffer &out)
{
    out.Clear();
    for (std::int64_t t = start; !out.Full(); t += step) {
        const double td = static_cast<double>(t);
        if (step > 0 ? !(td <= end) : !(td >= end))
            break;
        out.Add(MakePoint(axis, t, p.EvaluateTrunc(td)));
    }
}

void DrawSamples(const SampleBuffer &samples, Canvas &canvas)
{
    if (samples.Size() >= 2)
        canvas.Polyline(samples.Points());
}

double Distance(IntPoint a, IntPoint b)
{
    const double dx = static_cast<double>(std::llabs(static_cast<std::int64_t>(a.x) - b.x));
    const double dy = static_cast<double>(std::llabs(static_cast<std::int64_t>(a.y) - b.y));
    return std::sqrt(dx * dx + dy * dy);
}

int BorderFirstSlot(Side side)
{
    return side == Side::Left ? slot::LeftBorder : slot::RightBorder;
}

} // namespace

std::array<IntPoint, slot::PerBorder> DrawBorderLine(const GuidePoints &points, Side side, int thickness,
                                                     Canvas &canvas)
{
    const int first = BorderFirstSlot(side);
    std::array<double, slot::PerBorder> ys{};
    std::array<double, slot::PerBorder> xs{};
    size_t n = 0;
    for (int k = 0; k < slot::PerBorder; ++k) {
        if (points.IsEnabled(first + k)) {
            ys[n] = points.At(first + k).y;
            xs[n] = points.At(first + k).x;
            ++n;
        }
    }

    std::array<IntPoint, slot::PerBorder> anchors{};
    for (int k = 0; k < slot::PerBorder; ++k)
        anchors[k] = {TruncToInt(points.At(first + k).x), TruncToInt(points.At(first + k).y)};
    if (n == 0)
        return anchors;
    const auto fit = FitPolynomial(std::span(ys.data(), n), std::span(xs.data(), n));
    if (!fit)
        return anchors;

    const double yFirst = ys[0];
    const double yLast = ys[n - 1];
    SampleBuffer samples;
    Sample(*fit, TruncToInt(yLast), yFirst, +1, Axis::XFromY, samples);
    canvas.SelectPen(PenStyle::Solid, thickness, kLineColour);
    DrawSamples(samples, canvas);

    for (int k = 0; k < slot::PerBorder; ++k) {
        const int y = TruncToInt(points.At(first + k).y);
        anchors[k] = {fit->EvaluateTrunc(y), y};
    }
    return anchors;
}

void DrawBaseLine(const GuidePoints &points, const BorderAnchors &anchors, int thickness, Canvas &canvas)
{
    PlanePoint a = points.At(slot::BaseLeft);
    PlanePoint c = points.At(slot::BaseRight);
    // The ends snap to the border lines once each border has its base, 1 m
    // and 2 m points.
    if (points.IsEnabled(slot::LeftBorder) && points.IsEnabled(slot::LeftBorder + 1)
        && points.IsEnabled(slot::LeftBorder + 2))
        a = {static_cast<double>(anchors.left[0].x), static_cast<double>(anchors.left[0].y)};
    if (points.IsEnabled(slot::RightBorder) && points.IsEnabled(slot::RightBorder + 1)
        && points.IsEnabled(slot::RightBorder + 2))
        c = {static_cast<double>(anchors.right[0].x), static_cast<double>(anchors.right[0].y)};

    if (!points.IsEnabled(slot::BaseLeft) || !points.IsEnabled(slot::BaseRight))
        return;
    const int width = SaturatingAdd(thickness, 1);
    if (!points.IsEnabled(slot::BaseMiddle)) {
        canvas.SelectPen(PenStyle::Solid, width, kLineColour);
        canvas.Segment({TruncToInt(a.x), TruncToInt(a.y)}, {TruncToInt(c.x), TruncToInt(c.y)});
        return;
    }
    const PlanePoint &b = points.At(slot::BaseMiddle);
    const std::array<double, 3> xs{a.x, b.x, c.x};
    const std::array<double, 3> ys{a.y, b.y, c.y};
    const auto fit = FitPolynomial(xs, ys);
    if (!fit)
        return;
    SampleBuffer samples;
    Sample(*fit, TruncToInt(a.x), c.x, +1, Axis::YFromX, samples);
    canvas.SelectPen(PenStyle::Solid, width, kLineColour);
    DrawSamples(samples, canvas);
}

int MarkerTickLength(double width)
{
    // The constant is 1/15 rounded to double, so that multiples of 15 give
    // whole numbers.
    std::int64_t h = std::llabs(static_cast<std::int64_t>(TruncToInt(width * 0.06666666666666667)));
    if (h >= 25)
        h = 25;
    else if (h <= 15)
        h = 15;
    const std::int64_t quarter = std::llabs(static_cast<std::int64_t>(TruncToInt(width * 0.25)));
    if (h >= quarter)
        h = quarter;
    return static_cast<int>(h);
}

double MarkerBow(const GuidePoints &points, int distance)
{
    const double y0 = points.At(slot::BaseLeft).y;
    const double y1 = points.At(slot::BaseMiddle).y;
    const double y2 = points.At(slot::BaseRight).y;
    const double bow = (y1 - y0) + (y2 - y0) * 0.5;
    const int referenceSlot = slot::LeftBorder + 3;
    const double reference = points.IsEnabled(referenceSlot) ? points.At(referenceSlot).y : 125.0;
    const double baseRow = points.At(slot::LeftBorder).y;
    constexpr double kMinimumBow = 5.0;
    if (baseRow == reference)
        return kMinimumBow;
    double f = bow * (points.At(slot::LeftBorder + distance).y - reference) / (baseRow - reference);
    if (f < kMinimumBow)
        f = kMinimumBow;
    return f;
}

void DrawDistanceMarkers(const GuidePoints &points, const BorderAnchors &anchors, int thickness,
                         Canvas &canvas)
{
    SampleBuffer samples;
    for (int k = 1; k < slot::PerBorder; ++k) {
        if (!points.IsEnabled(slot::LeftBorder + k) || !points.IsEnabled(slot::RightBorder + k))
            continue;
        const PlanePoint e1{static_cast<double>(anchors.left[k].x), static_cast<double>(anchors.left[k].y)};
        const PlanePoint e2{static_cast<double>(anchors.right[k].x), static_cast<double>(anchors.right[k].y)};
        PlanePoint m{(e2.x - e1.x) * 0.5 + e1.x, (e2.y - e1.y) * 0.5 + e1.y};
        m.y += MarkerBow(points, k);

        const std::array<double, 3> xs{e1.x, m.x, e2.x};
        const std::array<double, 3> ys{e1.y, m.y, e2.y};
        const auto fit = FitPolynomial(xs, ys);
        if (!fit)
            continue;
        const int h = MarkerTickLength(e2.x - e1.x);
        canvas.SelectPen(PenStyle::Solid, thickness, kLineColour);
        Sample(*fit, TruncToInt(e1.x), e1.x + h, +1, Axis::YFromX, samples);
        DrawSamples(samples, canvas);
        Sample(*fit, TruncToInt(e2.x - h), e2.x, +1, Axis::YFromX, samples);
        DrawSamples(samples, canvas);
    }
}

void CutIntoDashes(std::span<const IntPoint> samples, int dashLength, int gapLength, DashTable &table)
{
    table.count = 0;
    const int n = static_cast<int>(std::min<size_t>(samples.size(), kMaxSamples));
    if (n == 0)
        return;
    if (dashLength <= 0 && gapLength <= 0) {
        // Neither walk would advance: the whole curve is one dash.
        table.entries[table.count++] = {0, n};
        return;
    }
    const double dash = dashLength;
    const double gap = gapLength;
    int start = 0;
    while (table.count < kMaxSamples) {
        int end = start;
        while (end < n - 1 && Distance(samples[start], samples[end]) < dash)
            ++end;
        table.entries[table.count++] = {start, end - start + 1};
        if (end == n - 1)
            return;
        int next = end;
        while (next < n && Distance(samples[end], samples[next]) < gap)
            ++next;
        if (next == n)
            return;
        // With a gap of 0 (or below) the next dash starts on this one's end.
        // It still advances, as a dash above 0 always takes two samples or more.
        if (next == start)
            return;
        start = next;
    }
}

void DrawCurve(const GuidePoints &points, Side side, const LineStyle &style, Canvas &canvas)
{
    const int first = side == Side::Left ? slot::LeftCurve : slot::RightCurve;
    std::array<double, slot::PerCurve> xs{};
    std::array<double, slot::PerCurve> ys{};
    size_t n = 0;
    while (n < slot::PerCurve && points.IsEnabled(first + static_cast<int>(n))) {
        xs[n] = points.At(first + static_cast<int>(n)).x;
        ys[n] = points.At(first + static_cast<int>(n)).y;
        ++n;
    }
    if (n < 2)
        return;
    const auto fit = FitPolynomial(std::span(xs.data(), n), std::span(ys.data(), n));
    if (!fit)
        return;
    // The left curve runs left to right, the right curve right to left.
    SampleBuffer samples;
    Sample(*fit, TruncToInt(xs[0]), xs[n - 1], side == Side::Left ? +1 : -1, Axis::YFromX, samples);

    if (style.curveThickness < 2) {
        canvas.SelectPen(PenStyle::Dotted, style.curveThickness, kLineColour);
        DrawSamples(samples, canvas);
        return;
    }
    constexpr int kMinimumDashedSamples = 10;
    if (samples.Size() < kMinimumDashedSamples)
        return;
    DashTable dashes;
    CutIntoDashes(samples.Points(), style.dashLength, style.gapLength, dashes);
    canvas.SelectPen(PenStyle::Dotted, style.curveThickness, kLineColour);
    const auto all = samples.Points();
    for (const Dash &d : dashes.Dashes()) {
        if (d.count >= 2)
            canvas.Polyline(all.subspan(static_cast<size_t>(d.start), static_cast<size_t>(d.count)));
    }
}

BorderAnchors DrawGuideLines(const GuidePoints &points, const LineStyle &style, Canvas &canvas)
{
    BorderAnchors anchors;
    anchors.left = DrawBorderLine(points, Side::Left, style.borderThickness, canvas);
    anchors.right = DrawBorderLine(points, Side::Right, style.borderThickness, canvas);
    DrawBaseLine(points, anchors, style.borderThickness, canvas);
    DrawDistanceMarkers(points, anchors, style.borderThickness, canvas);
    DrawCurve(points, Side::Left, style, canvas);
    DrawCurve(points, Side::Right, style, canvas);
    return anchors;
}

} // namespace geometry
