#include "GuideLineRenderer.h"

#include "GridGeometry.h"

#include "PainterCanvas.h"
#include "ResourceIds.h"
#include "Settings.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

using geometry::IntPoint;
using geometry::Rgb;

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QColor kFrameColour(128, 128, 128);
constexpr QColor kGridColour(192, 192, 192);
constexpr QColor kPointColour(0, 255, 255);
constexpr QColor kCursorColour(255, 255, 255);
constexpr QColor kTextColour(0, 255, 0);
constexpr Rgb kMirrorLineColour{255, 255, 255};
constexpr int kMirrorLineWidth = 3;

// Plane size of the calibration grid: 10 x 10 cells of 40 x 25.
constexpr int kGridWidth = 400;
constexpr int kGridHeight = 250;
constexpr int kGridCells = 10;

constexpr int kPointRadius = 5;    // canvas units
constexpr int kCursorRadius = 10;  // canvas units

// Label heights beyond this draw at this height: a glyph already larger
// than many whole canvases.
constexpr int kMaxFontHeight = 4096;

QPen CosmeticPen(const QColor &colour)
{
    QPen pen(colour);
    pen.setWidth(0);
    pen.setCosmetic(true);
    return pen;
}

// Label texts are drawn up to this many characters (a surrogate pair is
// kept whole). More cannot fit on the canvas at any readable height, and Qt
// measures a text in 26.6 fixed point, which a text of some thousands of
// characters at the largest font height overflows; a longer text would also
// cost time in proportion to its length on every paint.
constexpr qsizetype kMaxLabelLength = 1024;

// Plane coordinates are saturated ints; sums with offsets go through 64 bits
// and are drawn as doubles, so nothing overflows.
double Add(std::int64_t a, std::int64_t b)
{
    return static_cast<double>(a + b);
}

// Whether a rectangle in the painter's coordinates touches its device. Text,
// its box and pictures are handed to Qt only then: Qt turns their device
// coordinates into ints without clipping first, and a box whose edge lies
// past the int range comes out as a band across the whole picture.
bool OnDevice(const QPainter &painter, const QRectF &rect)
{
    const QPaintDevice *device = painter.device();
    if (device == nullptr)
        return false;
    // A device with a pixel ratio counts its size in either unit; the larger
    // reading may only let through a rectangle just off the device.
    const double ratio = std::max(1.0, device->devicePixelRatioF());
    const QRectF area(0, 0, device->width() * ratio, device->height() * ratio);
    return painter.deviceTransform().mapRect(rect).intersects(area);
}

QString ShownLabel(const QString &text)
{
    if (text.size() <= kMaxLabelLength)
        return text;
    const qsizetype cut = text.at(kMaxLabelLength - 1).isHighSurrogate() ? kMaxLabelLength - 1 : kMaxLabelLength;
    return text.left(cut);
}

// A radius in canvas units made round on the device: the radius in whole
// device pixels, back in canvas units.
double RoundRadius(int radius, double scale)
{
    const double device = std::max(1.0, std::round(radius * scale));
    return device / scale;
}

QFont LabelFont(int height)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(height));
    font.setPixelSize(static_cast<int>(std::clamp<std::int64_t>(magnitude, 1, kMaxFontHeight)));
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

enum class TextAlign { TopLeft, BaselineCentre, BaselineLeft, BaselineRight };

} // namespace

GuideLineRenderer::GuideLineRenderer()
    : baseLineText_(QStringLiteral("0.5 м"))
    , labelLineText_{QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")}
    , indicator_(Ids::BitmapPath(Ids::BITMAP_PARKING_SCALE))
{
}

void GuideLineRenderer::SetPoint(int slot, double gridX, double gridY, bool enabled)
{
    if (slot < 0 || slot >= geometry::kSlotCount)
        return;
    if (enabled)
        points_.points[slot] = {gridX * Grid::kCellWidth, gridY * Grid::kCellHeight};
    points_.enabled[slot] = enabled ? 1 : 0;
}

bool GuideLineRenderer::IsPointEnabled(int slot) const
{
    return points_.IsEnabled(slot);
}

geometry::PlanePoint GuideLineRenderer::Point(int slot) const
{
    if (slot < 0 || slot >= geometry::kSlotCount)
        return {};
    return points_.points[slot];
}

void GuideLineRenderer::SetLabelShift(int x, int y)
{
    labelShiftX_ = x;
    labelShiftY_ = y;
}

void GuideLineRenderer::SetLabelLineText(int index, const QString &text)
{
    if (index >= 0 && index < static_cast<int>(labelLineText_.size()))
        labelLineText_[index] = text;
}

void GuideLineRenderer::SetMirrorLine(double position, double deviation)
{
    mirrorPosition_ = position;
    mirrorDeviation_ = deviation;
}

void GuideLineRenderer::SetIndicatorPosition(int x, int y)
{
    indicatorX_ = x;
    indicatorY_ = y;
}

void GuideLineRenderer::DrawScreen(QPainter &painter, QSize client, bool focusFrame, bool cursorVisible) const
{
    // Canvas mapping: isotropic onto the client area.
    double scale = std::min(static_cast<double>(client.width()) / kCanvasWidth,
                            static_cast<double>(client.height()) / kCanvasHeight);
    if (!(scale > 0.0))
        scale = 1.0;
    Draw(painter, false, scale, focusFrame, cursorVisible);
}

void GuideLineRenderer::DrawExport(QPainter &painter) const
{
    // One canvas unit per pixel.
    Draw(painter, true, 1.0, false, false);
}

QImage GuideLineRenderer::RenderExport() const
{
    QImage picture(kExportWidth, kExportHeight, QImage::Format_RGB32);
    picture.fill(kBlack);
    {
        QPainter painter(&picture);
        DrawExport(painter);
    }
    return picture;
}

void GuideLineRenderer::Draw(QPainter &painter, bool exportMode, double scale, bool focusFrame, bool cursorVisible) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);

    if (!exportMode)
        painter.scale(scale, scale);
    painter.fillRect(QRectF(0, 0, kCanvasWidth, kCanvasHeight), QColor(kBlack));

    if (!exportMode && focusFrame) {
        painter.save();
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        QPen focus = CosmeticPen(Qt::white);
        focus.setStyle(Qt::DotLine);
        painter.setPen(focus);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(2, 2, kCanvasWidth - 5, kCanvasHeight - 5));
        painter.restore();
    }

    if (!exportMode) {
        painter.setPen(CosmeticPen(kFrameColour));
        painter.drawLine(20, 20, 420, 20);
        painter.drawLine(20, 330, 420, 330);
        painter.drawLine(20, 20, 20, 330);
        painter.drawLine(420, 20, 420, 330);
    }

    painter.translate(exportMode ? 0.0 : 20.0, Add(exportMode ? 0 : 20, gridShift_));

    if (!exportMode && showGrid_) {
        painter.setPen(CosmeticPen(kGridColour));
        for (int i = 0; i <= kGridCells; ++i) {
            const int y = i * kGridHeight / kGridCells;
            const int x = i * kGridWidth / kGridCells;
            painter.drawLine(0, y, kGridWidth, y);
            painter.drawLine(x, 0, x, kGridHeight);
        }
    }

    if (!exportMode && showPoints_)
        DrawPointDiscs(painter, scale);

    if (showLines_) {
        PainterCanvas canvas(painter);
        const geometry::BorderAnchors anchors = geometry::DrawGuideLines(points_, style_, canvas);
        canvas.Flush();
        DrawLabels(painter, anchors);
        if (showMirrorLine_) {
            canvas.SelectPen(geometry::PenStyle::Solid, kMirrorLineWidth, kMirrorLineColour);
            canvas.Segment({geometry::TruncToInt(mirrorPosition_), kGridHeight},
                           {geometry::TruncToInt(mirrorPosition_ + mirrorDeviation_), 0});
            canvas.Flush();
        }
        if (showIndicator_)
            DrawIndicator(painter);
    }

    if (!exportMode && highlighted_ >= 0 && cursorVisible)
        DrawCursor(painter, scale);

    painter.restore();
}

void GuideLineRenderer::DrawPointDiscs(QPainter &painter, double scale) const
{
    const double r = RoundRadius(kPointRadius, scale);
    painter.setPen(CosmeticPen(kPointColour));
    painter.setBrush(kPointColour);
    for (int i = 0; i < geometry::kUsedSlotCount; ++i) {
        if (!points_.IsEnabled(i) || i == highlighted_)
            continue;
        const double x = geometry::TruncToInt(points_.points[i].x);
        const double y = geometry::TruncToInt(points_.points[i].y);
        // The box's right and bottom edges are outside the disc.
        painter.drawEllipse(QRectF(x - r, y - r, 2 * r - 1, 2 * r - 1));
    }
    painter.setBrush(Qt::NoBrush);
}

void GuideLineRenderer::DrawCursor(QPainter &painter, double scale) const
{
    if (highlighted_ >= geometry::kSlotCount)
        return;
    const double r = RoundRadius(kCursorRadius, scale);
    const double quarter = std::trunc(r / 4);
    const double x = geometry::TruncToInt(points_.points[highlighted_].x);
    const double y = geometry::TruncToInt(points_.points[highlighted_].y);
    painter.setPen(CosmeticPen(kCursorColour));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(x - r, y - r, 2 * r - 1, 2 * r - 1));
    painter.drawLine(QPointF(x - quarter, y), QPointF(x - r, y));
    painter.drawLine(QPointF(x + quarter, y), QPointF(x + r, y));
    painter.drawLine(QPointF(x, y - quarter), QPointF(x, y - r));
    painter.drawLine(QPointF(x, y + quarter), QPointF(x, y + r));
}

void GuideLineRenderer::DrawIndicator(QPainter &painter) const
{
    if (indicator_.isNull())
        return;
    // Counted from the frame's top edge, not from the grid.
    const QPointF at(indicatorX_, Add(indicatorY_, -static_cast<std::int64_t>(gridShift_)));
    if (OnDevice(painter, QRectF(at, QSizeF(indicator_.size()))))
        painter.drawImage(at, indicator_);
}

void GuideLineRenderer::DrawLabels(QPainter &painter, const geometry::BorderAnchors &anchors) const
{
    const QFont font = LabelFont(fontHeight_);
    const QFontMetrics metrics(font);
    painter.setFont(font);
    const std::int64_t ox = labelShiftX_;
    const std::int64_t oy = labelShiftY_;
    const std::int64_t w = metrics.horizontalAdvance(QStringLiteral("1"));

    // Text alignment carries from one step to the next, as the base-line
    // steps draw with whatever the last distance step chose.
    TextAlign align = TextAlign::TopLeft;
    auto draw = [&](const QString &label, double x, double y) {
        const QString text = ShownLabel(label);
        const int advance = metrics.horizontalAdvance(text);
        double left = x;
        double top = y;
        switch (align) {
        case TextAlign::TopLeft:
            break;
        case TextAlign::BaselineCentre:
            left = x - advance / 2;
            top = y - metrics.ascent();
            break;
        case TextAlign::BaselineLeft:
            top = y - metrics.ascent();
            break;
        case TextAlign::BaselineRight:
            left = x - advance;
            top = y - metrics.ascent();
            break;
        }
        // Opaque black box behind green text.
        const QRectF box(left, top, advance, metrics.ascent() + metrics.descent());
        if (!OnDevice(painter, box))
            return;
        painter.fillRect(box, QColor(kBlack));
        painter.setPen(kTextColour);
        painter.drawText(QPointF(left, top + metrics.ascent()), text);
    };
    auto stroke = [&](double x1, double x2, double y) {
        painter.setPen(CosmeticPen(kTextColour));
        painter.drawLine(QPointF(x1, y), QPointF(x2, y));
    };
    auto leftOn = [&](int k) { return points_.IsEnabled(geometry::slot::LeftBorder + k); };
    auto rightOn = [&](int k) { return points_.IsEnabled(geometry::slot::RightBorder + k); };
    const int sm = sideLineMode_;
    const int bm = baseLineMode_;
    const QString &t0 = baseLineText_;
    const auto &l = anchors.left;
    const auto &r = anchors.right;

    // At the points.
    if (sm == 1 || sm == 3) {
        align = TextAlign::BaselineCentre;
        for (int k = 1; k <= 4; ++k)
            if (leftOn(k))
                draw(labelLineText_[k - 1], Add(l[k].x, -ox), Add(l[k].y, oy));
    }
    if (bm == 2 || (bm == 4 && leftOn(0)))
        draw(t0, Add(l[0].x, -ox), Add(l[0].y, oy));
    if (sm == 2 || sm == 3) {
        align = TextAlign::BaselineCentre;
        for (int k = 1; k <= 4; ++k)
            if (rightOn(k))
                draw(labelLineText_[k - 1], Add(r[k].x, ox), Add(r[k].y, oy));
    }
    if (bm == 3 || (bm == 4 && rightOn(0)))
        draw(t0, Add(r[0].x, ox), Add(r[0].y, oy));

    // At the edges.
    if (sm == 4 || sm == 6) {
        align = TextAlign::BaselineLeft;
        for (int k = 1; k <= 4; ++k)
            if (leftOn(k))
                draw(labelLineText_[k - 1], 0, Add(l[k].y, oy));
    }
    if (bm == 5 || (bm == 7 && leftOn(0)))
        draw(t0, 0, Add(l[0].y, oy));
    if (sm == 5 || sm == 6) {
        align = TextAlign::BaselineRight;
        for (int k = 1; k <= 4; ++k)
            if (rightOn(k))
                draw(labelLineText_[k - 1], Add(kGridWidth, -ox), Add(r[k].y, oy));
    }
    if (bm == 6 || (bm == 7 && rightOn(0)))
        draw(t0, Add(kGridWidth, -ox), Add(r[0].y, oy));

    // At the edges with a stroke towards the line.
    if (sm == 7 || sm == 9) {
        align = TextAlign::BaselineLeft;
        for (int k = 1; k <= 4; ++k) {
            if (!leftOn(k))
                continue;
            draw(labelLineText_[k - 1], 0, Add(l[k].y, oy));
            stroke(static_cast<double>(3 * w / 2), static_cast<double>(2 * w), l[k].y);
        }
    }
    if (bm == 8 || (bm == 10 && leftOn(0)))
        draw(t0, 0, Add(l[0].y, oy));
    if (sm == 8 || sm == 9) {
        align = TextAlign::BaselineRight;
        for (int k = 1; k <= 4; ++k) {
            if (!rightOn(k))
                continue;
            draw(labelLineText_[k - 1], Add(kGridWidth, -ox), Add(r[k].y, oy));
            stroke(Add(kGridWidth - 3 * w / 2, -ox), Add(kGridWidth - 2 * w, -ox), r[k].y);
        }
    }
    if (bm == 9 || (bm == 10 && rightOn(0)))
        draw(t0, Add(kGridWidth, -ox), Add(r[0].y, oy));

    // Centred on the base line, without offsets.
    if (bm == 1 && points_.IsEnabled(geometry::slot::BaseLeft) && points_.IsEnabled(geometry::slot::BaseRight)) {
        align = TextAlign::BaselineCentre;
        geometry::PlanePoint at = points_.points[geometry::slot::BaseMiddle];
        if (!points_.IsEnabled(geometry::slot::BaseMiddle)) {
            const auto &p0 = points_.points[geometry::slot::BaseLeft];
            const auto &p2 = points_.points[geometry::slot::BaseRight];
            at = {(p2.x - p0.x) * 0.5 + p0.x, (p2.y - p0.y) * 0.5 + p0.y};
        }
        draw(QStringLiteral(" ") + t0 + QStringLiteral(" "), geometry::TruncToInt(at.x), geometry::TruncToInt(at.y));
    }
}

void ShowGuideLines(GuideLineRenderer &renderer, const Settings &s)
{
    for (int i = 0; i <= 22; ++i) {
        double x = 0, y = 0;
        unsigned char flag = 0;
        s.GetPoint(i, x, y, flag);
        renderer.SetPoint(i, x, y, flag != 0);
    }
    renderer.SetGridShift(s.CameraShiftY);
    renderer.SetLineThickness(s.LineThickness);
    renderer.SetCurveThickness(s.CurveThickness);
    renderer.SetCurveTicks(s.CurveTicks);
    renderer.SetCurveTicksSpace(s.CurveTicksSpace);
}

void ShowLabels(GuideLineRenderer &renderer, const Settings &s)
{
    renderer.SetSideLineMode(s.SideLineMode);
    renderer.SetBaseLineMode(s.BaseLineMode);
    renderer.SetFontHeight(s.FontHeight);
    renderer.SetLabelShift(s.LabelShiftX, s.LabelShiftY);
    renderer.SetBaseLineText(s.BaseLineText);
    for (int k = 0; k < 4; ++k)
        renderer.SetLabelLineText(k, s.LabelLineText[k]);
}

QImage RenderGuideLinePicture(const Settings &s)
{
    GuideLineRenderer renderer;
    ShowGuideLines(renderer, s);
    ShowLabels(renderer, s);
    return renderer.RenderExport();
}
