// The preview on a screen of twice the pixel density (QT_SCALE_FACTOR=2 in
// this test's environment): drawn at that density, its one-pixel lines are
// one device pixel wide, not two pixels of a picture scaled up.
#include "CGuideLinePreview.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(PreviewHighDensity, linesAreOneDevicePixelWide)
{
    CGuideLinePreview preview;
    preview.resize(440, 350);
    preview.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&preview));
    ASSERT_EQ(preview.devicePixelRatioF(), 2.0) << "the test runs with QT_SCALE_FACTOR=2";
    const QImage image = preview.grab().toImage();
    ASSERT_EQ(image.width(), 880);
    // Across the middle of the canvas the grid's vertical lines are runs of
    // the grid colour; each run is a single device pixel.
    const int y = image.height() / 2;
    int runs = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) != qRgb(192, 192, 192))
            continue;
        int length = 0;
        while (x < image.width() && image.pixel(x, y) == qRgb(192, 192, 192)) {
            ++length;
            ++x;
        }
        EXPECT_EQ(length, 1) << "at x " << x;
        ++runs;
    }
    EXPECT_GE(runs, 9) << "the grid's lines were found";
}

} // namespace
