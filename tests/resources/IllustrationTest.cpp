// The SVG drawings compiled into the program: the assembly diagram of the
// first page, the completion picture of the last page and the program icon.

#include "ResourceIds.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QStringList>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct IllustrationCase {
    int id;
    bool pageDrawing;      // 4:3 on a white background; otherwise a square icon
    double minGreenShare;  // least share of guide-line green in the rendering
};

// The assembly diagram shows the lines only on the small monitor; the icon is
// mostly lines.
const IllustrationCase kIllustrations[] = {
    {Ids::ILLUSTRATION_SYSAS, true, 0.002},
    {Ids::ILLUSTRATION_COMPLITE, true, 0.01},
    {Ids::IDI_ICON, false, 0.05},
};

void PrintTo(const IllustrationCase &c, std::ostream *os) { *os << "illustration " << c.id; }

QByteArray ReadResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Collects the warnings Qt prints while it is alive (QSvgRenderer reports
// unsupported elements and attributes this way and then ignores them).
class WarningCatcher {
public:
    WarningCatcher() { previous_ = qInstallMessageHandler(&WarningCatcher::handle); }
    ~WarningCatcher() { qInstallMessageHandler(previous_); }
    static QStringList &messages()
    {
        static QStringList list;
        return list;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type != QtDebugMsg && type != QtInfoMsg)
            messages() << message;
    }
    QtMessageHandler previous_ = nullptr;
};

QImage Render(QSvgRenderer &renderer, QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    return image;
}

bool IsGuideLineGreen(QRgb pixel)
{
    return qAlpha(pixel) > 200 && qGreen(pixel) > qRed(pixel) + 60 && qGreen(pixel) > qBlue(pixel) + 40;
}

int CountPixels(const QImage &image, bool (*predicate)(QRgb))
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            count += predicate(image.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

class IllustrationTest : public ::testing::TestWithParam<IllustrationCase> {};

std::string CaseName(const ::testing::TestParamInfo<IllustrationCase> &info)
{
    return "Id" + std::to_string(info.param.id);
}

} // namespace

TEST_P(IllustrationTest, LoadsAsValidSvgWithoutRendererWarnings)
{
    const QByteArray svg = ReadResource(Ids::IllustrationPath(GetParam().id));
    ASSERT_FALSE(svg.isEmpty());
    WarningCatcher::messages().clear();
    {
        WarningCatcher catcher;
        QSvgRenderer renderer(svg);
        EXPECT_TRUE(renderer.isValid());
        Render(renderer, QSize(160, 120));
    }
    EXPECT_TRUE(WarningCatcher::messages().isEmpty())
        << WarningCatcher::messages().join(QLatin1Char('\n')).toStdString();
}

TEST_P(IllustrationTest, HasTheShapeItsControlExpects)
{
    QSvgRenderer renderer(Ids::IllustrationPath(GetParam().id));
    ASSERT_TRUE(renderer.isValid());
    const QRectF box = renderer.viewBoxF();
    ASSERT_GT(box.height(), 0.0);
    const double expected = GetParam().pageDrawing ? 4.0 / 3.0 : 1.0;
    EXPECT_NEAR(box.width() / box.height(), expected, 1e-9);
}

TEST_P(IllustrationTest, ShowsGreenGuideLines)
{
    QSvgRenderer renderer(Ids::IllustrationPath(GetParam().id));
    ASSERT_TRUE(renderer.isValid());
    // The icon must still show its lines at the size of a title-bar icon.
    const QSize size = GetParam().pageDrawing ? QSize(400, 300) : QSize(32, 32);
    const QImage image = Render(renderer, size);
    const int green = CountPixels(image, IsGuideLineGreen);
    EXPECT_GE(green, image.width() * image.height() * GetParam().minGreenShare);
}

TEST_P(IllustrationTest, UsesOnlyWhatTheSvgRendererDraws)
{
    const QString svg = QString::fromUtf8(ReadResource(Ids::IllustrationPath(GetParam().id)));
    for (const char *unsupported : {"<filter", "class=", "<style", "textPath", "<image", "clipPath", "mask="})
        EXPECT_FALSE(svg.contains(QLatin1String(unsupported))) << unsupported;
    static const QRegularExpression family(QStringLiteral("font-family=\"([^\"]*)\""));
    for (auto it = family.globalMatch(svg); it.hasNext();)
        EXPECT_EQ(it.next().captured(1), QStringLiteral("DejaVu Sans"));
}

INSTANTIATE_TEST_SUITE_P(AllIds, IllustrationTest, ::testing::ValuesIn(kIllustrations), CaseName);

TEST(Illustrations, PageDrawingsAreWhiteBacked)
{
    for (int id : {Ids::ILLUSTRATION_SYSAS, Ids::ILLUSTRATION_COMPLITE}) {
        QSvgRenderer renderer(Ids::IllustrationPath(id));
        ASSERT_TRUE(renderer.isValid()) << id;
        const QImage image = Render(renderer, QSize(400, 300));
        for (QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 299), QPoint(399, 299)})
            EXPECT_EQ(image.pixel(corner), qRgba(255, 255, 255, 255)) << id;
        const int drawn = CountPixels(image, [](QRgb p) { return p != qRgba(255, 255, 255, 255); });
        EXPECT_GE(drawn, 400 * 300 / 10) << id << ": hardly anything is drawn";
    }
}

TEST(Illustrations, AssemblyDiagramNamesTheFourParts)
{
    const QString svg = QString::fromUtf8(ReadResource(Ids::IllustrationPath(Ids::ILLUSTRATION_SYSAS)));
    for (const char *label : {"Камера заднего вида", "Модуль TRX-G-K4", "Монитор автомобиля", "Компьютер (USB)"})
        EXPECT_TRUE(svg.contains(QString::fromUtf8(label))) << label;
    const QString done = QString::fromUtf8(ReadResource(Ids::IllustrationPath(Ids::ILLUSTRATION_COMPLITE)));
    EXPECT_TRUE(done.contains(QStringLiteral("Настройка завершена")));
}
