#pragma once

// The drawing surface the guide-line geometry draws on. Coordinates are
// plane units (one unit is one pixel of the module's 400 x 312 picture); the
// implementation maps them onto its device.

#include <cstdint>
#include <span>

namespace geometry {

struct IntPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const IntPoint &, const IntPoint &) = default;
};

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb &, const Rgb &) = default;
};

enum class PenStyle { Solid, Dotted };

class Canvas {
public:
    virtual ~Canvas() = default;

    // Selects the pen for the following segments and polylines. A width of 0
    // or 1 is one device pixel; a pen wider than 1 draws solid (also when
    // dotted) with round ends and joins.
    virtual void SelectPen(PenStyle style, int width, Rgb colour) = 0;
    virtual void Segment(IntPoint from, IntPoint to) = 0;
    // Only called with two points or more.
    virtual void Polyline(std::span<const IntPoint> points) = 0;
};

} // namespace geometry
