#pragma once

// Canvas of the guide-line geometry on a QPainter. The painter's transform
// maps plane units onto the device. Drawing is never anti-aliased, as the
// module picture is 1 bit per pixel.

#include "Canvas.h"

#include <QPainter>
#include <QPen>
#include <QPolygonF>

class PainterCanvas : public geometry::Canvas {
public:
    explicit PainterCanvas(QPainter &painter);

    // The pen the canvas uses for a selection: width 0 or 1 (or below) is a
    // one-pixel cosmetic pen, dotted 3 on 3 off when asked; wider pens are in
    // plane units, solid, with round ends and joins.
    static QPen MakePen(geometry::PenStyle style, int width, geometry::Rgb colour);

    void SelectPen(geometry::PenStyle style, int width, geometry::Rgb colour) override;
    void Segment(geometry::IntPoint from, geometry::IntPoint to) override;
    void Polyline(std::span<const geometry::IntPoint> points) override;

private:
    QPainter &painter_;
    QPolygonF polygon_;
};
