#include "PainterCanvas.h"

#include "GuideLineGeometry.h"

#include <algorithm>

namespace {

// Widest pen drawn, plane units. A stroke this wide already covers the whole
// 440 x 350 canvas from anywhere near it; wider ones only cost time.
constexpr int kMaxPenWidth = 2048;

QPointF ToPointF(geometry::IntPoint p)
{
    return {static_cast<qreal>(p.x), static_cast<qreal>(p.y)};
}

} // namespace

PainterCanvas::PainterCanvas(QPainter &painter)
    : painter_(painter)
{
    polygon_.reserve(geometry::kMaxSamples);
}

QPen PainterCanvas::MakePen(geometry::PenStyle style, int width, geometry::Rgb colour)
{
    QPen pen(QColor(colour.r, colour.g, colour.b));
    if (width <= 1) {
        pen.setWidth(0);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        if (style == geometry::PenStyle::Dotted)
            pen.setDashPattern({3.0, 3.0});
        return pen;
    }
    pen.setWidth(std::min(width, kMaxPenWidth));
    pen.setStyle(Qt::SolidLine);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void PainterCanvas::SelectPen(geometry::PenStyle style, int width, geometry::Rgb colour)
{
    painter_.setPen(MakePen(style, width, colour));
}

void PainterCanvas::Segment(geometry::IntPoint from, geometry::IntPoint to)
{
    painter_.drawLine(ToPointF(from), ToPointF(to));
}

void PainterCanvas::Polyline(std::span<const geometry::IntPoint> points)
{
    if (points.size() < 2)
        return;
    polygon_.clear();
    for (const auto &p : points)
        polygon_.append(ToPointF(p));
    painter_.drawPolyline(polygon_);
}
