// Behaviour of the preview control: points, blinking cursor, what the
// export leaves out, mapping, labels and their alignment, hostile values.

#include "GuideLinePreviewTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QRect>
#include <QEventLoop>
#include <QTimer>
#include <QTimerEvent>

#include <cmath>
#include <limits>
#include <set>

namespace {

constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kGreen = qRgb(0, 255, 0);
constexpr QRgb kCyan = qRgb(0, 255, 255);
constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kGrid = qRgb(192, 192, 192);
constexpr QRgb kFrame = qRgb(128, 128, 128);

int CountColour(const QImage &image, QRgb colour, QRect area = {})
{
    if (area.isNull())
        area = image.rect();
    area &= image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += image.pixel(x, y) == colour;
    return n;
}

// Bounding box of the pixels in which two renders differ.
QRect DiffBounds(const QImage &a, const QImage &b)
{
    QRect bounds;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Counts paint events of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void FlushEvents()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void SendTimer(CGuideLinePreview &preview, int id)
{
    QTimerEvent event(id);
    QCoreApplication::sendEvent(&preview, &event);
}

QFont LabelFont(int height)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(height);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

TEST(GuideLinePreviewPoints, setPointStoresPlaneUnitsAndKeepsCoordinatesOfDisabledSlots)
{
    CGuideLinePreview preview;
    preview.SetPoint(3, 0.5, 8.0, true, false);
    EXPECT_TRUE(preview.IsPointEnabled(3));
    EXPECT_DOUBLE_EQ(preview.Point(3).x, 20.0);
    EXPECT_DOUBLE_EQ(preview.Point(3).y, 200.0);

    preview.SetPoint(3, 9.0, 1.0, false, false);
    EXPECT_FALSE(preview.IsPointEnabled(3));
    EXPECT_DOUBLE_EQ(preview.Point(3).x, 20.0);
    EXPECT_DOUBLE_EQ(preview.Point(3).y, 200.0);

    for (int slot : {-1, 34, 1000, std::numeric_limits<int>::min()}) {
        preview.SetPoint(slot, 1.0, 1.0, true, true);
        EXPECT_FALSE(preview.IsPointEnabled(slot)) << slot;
    }
}

TEST(GuideLinePreviewPoints, setPointRepaintsOnlyWhenAsked)
{
    CGuideLinePreview preview;
    preview.resize(440, 350);
    preview.show();
    FlushEvents();
    PaintCounter counter(&preview);
    preview.SetPoint(4, 1.0, 2.0, true, false);
    FlushEvents();
    EXPECT_EQ(counter.paints, 0);
    preview.SetPoint(4, 1.0, 2.5, true, true);
    FlushEvents();
    EXPECT_GE(counter.paints, 1);
}

TEST(GuideLinePreviewBlink, anyTimerAdvancesTheCounterButRepaintsOnlyWithAHighlightedPoint)
{
    CGuideLinePreview preview;
    preview.resize(440, 350);
    preview.show();
    FlushEvents();
    PaintCounter counter(&preview);

    const int before = preview.BlinkCounter();
    SendTimer(preview, 100);
    SendTimer(preview, 1001);
    FlushEvents();
    EXPECT_EQ(preview.BlinkCounter(), before + 2);
    EXPECT_EQ(counter.paints, 0);

    preview.SetHighlightedPoint(4);
    SendTimer(preview, 1001);
    FlushEvents();
    EXPECT_EQ(preview.BlinkCounter(), before + 3);
    EXPECT_GE(counter.paints, 1);
}

TEST(GuideLinePreviewBlink, ownTimerRunsAtHalfTheCaretPeriod)
{
    if (QApplication::cursorFlashTime() <= 0)
        GTEST_SKIP() << "the platform does not blink the caret";
    CGuideLinePreview preview;
    const int before = preview.BlinkCounter();
    // Runs the event loop until the counter moves; the guard only keeps a
    // broken timer from hanging the test.
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (preview.BlinkCounter() != before)
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_GT(preview.BlinkCounter(), before);
}

TEST(GuideLinePreviewBlink, cursorShowsWhileTheCounterIsEvenAndReplacesTheDisc)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    preview.SetShowLines(false);
    // Slot 5 sits at grid (3.4, 4.9): canvas (20 + 136, 65 + 122.5).
    const QRect around(156 - 12, 187 - 12, 25, 25);
    const QRect discArea(156 - 5, 187 - 5, 11, 11);

    const QImage plain = ScreenRender(preview);
    EXPECT_GT(CountColour(plain, kCyan, discArea), 40);
    EXPECT_EQ(CountColour(plain, kWhite, around), 0);

    preview.SetHighlightedPoint(5);
    while (preview.BlinkCounter() % 2 != 0)
        SendTimer(preview, 100);
    const QImage shown = ScreenRender(preview);
    EXPECT_EQ(CountColour(shown, kCyan, discArea), 0);
    EXPECT_GT(CountColour(shown, kWhite, around), 40);
    // The cursor: a ring and four spokes, empty in the middle.
    EXPECT_NE(shown.pixel(156, 187), kWhite);
    EXPECT_EQ(shown.pixel(156 + 8, 187), kWhite);
    EXPECT_EQ(shown.pixel(156, 187 - 8), kWhite);

    SendTimer(preview, 100);
    const QImage hidden = ScreenRender(preview);
    EXPECT_EQ(CountColour(hidden, kWhite, around), 0);
    EXPECT_EQ(CountColour(hidden, kCyan, discArea), 0);
}

TEST(GuideLinePreviewBlink, highlightedDisabledSlotShowsTheCursorButNoDisc)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    preview.SetShowLines(false);
    preview.SetPoint(5, 0, 0, false, false);  // keeps (3.4, 4.9)
    preview.SetHighlightedPoint(5);
    const QImage image = ScreenRender(preview);
    EXPECT_EQ(CountColour(image, kCyan, QRect(151, 182, 11, 11)), 0);
    EXPECT_GT(CountColour(image, kWhite, QRect(144, 175, 25, 25)), 40);
}

TEST(GuideLinePreviewExport, neverContainsFrameGridPointsOrCursor)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    preview.SetHighlightedPoint(5);
    preview.SetShowGrid(true);
    preview.SetShowPoints(true);
    const QImage picture = preview.RenderExport();
    for (QRgb colour : {kCyan, kGrid, kFrame, kWhite})
        EXPECT_EQ(CountColour(picture, colour), 0) << std::hex << colour;
    EXPECT_GT(CountColour(picture, kGreen), 1000);

    preview.SetShowLines(false);
    EXPECT_EQ(CountColour(preview.RenderExport(), kBlack), 400 * 312);
}

TEST(GuideLinePreviewExport, isDrawnWithoutAntiAliasing)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    preview.SetLineThickness(4);
    preview.SetCurveThickness(3);
    preview.SetSideLineMode(3);
    preview.SetBaseLineMode(1);
    preview.SetMirrorLine(190.3, 27.7);
    preview.SetShowMirrorLine(true);
    const QImage picture = preview.RenderExport();
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            colours.insert(picture.pixel(x, y) & 0xffffff);
    EXPECT_EQ(colours, (std::set<QRgb>{kBlack & 0xffffff, kGreen & 0xffffff, kWhite & 0xffffff}));
}

TEST(GuideLinePreviewExport, planeIsMovedDownByTheGridShift)
{
    CGuideLinePreview preview;
    preview.SetPoint(0, 1.0, 4.0, true, false);  // plane (40, 100)
    preview.SetPoint(2, 9.0, 4.0, true, false);  // plane (360, 100)
    preview.SetLineThickness(0);                  // base line 1 wide
    for (int shift : {0, 45, 100}) {
        preview.SetGridShift(shift);
        const QImage picture = preview.RenderExport();
        EXPECT_EQ(picture.pixel(200, 100 + shift), kGreen) << shift;
        EXPECT_EQ(CountColour(picture, kGreen), CountColour(picture, kGreen, QRect(0, 100 + shift, 400, 1)))
            << shift;
    }
}

TEST(GuideLinePreviewScreen, mappingIsIsotropicAndAnchoredTopLeft)
{
    struct Case {
        QSize size;
        double scale;
    };
    const Case cases[] = {{{440, 350}, 1.0}, {{880, 700}, 2.0}, {{880, 350}, 1.0}, {{440, 1000}, 1.0}, {{220, 175}, 0.5}};
    for (const Case &c : cases) {
        CGuideLinePreview preview;
        preview.SetShowGrid(false);
        const QImage image = ScreenRender(preview, c.size);
        const int top = static_cast<int>(std::lround(20 * c.scale));
        const int right = static_cast<int>(std::lround(420 * c.scale));
        const int bottom = static_cast<int>(std::lround(330 * c.scale));
        EXPECT_EQ(image.pixel(c.size.width() * 0 + right / 2, top), kFrame) << c.size.width();
        EXPECT_EQ(image.pixel(right, (top + bottom) / 2), kFrame) << c.size.width();
        EXPECT_EQ(image.pixel(right / 2, bottom), kFrame) << c.size.width();
        // Outside the canvas the control shows its window colour, not black.
        const int canvasRight = static_cast<int>(std::lround(440 * c.scale));
        if (c.size.width() > canvasRight + 1) {
            EXPECT_NE(image.pixel(c.size.width() - 1, 10), kBlack) << c.size.width();
        }
    }
}

TEST(GuideLinePreviewScreen, gridWithShift45OccupiesRows65To315)
{
    CGuideLinePreview preview;
    const QImage image = ScreenRender(preview);
    for (int row : {65, 90, 190, 315})
        EXPECT_EQ(CountColour(image, kGrid, QRect(21, row, 399, 1)), 399) << row;
    for (int row : {64, 66, 314, 316})
        EXPECT_LT(CountColour(image, kGrid, QRect(21, row, 399, 1)), 20) << row;
    EXPECT_EQ(CountColour(image, kGrid, QRect(60, 65, 1, 251)), 251);
}

TEST(GuideLinePreviewIndicator, stripIsCopiedAtItsPositionFromTheFrameTop)
{
    QImage strip(240, 32, QImage::Format_RGB32);
    strip.fill(qRgb(255, 0, 0));
    CGuideLinePreview preview;
    preview.SetIndicatorBitmap(strip);
    preview.SetIndicatorPosition(80, 30);
    preview.SetShowIndicator(true);
    QImage picture = preview.RenderExport();
    EXPECT_EQ(CountColour(picture, qRgb(255, 0, 0)), 240 * 32);
    EXPECT_EQ(picture.pixel(80, 30), qRgb(255, 0, 0));
    EXPECT_EQ(picture.pixel(319, 61), qRgb(255, 0, 0));

    const QImage screen = ScreenRender(preview);
    EXPECT_EQ(screen.pixel(100, 50), qRgb(255, 0, 0));  // frame origin (20, 20)

    preview.SetIndicatorBitmap(QImage());
    picture = preview.RenderExport();
    EXPECT_EQ(CountColour(picture, kBlack), 400 * 312);
}

TEST(GuideLinePreviewIndicator, builtInStripComesFromTheBitmapResources)
{
    CGuideLinePreview preview;
    preview.SetIndicatorPosition(80, 100);
    preview.SetShowIndicator(true);
    const QImage picture = preview.RenderExport();
    const QImage resource(QStringLiteral(":/bitmaps/181.png"));
    const QString shipped = qEnvironmentVariable("TARVELLO_SOURCE_DIR") + QStringLiteral("/resources/bitmaps/181.png");
    if (QFile::exists(shipped)) {
        ASSERT_FALSE(resource.isNull()) << "the strip is in the source tree but not in the resources";
    }
    if (resource.isNull()) {
        EXPECT_EQ(CountColour(picture, kBlack), 400 * 312);
    } else {
        EXPECT_EQ(picture.copy(80, 100, resource.width(), resource.height()),
                  resource.convertToFormat(QImage::Format_RGB32));
    }
}

TEST(GuideLinePreviewSymmetryLine, runsFromTheBottomToTheTopGridEdge)
{
    CGuideLinePreview preview;
    preview.SetMirrorLine(200.9, -40.0);
    preview.SetShowMirrorLine(true);
    const QImage picture = preview.RenderExport();
    EXPECT_EQ(picture.pixel(200, 45 + 249), kWhite);
    EXPECT_EQ(picture.pixel(160, 45 + 1), kWhite);
    EXPECT_EQ(picture.pixel(180, 45 + 125), kWhite);
    EXPECT_EQ(CountColour(picture, kWhite, QRect(0, 0, 400, 40)), 0);
    preview.SetShowMirrorLine(false);
    EXPECT_EQ(CountColour(preview.RenderExport(), kWhite), 0);
}

// Labels: each test renders with and without the labels and compares where
// the pictures differ with the ink of the same text drawn at a known place.
// The borders are entered bottom-up, so they have anchors but no lines under
// the labels. Export coordinates are plane coordinates + (0, 45).
class GuideLinePreviewLabels : public ::testing::Test {
protected:
    static constexpr int kShift = 45;

    void SetUp() override
    {
        for (int k = 0; k < 5; ++k) {
            preview.SetPoint(3 + k, (80.0 + 20 * k) / 40, (80.0 + 40 * k) / 25, true, false);
            preview.SetPoint(8 + k, (320.0 - 20 * k) / 40, (80.0 + 40 * k) / 25, true, false);
        }
        preview.SetGridShift(kShift);
        preview.SetLineThickness(2);
        preview.SetFontHeight(25);
        without = preview.RenderExport();
    }

    QRect LabelDiff() { return DiffBounds(without, preview.RenderExport()); }

    // The border anchors as the geometry computes them for the current points.
    geometry::BorderAnchors Anchors() const
    {
        geometry::GuidePoints points;
        for (int s = 0; s < geometry::kSlotCount; ++s) {
            points.points[s] = preview.Point(s);
            points.enabled[s] = preview.IsPointEnabled(s);
        }
        struct Null : geometry::Canvas {
            void SelectPen(geometry::PenStyle, int, geometry::Rgb) override {}
            void Segment(geometry::IntPoint, geometry::IntPoint) override {}
            void Polyline(std::span<const geometry::IntPoint>) override {}
        } canvas;
        return geometry::DrawGuideLines(points, {}, canvas);
    }

    // Ink of the text with its baseline's left end at (x, baseline).
    QRect Ink(const QString &text, int x, int baseline) const
    {
        QImage image(800, 200, QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        painter.setFont(LabelFont(25));
        painter.setPen(QColor(kGreen));
        painter.drawText(QPointF(100, 100), text);
        painter.end();
        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int xx = 0; xx < image.width(); ++xx)
                if (image.pixel(xx, y) == kGreen)
                    ink |= QRect(xx, y, 1, 1);
        return ink.translated(x - 100, baseline - 100);
    }

    int Advance(const QString &text) const { return metrics.horizontalAdvance(text); }

    CGuideLinePreview preview;
    QImage without;
    QFontMetrics metrics{LabelFont(25)};
};

TEST_F(GuideLinePreviewLabels, bothSidesModeSkipsTheDisabledLeftTwoMetrePoint)
{
    preview.SetPoint(5, 0, 0, false, false);
    for (int i : {0, 2, 3})
        preview.SetLabelLineText(i, QString());
    without = preview.RenderExport();
    preview.SetSideLineMode(3);
    const auto r2 = Anchors().right[2];
    // Only the right "2", centred on R2 with its baseline 5 below.
    EXPECT_EQ(LabelDiff(), Ink(QStringLiteral("2"), r2.x - Advance(QStringLiteral("2")) / 2, r2.y + 5 + kShift));
}

TEST_F(GuideLinePreviewLabels, baseLabelUsesTheAlignmentLeftByTheDistanceLabels)
{
    const QString text = QStringLiteral("0.5 м");
    preview.SetLabelShift(10, 5);
    preview.SetBaseLineMode(2);
    const auto l0 = Anchors().left[0];
    const int x = l0.x - 10;
    const int y = l0.y + 5 + kShift;
    // Alone: the box's top-left corner at the point.
    EXPECT_EQ(LabelDiff(), Ink(text, x, y + metrics.ascent()));

    // After the left distance labels (empty texts here): baseline-centred.
    preview.SetSideLineMode(1);
    for (int i = 0; i < 4; ++i)
        preview.SetLabelLineText(i, QString());
    EXPECT_EQ(LabelDiff(), Ink(text, x - Advance(text) / 2, y));

    // The right edge labels come after this step: still top-left here...
    preview.SetSideLineMode(5);
    EXPECT_EQ(LabelDiff(), Ink(text, x, y + metrics.ascent()));
    // ...but baseline-right for the base label at the right edge after them.
    preview.SetBaseLineMode(6);
    const auto r0 = Anchors().right[0];
    EXPECT_EQ(LabelDiff(), Ink(text, 400 - 10 - Advance(text), r0.y + 5 + kShift));
}

TEST_F(GuideLinePreviewLabels, bothSidesBaseModeChecksEachBaseSlotButSingleSideModesDoNot)
{
    preview.SetPoint(3, 0, 0, false, false);
    without = preview.RenderExport();
    const int row = Anchors().left[0].y + kShift;
    auto drawnOn = [&](bool left) {
        const QImage with = preview.RenderExport();
        const QRect half(left ? 0 : 200, row - 5, 200, 40);
        return !DiffBounds(without.copy(half), with.copy(half)).isNull();
    };
    preview.SetBaseLineMode(4);
    EXPECT_FALSE(drawnOn(true));
    EXPECT_TRUE(drawnOn(false));
    preview.SetBaseLineMode(2);
    EXPECT_TRUE(drawnOn(true));
    preview.SetBaseLineMode(3);
    EXPECT_TRUE(drawnOn(false));
}

TEST_F(GuideLinePreviewLabels, edgeLabelsStartAtZeroAndEndAtTheRightEdgeLessTheOffset)
{
    preview.SetLabelShift(30, 5);
    const auto anchors = Anchors();
    const QString texts[] = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};

    preview.SetSideLineMode(4);
    QRect expected;
    for (int k = 1; k <= 4; ++k)
        expected |= Ink(texts[k - 1], 0, anchors.left[k].y + 5 + kShift);
    EXPECT_EQ(LabelDiff(), expected);

    preview.SetSideLineMode(5);
    expected = QRect();
    for (int k = 1; k <= 4; ++k)
        expected |= Ink(texts[k - 1], 400 - 30 - Advance(texts[k - 1]), anchors.right[k].y + 5 + kShift);
    EXPECT_EQ(LabelDiff(), expected);
}

TEST_F(GuideLinePreviewLabels, strokeModesDrawATickTowardsTheLine)
{
    for (int i = 0; i < 4; ++i)
        preview.SetLabelLineText(i, QString());
    preview.SetLabelShift(12, 5);
    preview.SetSideLineMode(9);
    const QImage with = preview.RenderExport();
    const auto anchors = Anchors();
    const int w = Advance(QStringLiteral("1"));
    for (int k = 1; k <= 4; ++k) {
        const int yl = anchors.left[k].y + kShift;
        for (int x = 3 * w / 2; x <= 2 * w; ++x)
            EXPECT_EQ(with.pixel(x, yl), kGreen) << "left k " << k << " x " << x;
        EXPECT_EQ(with.pixel(3 * w / 2 - 1, yl), kBlack);
        EXPECT_EQ(with.pixel(2 * w + 1, yl), kBlack);
        const int yr = anchors.right[k].y + kShift;
        for (int x = 400 - 2 * w - 12; x <= 400 - 3 * w / 2 - 12; ++x)
            EXPECT_EQ(with.pixel(x, yr), kGreen) << "right k " << k << " x " << x;
        EXPECT_EQ(with.pixel(400 - 2 * w - 13, yr), kBlack);
    }
}

TEST_F(GuideLinePreviewLabels, centredBaseLabelSitsOnTheMiddlePointOrBetweenTheEnds)
{
    const QString text = QStringLiteral(" 0.5 м ");
    // Ends entered right to left: the three-point base line has no samples,
    // and without the 1 m points the ends do not snap to the borders.
    preview.SetPoint(4, 0, 0, false, false);
    preview.SetPoint(9, 0, 0, false, false);
    preview.SetPoint(0, 8.0, 8.0, true, false);    // plane (320, 200)
    preview.SetPoint(1, 5.0, 8.48, true, false);   // plane (200, 212)
    preview.SetPoint(2, 2.0, 9.0, true, false);    // plane (80, 225)
    preview.SetLabelShift(40, 40);                 // not used by this mode
    without = preview.RenderExport();
    preview.SetBaseLineMode(1);
    EXPECT_EQ(LabelDiff(), Ink(text, 200 - Advance(text) / 2, 212 + kShift));

    // Middle skipped: the midpoint of the ends, on the straight base line,
    // which the label's box covers from its left to its right edge.
    preview.SetPoint(1, 0, 0, false, false);
    preview.SetBaseLineMode(0);
    without = preview.RenderExport();
    preview.SetBaseLineMode(1);
    const QRect diff = LabelDiff();
    const QRect ink = Ink(text, 200 - Advance(text) / 2, 212 + kShift);
    EXPECT_EQ(diff.left(), 200 - Advance(text) / 2);
    EXPECT_EQ(diff.right(), 200 - Advance(text) / 2 + Advance(text) - 1);
    EXPECT_EQ(diff.top(), ink.top());

    preview.SetPoint(2, 0, 0, false, false);
    without = preview.RenderExport();
    EXPECT_TRUE(LabelDiff().isNull());
}

// Values no page allows but a configuration file can hold.
TEST(GuideLinePreviewHostileValues, renderFinishesWhateverTheSettingsHold)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const int intMax = std::numeric_limits<int>::max();
    const int intMin = std::numeric_limits<int>::min();
    struct Case {
        const char *name;
        double x, y;
        int thickness, fontHeight, shift, gridShift;
    };
    const Case cases[] = {
        {"NaN points", nan, nan, 2, 25, 0, 45},
        {"infinite points", inf, -inf, 2, 25, 0, 45},
        {"1e308 points", 1e308, -1e308, 2, 25, 0, 45},
        {"thickness 1e9", 5.0, 5.0, 1000000000, 25, 0, 45},
        {"font height 1e6", 5.0, 5.0, 2, 1000000, 0, 45},
        {"int extremes", 3e9, -3e9, intMax, intMin, intMax, intMin},
        {"negative everything", -1e9, -1e9, intMin, -25, intMin, intMax},
    };
    for (const Case &c : cases) {
        CGuideLinePreview preview;
        for (int s = 0; s < 34; ++s)
            preview.SetPoint(s, s % 2 ? c.x : 5.0 + s * 0.1, s % 3 ? c.y : 5.0 - s * 0.1, true, false);
        preview.SetLineThickness(c.thickness);
        preview.SetCurveThickness(c.thickness);
        preview.SetCurveTicks(c.thickness);
        preview.SetCurveTicksSpace(c.thickness == intMin ? intMax : -c.thickness);
        preview.SetFontHeight(c.fontHeight);
        preview.SetLabelShift(c.shift, c.shift);
        preview.SetGridShift(c.gridShift);
        preview.SetSideLineMode(9);
        preview.SetBaseLineMode(10);
        preview.SetMirrorLine(c.x * 40, c.y * 40);
        preview.SetShowMirrorLine(true);
        preview.SetIndicatorPosition(c.shift, c.gridShift);
        preview.SetShowIndicator(true);
        preview.SetHighlightedPoint(7);
        EXPECT_EQ(preview.RenderExport().size(), QSize(400, 312)) << c.name;
        EXPECT_EQ(ScreenRender(preview).size(), QSize(440, 350)) << c.name;
        for (int mode = 0; mode <= 10; ++mode) {
            preview.SetSideLineMode(mode);
            preview.SetBaseLineMode(mode);
            EXPECT_FALSE(preview.RenderExport().isNull()) << c.name << " mode " << mode;
        }
    }
}

TEST(GuideLinePreviewHostileValues, unknownLabelModesDrawNoLabels)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    const QImage plain = preview.RenderExport();
    for (int mode : {-1, 11, 1000, std::numeric_limits<int>::min()}) {
        preview.SetSideLineMode(mode);
        preview.SetBaseLineMode(mode);
        EXPECT_EQ(preview.RenderExport(), plain) << mode;
    }
}

} // namespace
