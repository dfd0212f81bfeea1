// Screen and export renders of the reference configuration against pictures
// looked at once and kept in tests/data.

#include "GuideLinePreviewTestSupport.h"

#include <QPalette>

#include <algorithm>
#include <ostream>

namespace {

QImage IndicatorStrip()
{
    // A recognisable stand-in for the parking-sensor strip, independent of
    // the bitmap resources.
    QImage strip(240, 32, QImage::Format_RGB32);
    strip.fill(Qt::black);
    for (int x = 0; x < 240; ++x)
        for (int y = 0; y < 32; ++y)
            if ((x / 8 + y / 8) % 2 == 0 && (x < 60 || x >= 180))
                strip.setPixel(x, y, qRgb(255, 255, 255));
    return strip;
}

TEST(GuideLinePreviewGolden, screenReferenceWithGridAndPoints)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    ExpectMatchesGolden(ScreenRender(preview), QStringLiteral("screen-reference"));
}

TEST(GuideLinePreviewGolden, screenLabelsAtThePointsWithCursorSymmetryLineAndIndicator)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    preview.SetLineThickness(3);
    preview.SetSideLineMode(3);
    preview.SetBaseLineMode(1);
    preview.SetHighlightedPoint(5);
    preview.SetMirrorLine(5.0 * 40, 0.4 * 40);
    preview.SetShowMirrorLine(true);
    preview.SetIndicatorBitmap(IndicatorStrip());
    preview.SetIndicatorPosition(5 * 16, 20);
    preview.SetShowIndicator(true);
    ExpectMatchesGolden(ScreenRender(preview), QStringLiteral("screen-labels-cursor"));
}

TEST(GuideLinePreviewGolden, screenScaledUpWithoutGrid)
{
    CGuideLinePreview preview;
    LoadReference(preview);
    preview.SetShowGrid(false);
    preview.SetSideLineMode(4);
    preview.SetBaseLineMode(5);
    // Beyond the canvas the control shows its window colour: fixed here, so
    // that the picture does not depend on the platform's palette.
    QPalette palette = preview.palette();
    palette.setColor(QPalette::Window, QColor(240, 240, 240));
    preview.setPalette(palette);
    // Wider than the canvas proportion: scaled by the height, anchored left.
    ExpectMatchesGolden(ScreenRender(preview, {700, 525}), QStringLiteral("screen-scaled"));
}

struct ExportCase {
    const char *name;
    int sideMode;
    int baseMode;
    int shiftX;
    int shiftY;
    int curveThickness;
    friend void PrintTo(const ExportCase &c, std::ostream *os) { *os << c.name; }
};

class GuideLinePreviewExportGolden : public ::testing::TestWithParam<ExportCase> {};

TEST_P(GuideLinePreviewExportGolden, matchesThePictureKept)
{
    const ExportCase &c = GetParam();
    CGuideLinePreview preview;
    LoadReference(preview);
    preview.SetSideLineMode(c.sideMode);
    preview.SetBaseLineMode(c.baseMode);
    preview.SetLabelShift(c.shiftX, c.shiftY);
    preview.SetCurveThickness(c.curveThickness);
    preview.SetLabelLineText(0, QStringLiteral("1 м"));
    const QImage picture = preview.RenderExport();
    EXPECT_EQ(picture.size(), QSize(400, 312));
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    ExpectMatchesGolden(picture, QStringLiteral("export-%1").arg(QLatin1String(c.name)));
}

INSTANTIATE_TEST_SUITE_P(LabelModes, GuideLinePreviewExportGolden,
                         ::testing::Values(ExportCase{"no-labels", 0, 0, 0, 5, 2},
                                           ExportCase{"at-points", 3, 4, 0, 5, 2},
                                           ExportCase{"at-edges", 6, 7, 20, 5, 1},
                                           ExportCase{"edges-stroke", 9, 10, 10, -3, 4},
                                           ExportCase{"centred-base", 1, 1, 15, 10, 2}),
                         [](const auto &info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
