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
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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
    {Ids::ILLUSTRATION_COMPLETE, true, 0.01},
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
    for (int id : {Ids::ILLUSTRATION_SYSAS, Ids::ILLUSTRATION_COMPLETE}) {
        QSvgRenderer renderer(Ids::IllustrationPath(id));
        ASSERT_TRUE(renderer.isValid()) << id;
        const QImage image = Render(renderer, QSize(400, 300));
        for (QPoint corner : {QPoint(0, 0), QPoint(399, 0), QPoint(0, 299), QPoint(399, 299)})
            EXPECT_EQ(image.pixel(corner), qRgba(255, 255, 255, 255)) << id;
        const int drawn = CountPixels(image, [](QRgb p) { return p != qRgba(255, 255, 255, 255); });
        EXPECT_GE(drawn, 400 * 300 / 10) << id << ": hardly anything is drawn";
    }
}

namespace {

// The editable drawings: the compiled-in page drawings are generated from
// these with their texts turned into glyph outlines.
QString SourceDrawingPath(int id)
{
    return qEnvironmentVariable("TARVELLO_SOURCE_DIR") + QStringLiteral("/resources/illustrations/src/%1.svg").arg(id);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The character data of every <text> element, whitespace collapsed as the
// renderer shows it.
QStringList TextElements(const QByteArray &svg)
{
    QStringList texts;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).simplified();
    }
    return texts;
}

// Pixels whose colour differs by more than a quarter of the range in some
// channel: edge antialiasing differences stay below that, missing or moved ink
// does not.
int CountDifferingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            count += d > 64 ? 1 : 0;
        }
    }
    return count;
}

// Compared at the drawings' own size. Leaving out only the smallest
// label of the assembly diagram ("USB", 13 units) makes about 100 pixels
// differ; outlines of the right glyphs in the right place make almost none.
const QSize kCompareSize(800, 600);
constexpr int kMostDifferingPixels = 800 * 600 / 10000;

} // namespace

TEST(Illustrations, AssemblyDiagramNamesTheFourParts)
{
    const QStringList parts = TextElements(ReadFile(SourceDrawingPath(Ids::ILLUSTRATION_SYSAS)));
    for (const char *label : {"Камера заднего вида", "Модуль TRX-G-K4", "Монитор автомобиля", "Компьютер (USB)"})
        EXPECT_TRUE(parts.contains(QString::fromUtf8(label))) << label << " in " << parts.join(QLatin1String(" | ")).toStdString();
    const QStringList done = TextElements(ReadFile(SourceDrawingPath(Ids::ILLUSTRATION_COMPLETE)));
    EXPECT_TRUE(done.contains(QStringLiteral("Настройка завершена"))) << done.join(QLatin1String(" | ")).toStdString();
}

class OutlinedDrawingTest : public ::testing::TestWithParam<int> {};

TEST_P(OutlinedDrawingTest, CompiledDrawingHasNoTextElements)
{
    const QByteArray source = ReadFile(SourceDrawingPath(GetParam()));
    ASSERT_FALSE(source.isEmpty()) << SourceDrawingPath(GetParam()).toStdString();
    ASSERT_FALSE(TextElements(source).isEmpty()) << "the source has lost its texts";

    const QByteArray compiled = ReadResource(Ids::IllustrationPath(GetParam()));
    ASSERT_FALSE(compiled.isEmpty());
    QXmlStreamReader xml(compiled);
    QStringList elements;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement)
            elements << xml.name().toString();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    for (const char *textual : {"text", "tspan", "textArea", "font"})
        EXPECT_FALSE(elements.contains(QLatin1String(textual))) << textual;
}

TEST_P(OutlinedDrawingTest, CompiledDrawingLooksLikeItsSource)
{
    QSvgRenderer source(SourceDrawingPath(GetParam()));
    QSvgRenderer compiled(Ids::IllustrationPath(GetParam()));
    ASSERT_TRUE(source.isValid());
    ASSERT_TRUE(compiled.isValid());
    EXPECT_EQ(compiled.viewBoxF(), source.viewBoxF());
    EXPECT_EQ(compiled.viewBoxF(), QRectF(0, 0, 800, 600));

    const int differing = CountDifferingPixels(Render(source, kCompareSize), Render(compiled, kCompareSize));
    EXPECT_LE(differing, kMostDifferingPixels)
        << "regenerate with resources/illustrations/outline-text.sh (the source renders with the "
           "DejaVu fonts installed)";
}

INSTANTIATE_TEST_SUITE_P(PageDrawings, OutlinedDrawingTest,
                         ::testing::Values(int(Ids::ILLUSTRATION_SYSAS), int(Ids::ILLUSTRATION_COMPLETE)),
                         [](const ::testing::TestParamInfo<int> &info) { return "Id" + std::to_string(info.param); });

TEST(Illustrations, DrawingComparisonNoticesOneMissingLabel)
{
    // The smallest label of the assembly diagram left out of its source must
    // already be more than the comparison above tolerates.
    QByteArray source = ReadFile(SourceDrawingPath(Ids::ILLUSTRATION_SYSAS));
    const QByteArray label = ">USB</text>";
    const qsizetype end = source.indexOf(label);
    ASSERT_GE(end, 0);
    const qsizetype start = source.lastIndexOf("<text", end);
    ASSERT_GE(start, 0);
    QByteArray without = source;
    without.remove(start, end + label.size() - start);

    QSvgRenderer full(source);
    QSvgRenderer lacking(without);
    ASSERT_TRUE(full.isValid());
    ASSERT_TRUE(lacking.isValid());
    EXPECT_GT(CountDifferingPixels(Render(full, kCompareSize), Render(lacking, kCompareSize)), kMostDifferingPixels);
}
