// The program icon as desktops and the window system get it: the PNG sizes
// installed for menus must still show the SVG icon (they are drawn from it by
// resources/icons/make-icons.sh and kept in the tree), and the window icon
// must come from the small sizes compiled into the program.

#include "QtUserInterface.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QString SourcePath(const char *relative)
{
    return QString::fromLocal8Bit(std::getenv("TARVELLO_SOURCE_DIR")) + QLatin1Char('/')
        + QLatin1String(relative);
}

QImage RenderSvgIcon(int size)
{
    QSvgRenderer renderer(SourcePath("resources/illustrations/128.svg"));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

// Mean difference per channel (0..255) of two images of the same size,
// compared as premultiplied colours so that fully transparent pixels agree.
double MeanDifference(const QImage &a, const QImage &b)
{
    const QImage pa = a.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double sum = 0;
    for (int y = 0; y < pa.height(); ++y) {
        for (int x = 0; x < pa.width(); ++x) {
            const QRgb p = pa.pixel(x, y);
            const QRgb q = pb.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                + std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
        }
    }
    return sum / (4.0 * pa.width() * pa.height());
}

// Two renderers smooth the edges a little differently: measured up to 1.8 at
// 16 pixels and below 0.4 from 22 pixels up. Moving the icon's crossbar by
// a sixteenth of its height, or making its screen slightly lighter, differs
// by 2.6 or more (4.3 at 16 pixels).
double AllowedDifference(int size)
{
    return size < 20 ? 3.0 : 1.2;
}

class IconSizeTest : public ::testing::TestWithParam<int> {};

TEST_P(IconSizeTest, pngIsTheSvgIconAtItsSize)
{
    const int size = GetParam();
    const QString path = SourcePath("resources/icons/") + QString::number(size) + QStringLiteral(".png");
    const QImage png(path);
    ASSERT_FALSE(png.isNull()) << qPrintable(path) << " cannot be read";
    ASSERT_EQ(png.size(), QSize(size, size));
    EXPECT_LE(MeanDifference(png, RenderSvgIcon(size)), AllowedDifference(size))
        << qPrintable(path) << " no longer matches 128.svg; run resources/icons/make-icons.sh";
}

INSTANTIATE_TEST_SUITE_P(InstalledSizes, IconSizeTest, ::testing::Values(16, 22, 24, 32, 48, 64, 128, 256));

TEST(WindowIconTest, comesFromTheCompiledInSizesAndNamesTheDesktopEntry)
{
    InstallQtUserInterface();
    const QIcon icon = QApplication::windowIcon();
    EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{16, 16}, {32, 32}, {48, 48}}));
    for (const int size : {16, 32, 48}) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        ASSERT_EQ(image.size(), QSize(size, size)) << "size " << size << " not loaded";
        EXPECT_LE(MeanDifference(image, RenderSvgIcon(size)), AllowedDifference(size)) << "size " << size;
    }
    // Wayland compositors find the icon through the desktop entry of this name.
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("tarvello-setup"));
}

} // namespace
