// The help texts compiled into the program: one per page or sub-step, each
// opening with its step heading in bold and (for the step texts) closing with
// the line that tells the installer how to go on.

#include "ResourceIds.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

namespace {

enum class Closing { Quoted, Unquoted, None };

struct HelpCase {
    int id;
    const char *heading; // nullptr: the text has no step heading
    Closing closing;
};

const HelpCase kHelpTexts[] = {
    {Ids::HELP_SYSAS, "Шаг 1. Сборка системы.", Closing::Quoted},
    {Ids::HELP_MONCAM, "Шаг 2. Установка параметров камеры и монитора.", Closing::None},
    {Ids::HELP_GRIDSHIFT, "Шаг 3. Настройка калибровочной сетки.", Closing::Unquoted},
    {Ids::HELP_BASELINE_LEFT, "Шаг 4.1. Настройка базовой линии. Левая точка.", Closing::Quoted},
    {Ids::HELP_BASELINE_RIGHT, "Шаг 4.2. Настройка базовой линии. Правая точка.", Closing::Quoted},
    {Ids::HELP_BASELINE_MIDDLE, "Шаг 4.3. Настройка базовой линии. Средняя точка.", Closing::Quoted},
    {Ids::HELP_BASELINE_REVIEW, "Шаг 4.4. Настройка базовой линии.", Closing::Quoted},
    {Ids::HELP_LEFTBORD_0, "Шаг 5.1. Настройка левой габаритной линии. Точка на базовой линии.", Closing::Quoted},
    {Ids::HELP_LEFTBORD_1, "Шаг 5.2. Настройка левой габаритной линии. Точка 1 м.", Closing::Quoted},
    {Ids::HELP_LEFTBORD_2, "Шаг 5.3. Настройка левой габаритной линии. Точка 2 м.", Closing::Quoted},
    {Ids::HELP_LEFTBORD_3, "Шаг 5.4. Настройка левой габаритной линии. Точка 3 м.", Closing::Quoted},
    {Ids::HELP_LEFTBORD_4, "Шаг 5.5. Настройка левой габаритной линии. Точка 4 м.", Closing::Quoted},
    {Ids::HELP_LEFTBORD_REVIEW, "Шаг 5.6. Настройка левой габаритной линии.", Closing::Quoted},
    {Ids::HELP_MIRRORLINE, "Шаг 6. Настройка линии симметрии.", Closing::Quoted},
    {Ids::HELP_RIGHTBORD_0, "Шаг 7.1. Настройка правой габаритной линии. Точка на базовой линии.", Closing::Quoted},
    {Ids::HELP_RIGHTBORD_1, "Шаг 7.2. Настройка правой габаритной линии. Точка 1 м.", Closing::Quoted},
    {Ids::HELP_RIGHTBORD_2, "Шаг 7.3. Настройка правой габаритной линии. Точка 2 м.", Closing::Quoted},
    {Ids::HELP_RIGHTBORD_3, "Шаг 7.4. Настройка правой габаритной линии. Точка 3 м.", Closing::Quoted},
    {Ids::HELP_RIGHTBORD_4, "Шаг 7.5. Настройка правой габаритной линии. Точка 4 м.", Closing::Quoted},
    {Ids::HELP_RIGHTBORD_REVIEW, "Шаг 7.6. Настройка правой габаритной линии.", Closing::Quoted},
    {Ids::HELP_LEFTCURVE_0, "Шаг 8.1. Настройка левой поворотной линии. Первая точка.", Closing::Quoted},
    {Ids::HELP_LEFTCURVE_1, "Шаг 8.2. Настройка левой поворотной линии. Вторая точка.", Closing::Quoted},
    {Ids::HELP_LEFTCURVE_2, "Шаг 8.3. Настройка левой поворотной линии. Третья точка.", Closing::Quoted},
    {Ids::HELP_LEFTCURVE_REVIEW, "Шаг 8.4. Настройка левой поворотной линии.", Closing::Quoted},
    {Ids::HELP_RIGHTCURVE_0, "Шаг 9.1. Настройка правой поворотной линии. Первая точка.", Closing::Quoted},
    {Ids::HELP_RIGHTCURVE_1, "Шаг 9.2. Настройка правой поворотной линии. Вторая точка.", Closing::Quoted},
    {Ids::HELP_RIGHTCURVE_2, "Шаг 9.3. Настройка правой поворотной линии. Третья точка.", Closing::Quoted},
    {Ids::HELP_RIGHTCURVE_REVIEW, "Шаг 9.4. Настройка правой поворотной линии.", Closing::Quoted},
    {Ids::HELP_LINEBOLD, "Шаг 10. Настройка толщины линий.", Closing::Quoted},
    {Ids::HELP_MARKPLACE, "Шаг 11. Настройка текстовых меток.", Closing::Quoted},
    {Ids::HELP_LOADBMP, "Шаг 12. Загрузка изображения ограничительных линий в устройство.", Closing::Quoted},
    {Ids::HELP_LOADWARN, "Шаг 13. Загрузка предупредительной надписи в устройство.", Closing::Quoted},
    {Ids::HELP_PARKTRONIC, "Шаг 14. Настройка ультразвуковой системы парковки.", Closing::Quoted},
    {Ids::HELP_WARNING, "Шаг 15. Настройка времени показа предупреждения.", Closing::Quoted},
    {Ids::HELP_COMPLETE, nullptr, Closing::None},
};

void PrintTo(const HelpCase &c, std::ostream *os) { *os << "help text " << c.id; }

const QString kNextQuoted = QStringLiteral("Нажмите кнопку \"Далее\" или клавишу F6.");
const QString kNextUnquoted = QStringLiteral("Нажмите кнопку Далее или клавишу F6.");
const QString kProduct = QStringLiteral("Tarvello");

// Lines of the greeting that precede the heading of the first page's text.
constexpr int kGreetingLines = 3;

QByteArray ReadResource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The help text as the page shows it: the resource decoded as UTF-8 and laid
// out by the rich-text engine.
std::unique_ptr<QTextDocument> LoadDocument(int id)
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setHtml(QString::fromUtf8(ReadResource(Ids::HelpTextPath(id))));
    return doc;
}

// Non-empty lines of the rendered plain text, untrimmed: a stray space at
// either end of a line is a fault too.
QStringList PlainLines(const QTextDocument &doc)
{
    QStringList lines;
    for (const QString &line : doc.toPlainText().split(QLatin1Char('\n'))) {
        if (!line.isEmpty())
            lines << line;
    }
    return lines;
}

int HeadingLine(int id) { return id == Ids::HELP_SYSAS ? kGreetingLines : 0; }

bool IsBold(const QTextCharFormat &format) { return format.fontWeight() >= QFont::Bold; }

class HelpTextTest : public ::testing::TestWithParam<HelpCase> {};

std::string CaseName(const ::testing::TestParamInfo<HelpCase> &info)
{
    return "Id" + std::to_string(info.param.id);
}

} // namespace

TEST(HelpTexts, ResourceFolderHoldsExactlyOneFilePerHelpId)
{
    QSet<QString> expected;
    for (const HelpCase &c : kHelpTexts)
        expected.insert(QStringLiteral("%1.html").arg(c.id));
    ASSERT_EQ(expected.size(), 35) << "help ids must be distinct";

    const QStringList present = QDir(QStringLiteral(":/help")).entryList(QDir::Files);
    const QSet<QString> presentSet(present.begin(), present.end());
    for (const QString &name : expected)
        EXPECT_TRUE(presentSet.contains(name)) << "missing " << name.toStdString();
    for (const QString &name : presentSet)
        EXPECT_TRUE(expected.contains(name)) << "help text without an id: " << name.toStdString();
}

TEST_P(HelpTextTest, IsValidUtf8Html)
{
    const QByteArray bytes = ReadResource(Ids::HelpTextPath(GetParam().id));
    ASSERT_FALSE(bytes.isEmpty());
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(bytes);
    EXPECT_FALSE(decoder.hasError());
    EXPECT_TRUE(text.contains(QStringLiteral("<body"))) << "not an HTML document";
    EXPECT_TRUE(text.contains(QStringLiteral("</html>"))) << "document is cut short";
}

TEST_P(HelpTextTest, OpensWithItsBoldStepHeading)
{
    const HelpCase &c = GetParam();
    auto doc = LoadDocument(c.id);
    const QStringList lines = PlainLines(*doc);
    ASSERT_GT(lines.size(), HeadingLine(c.id) + 1);

    if (!c.heading) {
        for (const QString &line : lines)
            EXPECT_FALSE(line.startsWith(QStringLiteral("Шаг"))) << line.toStdString();
        return;
    }
    const QString heading = QString::fromUtf8(c.heading);
    EXPECT_EQ(lines.at(HeadingLine(c.id)), heading);

    QTextBlock block = doc->begin();
    while (block.isValid() && block.text() != heading)
        block = block.next();
    ASSERT_TRUE(block.isValid()) << "heading is not a paragraph of its own";
    for (auto it = block.begin(); !it.atEnd(); ++it)
        EXPECT_TRUE(IsBold(it.fragment().charFormat())) << it.fragment().text().toStdString();
}

TEST_P(HelpTextTest, ClosesWithTheNextKeyLineOnlyWhereRequired)
{
    const HelpCase &c = GetParam();
    auto doc = LoadDocument(c.id);
    const QStringList lines = PlainLines(*doc);
    ASSERT_FALSE(lines.isEmpty());

    switch (c.closing) {
    case Closing::Quoted:
        EXPECT_EQ(lines.last(), kNextQuoted);
        break;
    case Closing::Unquoted:
        EXPECT_EQ(lines.last(), kNextUnquoted);
        break;
    case Closing::None:
        EXPECT_NE(lines.last(), kNextQuoted);
        EXPECT_NE(lines.last(), kNextUnquoted);
        break;
    }
    // The closing line appears once, at the end, and nowhere in the body.
    EXPECT_LE(lines.count(kNextQuoted) + lines.count(kNextUnquoted), 1);
}

TEST_P(HelpTextTest, BodyIsPlainExceptHeadingAndGreetingProductName)
{
    const HelpCase &c = GetParam();
    auto doc = LoadDocument(c.id);
    const QString heading = c.heading ? QString::fromUtf8(c.heading) : QString();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (!heading.isEmpty() && block.text() == heading)
            continue;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const bool productInGreeting =
                c.id == Ids::HELP_SYSAS && fragment.text() == kProduct;
            if (productInGreeting)
                continue;
            EXPECT_FALSE(IsBold(fragment.charFormat())) << fragment.text().toStdString();
            EXPECT_FALSE(fragment.charFormat().fontItalic()) << fragment.text().toStdString();
        }
    }
}

// Names are quoted «so», as everywhere in the program; straight quotes
// only in the fixed closing line.
TEST_P(HelpTextTest, RendersWithoutStrayMarkupAndQuotesWithGuillemets)
{
    auto doc = LoadDocument(GetParam().id);
    const QString text = doc->toPlainText();
    EXPECT_FALSE(text.contains(QLatin1Char('<'))) << "unparsed tag";
    EXPECT_FALSE(text.contains(QLatin1Char('>'))) << "unparsed tag";
    static const QRegularExpression entity(QStringLiteral("&#?[A-Za-z0-9]+;"));
    EXPECT_FALSE(text.contains(entity)) << "entity escaped twice";
    for (const QString &line : PlainLines(*doc)) {
        EXPECT_TRUE(line == kNextQuoted || !line.contains(QLatin1Char('"'))) << line.toStdString();
        EXPECT_EQ(line.count(QChar(u'«')), line.count(QChar(u'»'))) << line.toStdString();
    }
}

TEST_P(HelpTextTest, SpellsTheProductAndModuleNamesExactly)
{
    const QString text = LoadDocument(GetParam().id)->toPlainText();
    static const QRegularExpression module(QStringLiteral("TRX[^ .,;:)]*"));
    static const QRegularExpression product(QStringLiteral("tarvel\\w*"),
                                            QRegularExpression::CaseInsensitiveOption);
    for (auto it = module.globalMatch(text); it.hasNext();)
        EXPECT_EQ(it.next().captured(), QStringLiteral("TRX-G-K4"));
    for (auto it = product.globalMatch(text); it.hasNext();)
        EXPECT_EQ(it.next().captured(), kProduct);
}

TEST_P(HelpTextTest, AsksOnlyForFontsThatAreAlwaysThere)
{
    const QString html = QString::fromUtf8(ReadResource(Ids::HelpTextPath(GetParam().id)));
    EXPECT_FALSE(html.contains(QStringLiteral("<font"), Qt::CaseInsensitive));
    static const QRegularExpression family(QStringLiteral("font-family\\s*:\\s*([^;\"]+)"));
    for (auto it = family.globalMatch(html); it.hasNext();)
        EXPECT_EQ(it.next().captured(1).trimmed(), QStringLiteral("sans-serif"));

    // Every character is laid out at 10 points.
    auto doc = LoadDocument(GetParam().id);
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it)
            EXPECT_DOUBLE_EQ(it.fragment().charFormat().fontPointSize(), 10.0)
                << it.fragment().text().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(AllIds, HelpTextTest, ::testing::ValuesIn(kHelpTexts), CaseName);

TEST(HelpTexts, GreetingPrecedesTheFirstHeadingWithTheProductInBoldItalic)
{
    auto doc = LoadDocument(Ids::HELP_SYSAS);
    const QStringList lines = PlainLines(*doc);
    ASSERT_GT(lines.size(), kGreetingLines);
    for (int i = 0; i < kGreetingLines; ++i)
        EXPECT_FALSE(lines.at(i).startsWith(QStringLiteral("Шаг"))) << lines.at(i).toStdString();
    EXPECT_TRUE(lines.mid(0, kGreetingLines).join(QLatin1Char(' ')).contains(kProduct));

    const QTextCursor found = doc->find(kProduct);
    ASSERT_FALSE(found.isNull());
    EXPECT_EQ(found.block().blockNumber(), 0) << "the product name belongs to the greeting";
    // charFormat() of a selection is the format of its last character; check
    // the first one as well.
    QTextCursor first(doc.get());
    first.setPosition(found.selectionStart() + 1);
    for (const QTextCharFormat &format : {found.charFormat(), first.charFormat()}) {
        EXPECT_TRUE(IsBold(format));
        EXPECT_TRUE(format.fontItalic());
    }
}
