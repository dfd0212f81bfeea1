#include "CValueSpinCtrl.h"
#include "CoordinateKeys.h"
#include "TestSupport.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

const QString kRangeMessage = QStringLiteral(
    "Введённое значение выходит за допустимые пределы. Введите число от -2.00 до 12.00.");

// A point page in miniature: five coordinate rows set up as every point
// page sets them, a default button, and the page's key handling.
class PointPage : public ::testing::Test {
protected:
    static constexpr int kRows = 5;

    void SetUp() override
    {
        page = std::make_unique<QDialog>();
        page->resize(400, 300);
        next = new QPushButton(QStringLiteral("Далее"), page.get());
        next->setGeometry(300, 260, 80, 24);
        next->setDefault(true);
        QObject::connect(next, &QPushButton::clicked, [this] { ++defaultPressed; });
        std::vector<CoordinateRow> rows;
        for (int r = 0; r < kRows; ++r) {
            CoordinateRow row;
            row.xEdit = Edit(10, 10 + 30 * r);
            row.xSpin = Spin(row.xEdit);
            row.yEdit = Edit(110, 10 + 30 * r);
            row.ySpin = Spin(row.yEdit);
            rows.push_back(row);
        }
        keys.SetRows(rows);
        keys.SetAfterChange([this](int row) { changed.push_back(row); });
        keys.Watch(page.get());
        page->show();
        page->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(page.get()));
    }

    QLineEdit *Edit(int x, int y)
    {
        auto *edit = new QLineEdit(page.get());
        edit->setGeometry(x, y, 70, 22);
        return edit;
    }

    CValueSpinCtrl *Spin(QLineEdit *edit)
    {
        auto *spin = new CValueSpinCtrl(page.get());
        spin->setGeometry(edit->geometry().right() + 1, edit->y(), 16, 22);
        spin->SetBuddy(edit);
        spin->SetRange(-2.0, 12.0, 0.05);
        spin->SetDecimals(2);
        spin->SetTrimZeros(false);
        spin->SetValue(0.5);
        return spin;
    }

    // Types text into an edit the way the installer does.
    void Type(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }

    QLineEdit *X(int r) const { return keys.Rows()[r].xEdit; }
    QLineEdit *Y(int r) const { return keys.Rows()[r].yEdit; }

    std::unique_ptr<QDialog> page;
    QPushButton *next = nullptr;
    CoordinateKeys keys;
    std::vector<int> changed;
    int defaultPressed = 0;
};

TEST_F(PointPage, enterCommitsANumberInsideTheRangeAndRefusesOneOutside)
{
    struct Case {
        const char *typed;
        bool accepted;
        const char *shown;  // text after Enter
    };
    const Case cases[] = {
        {"12", true, "12.00"},      {"12.01", false, "12.01"}, {"-2", true, "-2.00"},
        {"-2.001", false, "-2.001"}, {"3.456", true, "3.46"},  {"abc", true, "0.00"},
        {"7kg", true, "7.00"},      {"1e999", false, "1e999"}, {"nan", true, "0.00"},
    };
    for (const Case &c : cases) {
        RecordedMessages messages;
        changed.clear();
        Type(X(1), QString::fromLatin1(c.typed));
        QTest::keyClick(X(1), Qt::Key_Return);
        EXPECT_EQ(X(1)->text(), QString::fromLatin1(c.shown)) << c.typed;
        EXPECT_EQ(defaultPressed, 0) << "Enter reached the default button: " << c.typed;
        if (c.accepted) {
            EXPECT_EQ(messages.count(), 0u) << c.typed;
            EXPECT_EQ(changed, std::vector<int>{1}) << c.typed;
        } else {
            ASSERT_EQ(messages.count(), 1u) << c.typed;
            EXPECT_EQ(messages.all()[0].text, kRangeMessage);
            EXPECT_EQ(messages.all()[0].caption, ProgramCaption());
            EXPECT_EQ(messages.all()[0].icon, UserMessage::Icon::Warning);
            EXPECT_TRUE(changed.empty()) << c.typed;
        }
    }
}

TEST_F(PointPage, enterInAYEditAndOnTheKeypadCommitsThatRow)
{
    Type(Y(3), QStringLiteral("4.2"));
    QTest::keyClick(Y(3), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(Y(3)->text(), QStringLiteral("4.20"));
    EXPECT_EQ(changed, std::vector<int>{3});
    EXPECT_EQ(defaultPressed, 0);
}

TEST_F(PointPage, enterOutsideTheFieldsIsLeftToTheDialog)
{
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Return);
    EXPECT_EQ(defaultPressed, 1);
    EXPECT_TRUE(changed.empty());
}

TEST_F(PointPage, shiftRightStopsAtTheLimitButIsStillConsumed)
{
    Type(X(4), QStringLiteral("11.95"));
    X(4)->setCursorPosition(0);
    QTest::keyClick(X(4), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(X(4)->text(), QStringLiteral("12.00"));
    EXPECT_EQ(changed, std::vector<int>{4});

    X(4)->setCursorPosition(0);
    QTest::keyClick(X(4), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(X(4)->text(), QStringLiteral("12.00"));
    EXPECT_EQ(changed, std::vector<int>{4});
    EXPECT_FALSE(X(4)->hasSelectedText()) << "the edit saw the key and selected text";
    EXPECT_EQ(X(4)->cursorPosition(), 0);
}

TEST_F(PointPage, limitIsTestedBeforeTheNudge)
{
    Type(X(4), QStringLiteral("-1.97"));
    QTest::keyClick(X(4), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(X(4)->text(), QStringLiteral("-2.02"));
    QTest::keyClick(X(4), Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(X(4)->text(), QStringLiteral("-2.02"));
    EXPECT_EQ(changed, std::vector<int>{4});
}

TEST_F(PointPage, shiftUpAndDownMoveYOfTheActiveRow)
{
    Type(Y(4), QStringLiteral("3"));
    X(0)->setFocus();  // the focus does not choose the row; leaving Y(4) takes the 3
    QTest::keyClick(X(0), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(Y(4)->text(), QStringLiteral("2.95"));
    QTest::keyClick(X(0), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(X(0), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Y(4)->text(), QStringLiteral("3.05"));
    EXPECT_EQ(X(4)->text(), QStringLiteral("0.50"));
    EXPECT_EQ(X(0)->text(), QStringLiteral("0.50"));
    EXPECT_EQ(changed, (std::vector<int>{4, 4, 4, 4}));

    // Keys pressed on any control of the page count, a button too.
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Y(4)->text(), QStringLiteral("3.10"));
}

TEST_F(PointPage, activeRowIsTheLastWithAVisibleEnabledXEdit)
{
    EXPECT_EQ(keys.ActiveRow(), 4);
    X(4)->hide();
    X(3)->hide();
    EXPECT_EQ(keys.ActiveRow(), 2);
    X(2)->setEnabled(false);
    EXPECT_EQ(keys.ActiveRow(), 1);

    X(0)->setFocus();
    QTest::keyClick(X(0), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(X(1)->text(), QStringLiteral("0.55"));
    EXPECT_EQ(X(0)->text(), QStringLiteral("0.50"));
    EXPECT_EQ(changed, std::vector<int>{1});

    X(1)->hide();
    X(0)->setEnabled(false);
    EXPECT_EQ(keys.ActiveRow(), 0);
}

TEST_F(PointPage, focusInARowReportsThatRow)
{
    std::vector<int> focused;
    keys.SetRowFocused([&](int row) { focused.push_back(row); });
    QTest::mouseClick(Y(2), Qt::LeftButton);
    QTest::mouseClick(X(0), Qt::LeftButton);
    EXPECT_EQ(focused, (std::vector<int>{2, 0}));
}

} // namespace
