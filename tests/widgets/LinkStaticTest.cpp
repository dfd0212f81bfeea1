#include "CLinkStatic.h"
#include "TestSupport.h"

#include <QFontMetrics>
#include <QImage>
#include <QPalette>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kLinkColor(0, 0, 238);
const QColor kVisitedColor(85, 26, 139);

// True when the control, as drawn, has at least one pixel of the colour (the
// underline is drawn solid in the text colour).
bool DrawnWith(QWidget *w, const QColor &color)
{
    const QImage image = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (QColor(image.pixel(x, y)) == color)
                return true;
    return false;
}

class LinkStaticTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousOpener = CLinkStatic::SetOpener([this](const QString &target) {
            opened.push_back(target);
            return openSucceeds;
        });
        window = std::make_unique<QWidget>();
        window->resize(400, 200);
    }

    void TearDown() override
    {
        window.reset();
        CLinkStatic::SetOpener(previousOpener);
    }

    CLinkStatic *Link(const QString &text, const QString &target, QRect geometry = {20, 20, 300, 40})
    {
        auto *link = new CLinkStatic(text, window.get());
        link->setGeometry(geometry);
        link->SetTarget(target);
        return link;
    }

    void Show()
    {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    std::unique_ptr<QWidget> window;
    std::vector<QString> opened;
    bool openSucceeds = true;
    RecordedMessages messages;
    CLinkStatic::Opener previousOpener;
};

TEST_F(LinkStaticTest, emptyTextShowsTheTargetAndEmptyTargetTakesTheText)
{
    CLinkStatic *noText = Link(QString(), QStringLiteral("mailto:a@example.ru"));
    CLinkStatic *noTarget = Link(QStringLiteral("https://example.ru"), QString(), {20, 80, 300, 40});
    Show();
    EXPECT_EQ(noText->text(), QStringLiteral("mailto:a@example.ru"));
    EXPECT_EQ(noText->toolTip(), QStringLiteral("mailto:a@example.ru"));
    EXPECT_EQ(noTarget->Target(), QStringLiteral("https://example.ru"));
    EXPECT_EQ(noTarget->toolTip(), QStringLiteral("https://example.ru"));
    EXPECT_EQ(noTarget->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(noTarget->font().underline());
}

TEST_F(LinkStaticTest, fitsItsTextOnlyWhenAskedTo)
{
    CLinkStatic *fitting = Link(QStringLiteral("Email: a@example.ru"), QStringLiteral("mailto:a@example.ru"));
    CLinkStatic *fixed = Link(QStringLiteral("Email: b@example.ru"), QStringLiteral("mailto:b@example.ru"),
                              {20, 80, 300, 40});
    fixed->SetFitToText(false);
    Show();
    // The text's width, allowing the pixel that a fractional advance rounds up to.
    const QFontMetrics fm(fitting->font());
    auto expectFits = [&](CLinkStatic *link, QPoint topLeft) {
        EXPECT_EQ(link->pos(), topLeft);
        EXPECT_NEAR(link->width(), fm.horizontalAdvance(link->text()), 1);
        EXPECT_EQ(link->height(), fm.height());
    };
    expectFits(fitting, {20, 20});
    EXPECT_EQ(fixed->geometry(), QRect(20, 80, 300, 40));

    // A new target refits a fitting link to its (changed) text.
    fitting->setText(QStringLiteral("x"));
    fitting->SetTarget(QStringLiteral("mailto:x@example.ru"));
    expectFits(fitting, {20, 20});
}

TEST_F(LinkStaticTest, hoverColourLastsWhileTheMouseIsOverIt)
{
    CLinkStatic *link = Link(QStringLiteral("Email: a@example.ru"), QStringLiteral("mailto:a@example.ru"));
    const QColor hover = link->palette().color(QPalette::Highlight);
    ASSERT_NE(hover, kLinkColor);
    Show();
    EXPECT_TRUE(DrawnWith(link, kLinkColor));

    QTest::mouseMove(window.get(), link->geometry().center());
    EXPECT_TRUE(link->IsHovering());
    EXPECT_EQ(link->CurrentColor(), hover);
    EXPECT_TRUE(DrawnWith(link, hover));
    EXPECT_FALSE(DrawnWith(link, kLinkColor));

    QTest::mouseMove(window.get(), QPoint(380, 180));
    EXPECT_FALSE(link->IsHovering());
    EXPECT_TRUE(DrawnWith(link, kLinkColor));
    EXPECT_FALSE(DrawnWith(link, hover));

    // After a visit, leaving restores the visited colour.
    link->MarkVisited(true);
    QTest::mouseMove(window.get(), link->geometry().center());
    QTest::mouseMove(window.get(), QPoint(380, 180));
    EXPECT_TRUE(DrawnWith(link, kVisitedColor));
}

TEST_F(LinkStaticTest, clickOpensTheTargetAndOnlySuccessMarksItVisited)
{
    for (bool succeeds : {true, false}) {
        openSucceeds = succeeds;
        opened.clear();
        messages.clear();
        CLinkStatic *link = Link(QStringLiteral("Email: a@example.ru"), QStringLiteral("mailto:a@example.ru"));
        Show();
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
        EXPECT_EQ(opened, std::vector<QString>{QStringLiteral("mailto:a@example.ru")});
        EXPECT_EQ(link->IsVisited(), succeeds);
        EXPECT_EQ(messages.count(), succeeds ? 0u : 1u);
        QTest::mouseMove(window.get(), QPoint(380, 180));
        EXPECT_TRUE(DrawnWith(link, succeeds ? kVisitedColor : kLinkColor));
        delete link;
    }
}

// With no mail program (or browser) the click still leaves the installer
// something to act on: the address alone on a line, to select and copy.
TEST_F(LinkStaticTest, failedOpenShowsTheAddressToCopy)
{
    openSucceeds = false;
    const struct {
        const char *target;
        const char *shownLine;
    } cases[] = {
        {"mailto:support@tarvello.ru", "support@tarvello.ru"},
        {"  MAILTO:info@tarvello.ru?subject=%D0%9C%D0%BE%D0%B4%D1%83%D0%BB%D1%8C ", "info@tarvello.ru"},
        {"mailto:%D0%BF%D0%BE%D1%87%D1%82%D0%B0@example.ru", "почта@example.ru"},
        {"https://tarvello.ru/support", "https://tarvello.ru/support"},
    };
    Show();
    for (const auto &c : cases) {
        messages.clear();
        CLinkStatic *link = Link(QStringLiteral("Email"), QString::fromUtf8(c.target));
        link->show();
        QTest::mouseClick(link, Qt::LeftButton, {}, QPoint(2, 2));
        ASSERT_EQ(messages.count(), 1u) << c.target;
        const UserMessage &shown = messages.all()[0];
        EXPECT_TRUE(shown.text.split(QLatin1Char('\n')).contains(QString::fromUtf8(c.shownLine)))
            << c.target << " -> " << qPrintable(shown.text);
        EXPECT_EQ(shown.caption, ProgramCaption());
        EXPECT_EQ(shown.icon, UserMessage::Icon::Warning);
        const bool mail = QString::fromUtf8(c.target).contains(QLatin1String("mailto"), Qt::CaseInsensitive);
        EXPECT_EQ(shown.text.contains(QStringLiteral("почтов")), mail) << c.target;
        delete link;
    }
}

TEST_F(LinkStaticTest, releasingOutsideOrWithAnotherButtonOpensNothing)
{
    CLinkStatic *link = Link(QStringLiteral("Email: a@example.ru"), QStringLiteral("mailto:a@example.ru"));
    Show();
    QTest::mouseClick(link, Qt::RightButton, {}, QPoint(2, 2));
    QTest::mousePress(link, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(link->width() + 30, 2));
    EXPECT_TRUE(opened.empty());
    EXPECT_FALSE(link->IsVisited());
}

} // namespace
