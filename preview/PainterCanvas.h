#pragma once

// Canvas of the guide-line geometry on a QPainter. The painter's transform
// maps plane units onto the device (scale and translation only); it is read
// when a pen is selected. Drawing is never anti-aliased, as the module
// picture is 1 bit per pixel.

#include "Canvas.h"

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPolygonF>
#include <QRect>
#include <QTransform>
#include <QVector>

#include <cstdint>
#include <vector>

class PainterCanvas : public geometry::Canvas {
public:
    explicit PainterCanvas(QPainter &painter);
    ~PainterCanvas() override;
    PainterCanvas(const PainterCanvas &) = delete;
    PainterCanvas &operator=(const PainterCanvas &) = delete;

    // The pen the canvas uses for a selection: width 0 or 1 (or below) is a
    // one-pixel cosmetic pen, dotted 3 on 3 off when asked; wider pens are in
    // plane units (at most 32), solid, with round ends and joins: they cover
    // the pixels whose centres lie within half the width of the line, a pen
    // n units wide n pixels across.
    static QPen MakePen(geometry::PenStyle style, int width, geometry::Rgb colour);

    void SelectPen(geometry::PenStyle style, int width, geometry::Rgb colour) override;
    void Segment(geometry::IntPoint from, geometry::IntPoint to) override;
    void Polyline(std::span<const geometry::IntPoint> points) override;

    // Wide strokes are gathered and drawn together; this draws what is
    // pending. Called on a change of colour, before drawing through Qt and on
    // destruction; call it before drawing on the painter directly.
    void Flush();

private:
    void FillWideStroke();

    QPainter &painter_;
    QPolygonF polygon_;
    int width_ = 0;
    QColor colour_;
    // Wide strokes of the selected pen are filled here when the painter's
    // transform only scales and moves, on a device without a pixel ratio;
    // otherwise Qt draws (radius_ 0).
    QTransform transform_;
    double radius_ = 0.0;  // half the pen width, device pixels
    int deviceWidth_ = 0;
    int deviceHeight_ = 0;
    std::vector<QPointF> device_;  // the stroke being filled, device pixels
    std::vector<std::uint8_t> mask_;  // pending wide strokes, one byte per device pixel
    int maskWidth_ = 0;
    QRect dirty_;                     // where the mask may hold set pixels
    QVector<QRect> runs_;
};
