#include "PainterCanvas.h"

#include "GuideLineGeometry.h"

#include <QPaintDevice>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace {

// Widest pen drawn, plane units: three times the widest line the pages
// allow. Wider values can only come from a hand-edited file; drawing them
// in full would cost time in proportion to the square of the width.
constexpr int kMaxPenWidth = 32;

// Where a pixel is sampled, from its integer coordinate: integer
// coordinates are pixel centres, ties going to the top-left, so that a pen n
// units wide covers n pixels across.
constexpr double kSampleOffset = 1.0 / 64.0;

// Strokes from this radius on (device pixels) may cover the whole device.
constexpr double kWholeDeviceCheckRadius = 100.0;

QPointF ToPointF(geometry::IntPoint p)
{
    return {static_cast<qreal>(p.x), static_cast<qreal>(p.y)};
}

// The stroke of radius r around the segment a-b (a capsule: the segment's
// band and the discs at both ends). Its direction and length are worked out
// once; a wide stroke of one-unit samples asks each segment for some dozens
// of rows.
class Capsule {
public:
    Capsule(QPointF a, QPointF b, double r)
        : a_(a)
        , b_(b)
        , r_(r)
    {
        const double ux = b.x() - a.x();
        const double uy = b.y() - a.y();
        length_ = std::hypot(ux, uy);
        if (length_ > 0.0) {
            dxu_ = ux / length_;
            dyu_ = uy / length_;
        }
    }

    // Extends [lo, hi] by the x range of pixel-centre row yc inside the
    // capsule.
    void Row(double yc, double &lo, double &hi) const
    {
        const double r = r_;
        auto disc = [&](QPointF c) {
            const double dy = yc - c.y();
            if (std::abs(dy) <= r) {
                const double dx = std::sqrt(r * r - dy * dy);
                lo = std::min(lo, c.x() - dx);
                hi = std::max(hi, c.x() + dx);
            }
        };
        disc(a_);
        disc(b_);
        if (!(length_ > 0.0))
            return;
        // The band: 0 <= u.(p - a) <= length and |n.(p - a)| <= r, with u the
        // unit direction and n its normal; each bound is linear in x on this
        // row.
        double bandLo = -HUGE_VAL;
        double bandHi = HUGE_VAL;
        auto bound = [&](double cx, double constant, double minimum, double maximum) {
            // minimum <= cx * x + constant <= maximum
            if (cx == 0.0) {
                if (constant < minimum || constant > maximum)
                    bandLo = HUGE_VAL;
                return;
            }
            double x1 = (minimum - constant) / cx;
            double x2 = (maximum - constant) / cx;
            if (x1 > x2)
                std::swap(x1, x2);
            bandLo = std::max(bandLo, x1);
            bandHi = std::min(bandHi, x2);
        };
        bound(dxu_, dyu_ * (yc - a_.y()) - dxu_ * a_.x(), 0.0, length_);
        bound(-dyu_, dxu_ * (yc - a_.y()) + dyu_ * a_.x(), -r, r);
        if (bandLo <= bandHi) {
            lo = std::min(lo, bandLo);
            hi = std::max(hi, bandHi);
        }
    }

private:
    QPointF a_;
    QPointF b_;
    double r_;
    double length_ = 0.0;
    double dxu_ = 0.0;
    double dyu_ = 0.0;
};

// Whether b lies on the way from a to c, so that the polyline needs no
// vertex there. Only short steps are looked at: samples of a saturated line
// may lie the whole int range apart, and the products below must fit in 64
// bits (a long step keeps its vertex, which costs a join and nothing else).
bool Straight(geometry::IntPoint a, geometry::IntPoint b, geometry::IntPoint c)
{
    constexpr std::int64_t kLongStep = std::int64_t(1) << 30;
    const std::int64_t d[4] = {std::int64_t(b.x) - a.x, std::int64_t(b.y) - a.y, std::int64_t(c.x) - b.x,
                               std::int64_t(c.y) - b.y};
    if (std::any_of(std::begin(d), std::end(d), [](std::int64_t v) { return v <= -kLongStep || v >= kLongStep; }))
        return false;
    const std::int64_t cross = d[0] * d[3] - d[1] * d[2];
    const std::int64_t dot = d[0] * d[2] + d[1] * d[3];
    return cross == 0 && dot > 0;
}

// Eight mask bytes at once.
constexpr std::uint64_t kAllSet = 0x0101010101010101u;

std::uint64_t Word(const std::uint8_t *bytes)
{
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

double DistanceToSegment(QPointF p, QPointF a, QPointF b)
{
    const double ux = b.x() - a.x();
    const double uy = b.y() - a.y();
    const double lengthSquared = ux * ux + uy * uy;
    double t = 0.0;
    if (lengthSquared > 0.0)
        t = std::clamp(((p.x() - a.x()) * ux + (p.y() - a.y()) * uy) / lengthSquared, 0.0, 1.0);
    return std::hypot(p.x() - (a.x() + t * ux), p.y() - (a.y() + t * uy));
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

PainterCanvas::~PainterCanvas()
{
    Flush();
}

void PainterCanvas::SelectPen(geometry::PenStyle style, int width, geometry::Rgb colour)
{
    const QPen pen = MakePen(style, width, colour);
    if (pen.color() != colour_)
        Flush();  // pending strokes keep the colour they were drawn with
    width_ = width <= 1 ? 0 : pen.width();  // clamped
    colour_ = pen.color();
    painter_.setPen(pen);

    // Whether this pen's strokes are filled here, and how: read once per pen,
    // as a dashed curve hands over its dashes one by one.
    radius_ = 0.0;
    transform_ = painter_.combinedTransform();
    const QPaintDevice *device = painter_.device();
    if (width_ <= 1 || transform_.type() > QTransform::TxScale || device == nullptr
        || device->devicePixelRatio() != 1.0)
        return;
    const double scale = std::sqrt(std::abs(transform_.m11() * transform_.m22()));
    const double r = width_ * scale / 2.0;
    if (!(r > 0.0))
        return;
    radius_ = r;
    deviceWidth_ = device->width();
    deviceHeight_ = device->height();
}

void PainterCanvas::Segment(geometry::IntPoint from, geometry::IntPoint to)
{
    if (radius_ > 0.0) {
        device_.clear();
        device_.push_back(transform_.map(ToPointF(from)));
        device_.push_back(transform_.map(ToPointF(to)));
        FillWideStroke();
        return;
    }
    Flush();
    painter_.drawLine(ToPointF(from), ToPointF(to));
}

void PainterCanvas::Polyline(std::span<const geometry::IntPoint> points)
{
    if (points.size() < 2)
        return;
    // Samples one unit apart often run straight for a while; a vertex in the
    // middle of a straight run changes nothing drawn but costs a join.
    auto vertices = [&](auto &&add) {
        add(points[0]);
        for (size_t i = 1; i + 1 < points.size(); ++i) {
            if (!Straight(points[i - 1], points[i], points[i + 1]))
                add(points[i]);
        }
        add(points.back());
    };
    if (radius_ > 0.0) {
        device_.clear();
        vertices([&](geometry::IntPoint p) { device_.push_back(transform_.map(ToPointF(p))); });
        FillWideStroke();
        return;
    }
    polygon_.clear();
    vertices([&](geometry::IntPoint p) { polygon_.append(ToPointF(p)); });
    Flush();
    painter_.drawPolyline(polygon_);
}

// A wide pen with round ends and joins covers every pixel whose centre lies
// within half the width of the polyline (device_, on the device). Filling
// that set directly costs a few operations per segment and row, where Qt's
// stroker builds a round join at every one-unit sample.
void PainterCanvas::FillWideStroke()
{
    const double r = radius_;
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    for (const QPointF &d : device_) {
        minX = std::min(minX, d.x());
        maxX = std::max(maxX, d.x());
        minY = std::min(minY, d.y());
        maxY = std::max(maxY, d.y());
    }
    // Pixel columns and rows the stroke may touch, within the device.
    const double left = std::max(0.0, std::floor(minX - r));
    const double top = std::max(0.0, std::floor(minY - r));
    const double right = std::min(static_cast<double>(deviceWidth_) - 1, std::ceil(maxX + r));
    const double bottom = std::min(static_cast<double>(deviceHeight_) - 1, std::ceil(maxY + r));
    if (!(left <= right && top <= bottom))
        return;  // wholly outside: nothing to draw
    // A stroke that covers the whole device from one segment fills it.
    if (r >= kWholeDeviceCheckRadius) {
        const QPointF corners[] = {{kSampleOffset, kSampleOffset},
                                   {deviceWidth_ - 1 + kSampleOffset, kSampleOffset},
                                   {kSampleOffset, deviceHeight_ - 1 + kSampleOffset},
                                   {deviceWidth_ - 1 + kSampleOffset, deviceHeight_ - 1 + kSampleOffset}};
        for (size_t i = 0; i + 1 < device_.size(); ++i) {
            if (std::all_of(std::begin(corners), std::end(corners),
                            [&](QPointF c) { return DistanceToSegment(c, device_[i], device_[i + 1]) <= r; })) {
                Flush();
                painter_.save();
                painter_.resetTransform();
                painter_.fillRect(QRect(0, 0, deviceWidth_, deviceHeight_), colour_);
                painter_.restore();
                return;
            }
        }
    }
    const int deviceWidth = deviceWidth_;
    const size_t maskSize = static_cast<size_t>(deviceWidth) * static_cast<size_t>(deviceHeight_);
    if (mask_.size() != maskSize || maskWidth_ != deviceWidth) {
        Flush();
        mask_.assign(maskSize, 0);
        maskWidth_ = deviceWidth;
    }
    const int x0 = static_cast<int>(left);
    const int x1 = static_cast<int>(right);
    const int y0 = static_cast<int>(top);
    const int y1 = static_cast<int>(bottom);

    for (size_t i = 0; i + 1 < device_.size(); ++i) {
        const QPointF a = device_[i];
        const QPointF b = device_[i + 1];
        // A segment whose stroke lies wholly beside the device adds nothing
        // (a long line across the canvas is mostly such segments). The pixel
        // of margin covers rounding in the row bounds.
        if (std::max(a.x(), b.x()) + r < left - 1.0 || std::min(a.x(), b.x()) - r > right + 1.0)
            continue;
        // Rows are limited to the device before they become ints: a segment
        // of a saturated line may lie far outside the int range on the device.
        const double rowFirst = std::max(top, std::floor(std::min(a.y(), b.y()) - r));
        const double rowLast = std::min(bottom, std::ceil(std::max(a.y(), b.y()) + r));
        if (!(rowFirst <= rowLast))
            continue;
        const Capsule capsule(a, b, r);
        for (int row = static_cast<int>(rowFirst); row <= static_cast<int>(rowLast); ++row) {
            double lo = HUGE_VAL;
            double hi = -HUGE_VAL;
            capsule.Row(row + kSampleOffset, lo, hi);
            if (!(lo <= hi))
                continue;
            // Pixels whose sample point lies in [lo, hi].
            const double first = std::max(left, std::ceil(lo - kSampleOffset));
            const double last = std::min(right, std::floor(hi - kSampleOffset));
            if (first > last)
                continue;
            std::uint8_t *line = mask_.data() + static_cast<size_t>(row) * static_cast<size_t>(deviceWidth);
            std::fill(line + static_cast<int>(first), line + static_cast<int>(last) + 1, 1);
        }
    }
    dirty_ |= QRect(QPoint(x0, y0), QPoint(x1, y1));
}

void PainterCanvas::Flush()
{
    if (dirty_.isNull())
        return;
    // Each row of the pending strokes as runs of set pixels, then the row is
    // cleared. Mask bytes are 0 or 1; whole words of either are skipped at
    // once, as a long wide line leaves wide runs and wide gaps.
    runs_.clear();
    const int end = dirty_.right() + 1;
    for (int row = dirty_.top(); row <= dirty_.bottom(); ++row) {
        std::uint8_t *line = mask_.data() + static_cast<size_t>(row) * static_cast<size_t>(maskWidth_);
        int x = dirty_.left();
        while (x < end) {
            while (x + 8 <= end && Word(line + x) == 0)
                x += 8;
            while (x < end && line[x] == 0)
                ++x;
            const int start = x;
            while (x + 8 <= end && Word(line + x) == kAllSet)
                x += 8;
            while (x < end && line[x] != 0)
                ++x;
            if (x > start)
                runs_.append(QRect(start, row, x - start, 1));
        }
        std::memset(line + dirty_.left(), 0, static_cast<size_t>(end - dirty_.left()));
    }
    dirty_ = QRect();
    if (runs_.isEmpty())
        return;
    painter_.save();
    painter_.resetTransform();
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(colour_);
    painter_.drawRects(runs_.constData(), static_cast<int>(runs_.size()));
    painter_.restore();
    runs_.clear();
}
