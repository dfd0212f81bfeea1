#pragma once

// A canvas that records what the guide-line geometry draws.

#include "Canvas.h"
#include "GuideLineGeometry.h"

#include <ostream>
#include <vector>

namespace geometry {
inline void PrintTo(const IntPoint &p, std::ostream *os) { *os << "(" << p.x << ", " << p.y << ")"; }
inline void PrintTo(const Dash &d, std::ostream *os) { *os << "{" << d.start << ", " << d.count << "}"; }
} // namespace geometry

struct RecordedLine {
    bool segment = false;  // a Segment call, else a Polyline
    geometry::PenStyle style = geometry::PenStyle::Solid;
    int width = 0;
    geometry::Rgb colour;
    std::vector<geometry::IntPoint> points;
};

class RecordingCanvas : public geometry::Canvas {
public:
    void SelectPen(geometry::PenStyle style, int width, geometry::Rgb colour) override
    {
        style_ = style;
        width_ = width;
        colour_ = colour;
        penSelected_ = true;
    }
    void Segment(geometry::IntPoint from, geometry::IntPoint to) override
    {
        lines.push_back({true, style_, width_, colour_, {from, to}});
        everyCallHadPen = everyCallHadPen && penSelected_;
    }
    void Polyline(std::span<const geometry::IntPoint> points) override
    {
        lines.push_back({false, style_, width_, colour_, {points.begin(), points.end()}});
        everyCallHadPen = everyCallHadPen && penSelected_;
    }

    std::vector<RecordedLine> lines;
    bool everyCallHadPen = true;

private:
    geometry::PenStyle style_ = geometry::PenStyle::Solid;
    int width_ = -1;
    geometry::Rgb colour_;
    bool penSelected_ = false;
};

// A point table built slot by slot, in plane units.
inline void Put(geometry::GuidePoints &points, int slot, double x, double y, bool enabled = true)
{
    points.points[slot] = {x, y};
    points.enabled[slot] = enabled ? 1 : 0;
}
