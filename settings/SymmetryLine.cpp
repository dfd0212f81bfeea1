#include "SymmetryLine.h"

#include "GridGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

// A computed coordinate within the entry range; a value that is no number at
// all (from a hand-edited file) becomes fallback.
double WithinGrid(double v, double fallback)
{
    if (std::isnan(v))
        return fallback;
    return std::clamp(v, Grid::kLowest, Grid::kHighest);
}

// A copied y: kept as the left side holds it, unless it is no finite number.
double FiniteY(double y)
{
    return std::isfinite(y) ? y : WithinGrid(y, 0.0);
}

struct Point {
    double x = 0, y = 0;
    unsigned char flag = 0;
};

Point Get(const Settings &s, int slot)
{
    Point p;
    s.GetPoint(slot, p.x, p.y, p.flag);
    return p;
}

} // namespace

void MirrorRightSide(Settings &s, double p, double d)
{
    const double y1 = Get(s, 1).y;
    for (int i = 3; i <= 7; ++i) {
        const Point left = Get(s, i);
        // The line's x at the height of border point i.
        double m = p;
        if (d != 0 && y1 != 0) {
            m = p + (y1 - left.y) * d / y1;
            if (std::isnan(m))
                m = p;
        }
        const double onLine = WithinGrid(m, p);
        const double xr = WithinGrid(2 * m - left.x, onLine);
        s.SetPoint(i + 5, xr, FiniteY(left.y), left.flag);
        // The base line's right point is the right border's base point.
        if (i == 3) {
            const Point end = Get(s, 2);
            s.SetPoint(2, xr, end.y, end.flag);
        }
        // The curve point is mirrored about the line's x at the height of
        // border point i, not at its own.
        const Point curve = Get(s, i + 10);
        s.SetPoint(i + 15, WithinGrid(2 * m - curve.x, onLine), FiniteY(curve.y), curve.flag);
    }
    s.MirrorX = p;
    s.MirrorShift = d;
    s.MirrorY = std::isfinite(y1) ? y1 : 0.0;
    s.MirrorUsing = true;
}
