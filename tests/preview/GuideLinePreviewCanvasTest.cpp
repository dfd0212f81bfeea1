// The QPainter canvas: how wide, dotted and far-off lines come out in pixels.

#include "PainterCanvas.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <vector>

using geometry::IntPoint;
using geometry::PenStyle;

namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kGreen = qRgb(0, 255, 0);
constexpr geometry::Rgb kLine{0, 255, 0};

// Draws through a canvas onto a black picture; `scale` maps units to pixels.
QImage Draw(const std::function<void(PainterCanvas &)> &draw, QSize size = {60, 60}, double scale = 1.0)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBlack);
    QPainter painter(&image);
    painter.scale(scale, scale);
    {
        PainterCanvas canvas(painter);
        draw(canvas);
    }
    painter.end();
    return image;
}

int Column(const QImage &image, int x)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        n += image.pixel(x, y) == kGreen;
    return n;
}

int Row(const QImage &image, int y)
{
    int n = 0;
    for (int x = 0; x < image.width(); ++x)
        n += image.pixel(x, y) == kGreen;
    return n;
}

QRect Bounds(const QImage &image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == kGreen)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

TEST(GuideLinePreviewCanvas, widePenCoversAsManyPixelsAcrossAsItsWidthCentredOnTheSamples)
{
    for (int width = 2; width <= 9; ++width) {
        const QImage horizontal = Draw([&](PainterCanvas &c) {
            c.SelectPen(PenStyle::Solid, width, kLine);
            const IntPoint line[] = {{10, 30}, {20, 30}, {30, 30}, {45, 30}};
            c.Polyline(line);
        });
        EXPECT_EQ(Column(horizontal, 28), width) << width;
        EXPECT_EQ(horizontal.pixel(28, 30), kGreen);
        // Centred: the rows above and below differ by at most one.
        const QRect b = Bounds(horizontal);
        EXPECT_LE(std::abs((30 - b.top()) - (b.bottom() - 30)), 1) << width;
        // Round ends reach half the width beyond the end samples.
        EXPECT_EQ(b.left(), 10 - width / 2) << width;
        EXPECT_EQ(b.right(), 45 + (width - 1) / 2) << width;

        const QImage vertical = Draw([&](PainterCanvas &c) {
            c.SelectPen(PenStyle::Dotted, width, kLine);  // wider than 1: solid
            c.Segment({30, 10}, {30, 45});
        });
        EXPECT_EQ(Row(vertical, 28), width) << width;
        for (int y = 10; y <= 45; ++y)
            EXPECT_EQ(vertical.pixel(30, y), kGreen) << width << " y " << y;
    }
}

TEST(GuideLinePreviewCanvas, roundEndsAndJoinsReachHalfTheWidth)
{
    const QImage dot = Draw([](PainterCanvas &c) {
        c.SelectPen(PenStyle::Solid, 7, kLine);
        c.Segment({30, 30}, {30, 30});
    });
    EXPECT_EQ(Bounds(dot), QRect(27, 27, 7, 7));
    EXPECT_EQ(dot.pixel(27, 27), kBlack);  // round, not square
    EXPECT_EQ(dot.pixel(27, 30), kGreen);

    const QImage corner = Draw([](PainterCanvas &c) {
        c.SelectPen(PenStyle::Solid, 5, kLine);
        const IntPoint bend[] = {{10, 40}, {30, 40}, {30, 10}};
        c.Polyline(bend);
    });
    EXPECT_EQ(Bounds(corner), QRect(8, 8, 25, 35));
    EXPECT_EQ(corner.pixel(32, 42), kBlack);  // the outer corner is rounded
    EXPECT_EQ(corner.pixel(31, 41), kGreen);
}

TEST(GuideLinePreviewCanvas, scaledCanvasScalesTheWidth)
{
    const QImage image = Draw(
        [](PainterCanvas &c) {
            c.SelectPen(PenStyle::Solid, 3, kLine);
            c.Segment({5, 15}, {25, 15});
        },
        {120, 120}, 2.0);
    EXPECT_EQ(Column(image, 30), 6);
    EXPECT_EQ(image.pixel(30, 30), kGreen);
}

TEST(GuideLinePreviewCanvas, thinPensAreOnePixelAndDottedOnesLeaveGaps)
{
    const QImage solid = Draw([](PainterCanvas &c) {
        c.SelectPen(PenStyle::Solid, 1, kLine);
        c.Segment({5, 20}, {54, 20});
    });
    EXPECT_GE(Row(solid, 20), 49);
    EXPECT_EQ(Column(solid, 30), 1);

    for (int width : {0, 1, -7}) {
        const QImage dotted = Draw([&](PainterCanvas &c) {
            c.SelectPen(PenStyle::Dotted, width, kLine);
            const IntPoint line[] = {{5, 20}, {30, 20}, {54, 20}};
            c.Polyline(line);
        });
        // Three on, three off.
        EXPECT_GE(Row(dotted, 20), 22) << width;
        EXPECT_LE(Row(dotted, 20), 28) << width;
        for (int x = 5; x + 6 < 54; ++x) {
            int on = 0;
            for (int i = 0; i < 6; ++i)
                on += dotted.pixel(x + i, 20) == kGreen;
            EXPECT_EQ(on, 3) << width << " from x " << x;
        }
    }
}

TEST(GuideLinePreviewCanvas, farOffAndHugeLinesDrawOnlyWhatReachesThePicture)
{
    const int big = std::numeric_limits<int>::max();
    const QImage off = Draw([&](PainterCanvas &c) {
        c.SelectPen(PenStyle::Solid, 9, kLine);
        std::vector<IntPoint> far;
        for (int i = 0; i < 2048; ++i)
            far.push_back({big - 2048 + i, -big + i});
        c.Polyline(far);
        c.Segment({-big, -big}, {-big, big});
    });
    EXPECT_TRUE(Bounds(off).isNull());

    const QImage across = Draw([&](PainterCanvas &c) {
        c.SelectPen(PenStyle::Solid, 3, kLine);
        c.Segment({-big, 30}, {big, 30});
    });
    EXPECT_EQ(Row(across, 30), 60);
    EXPECT_EQ(Column(across, 0), 3);

    // Widths beyond what any page allows are drawn at the widest pen.
    const QImage wide = Draw(
        [&](PainterCanvas &c) {
            c.SelectPen(PenStyle::Solid, 1000000000, kLine);
            c.Segment({100, 100}, {100, 100});
        },
        {200, 200});
    EXPECT_EQ(Bounds(wide), QRect(84, 84, 32, 32));
}

// Wide strokes beside the picture, reaching into it by less than their
// half width, and long strokes mostly beside it: the picture shows the same
// pixels as that window of the strokes drawn wholly inside a larger picture.
TEST(GuideLinePreviewCanvas, strokesFromBesideThePictureShowTheSameEdge)
{
    std::vector<IntPoint> zigzag;
    for (int i = 0; i < 25; ++i)
        zigzag.push_back({-6 - (i % 2) * 3, i * 4 - 20});
    std::vector<IntPoint> bow;
    for (int x = -300; x <= 360; ++x)
        bow.push_back({x, 30 + (x - 30) * (x - 30) / 4000});
    const std::vector<std::pair<const char *, std::vector<IntPoint>>> cases = {
        {"just left", {{-4, -300}, {-4, 300}}},       {"just right", {{63, -300}, {63, 300}}},
        {"just above", {{-300, -3}, {300, -3}}},      {"just below", {{300, 64}, {-300, 62}}},
        {"zigzag left of the picture", zigzag},       {"bow across", bow},
    };
    constexpr int kShift = 100;  // not a multiple of 8 either
    for (const auto &[name, points] : cases) {
        std::vector<IntPoint> shifted;
        for (const IntPoint &p : points)
            shifted.push_back({p.x + kShift, p.y + kShift});
        for (int width : {2, 3, 8, 9, 32}) {
            auto stroke = [&](const std::vector<IntPoint> &line) {
                return [&](PainterCanvas &c) {
                    c.SelectPen(PenStyle::Solid, width, kLine);
                    c.Polyline(line);
                };
            };
            const QImage window = Draw(stroke(points));
            const QImage inside = Draw(stroke(shifted), {260, 260});
            EXPECT_EQ(window, inside.copy(kShift, kShift, 60, 60)) << name << " width " << width;
            if (width == 32) {
                EXPECT_FALSE(Bounds(window).isNull()) << name;
            }
        }
    }
}

// A saturated line's samples jump between the ends of the int range: the
// vertex test of a polyline takes their differences, and a wide stroke
// scaled onto the device lies past the int range there.
TEST(GuideLinePreviewCanvas, samplesAtOppositeEndsOfTheIntRangeDrawTheirVisiblePart)
{
    const int big = std::numeric_limits<int>::max();
    const int small = std::numeric_limits<int>::min();
    for (int width : {1, 3}) {
        SCOPED_TRACE(width);
        const QImage zigzag = Draw([&](PainterCanvas &c) {
            c.SelectPen(PenStyle::Solid, width, kLine);
            const std::vector<IntPoint> points{{small, 20}, {big, 20}, {small, 40}, {big, 40}, {big, small}};
            c.Polyline(points);
        });
        EXPECT_EQ(Row(zigzag, 20), 60);
        EXPECT_EQ(Row(zigzag, 40), 60);

        // Twice the scale: the last two segments lie at device rows past
        // the int range.
        const QImage scaled = Draw(
            [&](PainterCanvas &c) {
                c.SelectPen(PenStyle::Solid, width, kLine);
                const std::vector<IntPoint> points{{5, 10}, {25, 10}, {25, big}, {small, big}};
                c.Polyline(points);
            },
            {60, 60}, 2.0);
        EXPECT_GE(Row(scaled, 20), 41);     // x 10 to 50
        EXPECT_GE(Column(scaled, 50), 40);  // row 20 down to the bottom
        EXPECT_EQ(Column(scaled, 5), 0);
    }
}

TEST(GuideLinePreviewCanvas, pendingStrokesKeepTheirColourAndOrder)
{
    const QImage image = Draw([](PainterCanvas &c) {
        c.SelectPen(PenStyle::Solid, 5, kLine);
        c.Segment({10, 30}, {50, 30});
        c.SelectPen(PenStyle::Solid, 5, {255, 255, 255});
        c.Segment({30, 10}, {30, 50});
        c.SelectPen(PenStyle::Solid, 1, kLine);
        c.Segment({5, 30}, {55, 30});
    });
    EXPECT_EQ(image.pixel(12, 29), kGreen);
    EXPECT_EQ(image.pixel(29, 12), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(29, 29), qRgb(255, 255, 255));  // white over green
    EXPECT_EQ(image.pixel(30, 30), kGreen);               // thin green over white
}

} // namespace
