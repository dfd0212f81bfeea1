#include "CValueSpinCtrl.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <cfloat>
#include <memory>

namespace {

TEST(SpinValueText, readsTheLeadingDecimalNumberLikeTheCLibrary)
{
    struct Case {
        const char *text;
        double value;
    };
    const Case cases[] = {
        {"12.5abc", 12.5}, {"  -1.97", -1.97}, {"+3", 3.0},      {"abc", 0.0},        {"", 0.0},
        {".", 0.0},        {"-.5", -0.5},      {"1E-2x", 0.01},  {"2e+x", 2.0},       {"12,5", 12.0},
        {"nan", 0.0},      {"inf", 0.0},       {"0x10", 0.0},    {"-1e999", -DBL_MAX},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ReadDecimalPrefix(QString::fromUtf8(c.text)), c.value) << c.text;
}

TEST(SpinValueText, formatsWithDecimalsExponentAndTrimming)
{
    struct Case {
        double v;
        int decimals;
        bool trim;
        const char *text;
    };
    const Case cases[] = {
        {12.0, 2, false, "12.00"}, {12.0, 2, true, "12"},           {0.5, 2, true, "0.5"},
        {-2.0, 2, false, "-2.00"}, {12.000000000000002, 2, false, "12.00"}, {100.0, 0, true, "100"},
        {120.0, -1, true, "120"},  {1e20, 2, false, "1.00e+20"},    {1.5e-7, 3, true, "1.5e-07"},
        {0.0, 2, true, "0"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(FormatSpinValue(c.v, c.decimals, c.trim), QString::fromLatin1(c.text))
            << c.v << " " << c.decimals << " " << c.trim;
}

TEST(ValueSpinCtrl, positionCountFollowsTheRangeAndStep)
{
    CValueSpinCtrl spin;
    EXPECT_EQ(spin.PositionCount(), 100);
    struct Case {
        double minimum, maximum, step;
        int count;
    };
    const Case cases[] = {
        {-2.0, 12.0, 0.05, 280}, {0.0, 255.0, 1.0, 255}, {0.0, 1e6, 1.0, 32767},
        {12.0, -2.0, 0.05, 280}, {0.0, 10.0, -1.0, 10},  {0.0, 1e300, 1e-300, 32767},
        {0.0, 10.0, 3.0, 3},
    };
    for (const Case &c : cases) {
        spin.SetRange(c.minimum, c.maximum, c.step);
        EXPECT_EQ(spin.PositionCount(), c.count) << c.minimum << ".." << c.maximum << " / " << c.step;
    }
    spin.SetRange(0.0, 255.0, 1.0);
    spin.SetRange(-5.0, 5.0, 0.0);
    EXPECT_EQ(spin.PositionCount(), 255);
    double minimum = 0, maximum = 0, step = 1;
    spin.GetRange(minimum, maximum, step);
    EXPECT_EQ(minimum, -5.0);
    EXPECT_EQ(maximum, 5.0);
    EXPECT_EQ(step, 0.0);
}

// A whole-number field as the option pages set it up: steps of 1, no decimals.
TEST(ValueSpinCtrl, integerRangeStepsByOneAndShowsWholeNumbers)
{
    QLineEdit edit;
    CValueSpinCtrl spin;
    spin.SetBuddy(&edit);
    spin.SetIntegerRange(10, 35);
    EXPECT_EQ(spin.PositionCount(), 25);
    spin.SetValue(34.4);
    EXPECT_EQ(edit.text(), QStringLiteral("34"));
    spin.SpinClick(1);
    EXPECT_EQ(edit.text(), QStringLiteral("35"));
}

// A point field as the pages set it up: -2..12 by 0.05, two decimals always shown.
class PointField : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        edit = new QLineEdit(window.get());
        edit->setGeometry(10, 10, 60, 22);
        spin = new CValueSpinCtrl(window.get());
        spin->setGeometry(70, 10, 16, 22);
        spin->SetBuddy(edit);
        spin->SetRange(-2.0, 12.0, 0.05);
        spin->SetDecimals(2);
        spin->SetTrimZeros(false);
        spin->SetValue(0.5);
        QObject::connect(spin, &CValueSpinCtrl::Spun, [this](int delta) {
            spun.push_back({delta, edit->text()});
        });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        edit->setFocus();
    }

    void Type(const QString &text)
    {
        edit->clear();
        QTest::keyClicks(edit, text);
    }

    std::unique_ptr<QWidget> window;
    QLineEdit *edit = nullptr;
    CValueSpinCtrl *spin = nullptr;
    std::vector<std::pair<int, QString>> spun;  // delta and the text the handler saw
};

TEST_F(PointField, arrowClicksStepAndSnapOvershootToTheBounds)
{
    EXPECT_EQ(edit->text(), QStringLiteral("0.50"));
    struct Case {
        const char *typed;
        bool up;
        const char *shown;
    };
    const Case cases[] = {
        {"-1.98", false, "-2.00"}, {"-2.00", false, "-2.00"}, {"-1.90", false, "-1.95"},
        {"11.98", true, "12.00"},  {"12.00", true, "12.00"},  {"11.95", true, "12.00"},
        {"0.50", true, "0.55"},    {"abc", true, "0.05"},     {"40", false, "39.95"},
    };
    for (const Case &c : cases) {
        Type(QString::fromLatin1(c.typed));
        spun.clear();
        QTest::mouseClick(c.up ? spin->UpButton() : spin->DownButton(), Qt::LeftButton);
        EXPECT_EQ(edit->text(), QString::fromLatin1(c.shown)) << c.typed << (c.up ? " up" : " down");
        ASSERT_EQ(spun.size(), 1u) << c.typed;
        EXPECT_EQ(spun[0].first, c.up ? 1 : -1);
        EXPECT_EQ(spun[0].second, QString::fromLatin1(c.shown)) << "handler runs after the text is written";
    }
}

TEST_F(PointField, upAndDownKeysInTheEditActAsArrowClicks)
{
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), QStringLiteral("0.55"));
    QTest::keyClick(edit, Qt::Key_Down);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), QStringLiteral("0.45"));
    ASSERT_EQ(spun.size(), 3u);
    EXPECT_EQ(spun[0].first, 1);
    EXPECT_EQ(spun[2].first, -1);

    // With Shift the keys belong to the page, not to the field.
    QTest::keyClick(edit, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(edit->text(), QStringLiteral("0.45"));
    EXPECT_EQ(spun.size(), 3u);

    // Typing is left alone.
    QTest::keyClick(edit, Qt::Key_5);
    EXPECT_EQ(edit->text(), QStringLiteral("0.455"));
}

TEST_F(PointField, positionFollowsTheValueWithinItsRange)
{
    const std::pair<double, int> cases[] = {{5.0, 140}, {-3.0, 0}, {20.0, 280}, {-1.99, 0}, {-1.97, 1}};
    for (const auto &[value, position] : cases) {
        spin->SetValue(value);
        EXPECT_EQ(spin->Position(), position) << value;
    }
    spin->SetValue(12.0);
    QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
    EXPECT_EQ(spin->Position(), 280);
    spin->SetRange(0.0, 100.0, 1.0);  // re-reads the value shown
    EXPECT_EQ(spin->Position(), 12);
}

TEST(ValueSpinCtrl, withoutBuddyReadsZeroAndWritesNoText)
{
    CValueSpinCtrl spin;
    spin.SetRange(-2.0, 12.0, 0.05);
    spin.SetValue(5.0);
    EXPECT_EQ(spin.Position(), 140);
    EXPECT_EQ(spin.GetValue(), 0.0);
    {
        QLineEdit edit(QStringLiteral("3.5"));
        spin.SetBuddy(&edit);
        EXPECT_EQ(spin.GetValue(), 3.5);
        spin.SetBuddy(nullptr);
        spin.SetValueText(7.0);
        EXPECT_EQ(edit.text(), QStringLiteral("3.5"));
        spin.SetBuddy(&edit);
    }
    // The buddy destroyed under it reads as none.
    EXPECT_EQ(spin.GetValue(), 0.0);
    spin.SetValue(1.0);
}

} // namespace
