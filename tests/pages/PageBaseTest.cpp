// Pages on the page bases, hosted by a small fake sheet: activation fills
// the preview; Enter, Shift with the cursor keys, spin clicks and focus reach
// the page's hooks as the page's key rules choose; templates with radio
// groups and filled combos; the settings record during initialisation; an
// operation of another page reached through the host.
#include "CGuideLinePreview.h"
#include "CPageViewControl.h"
#include "CPageViewPic.h"
#include "CValueSpinCtrl.h"
#include "FakePageHost.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "TestSupport.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Two rows editing guide points 3 and 4, like the first rows of a border page.
class RowsPage : public CPageViewControl {
public:
    RowsPage() : CPageViewControl({Ids::IDD_LEFTBORD, QStringLiteral("rows"), Ids::ID_VIEW_LEFTBORD, Ids::HELP_LEFTBORD_0, -1}) {}

    std::vector<int> changed;
    std::vector<std::pair<int, bool>> spun;

protected:
    std::vector<ControlSpec> Template() const override
    {
        auto t = BaseTemplate();
        for (int r = 0; r < 2; ++r) {
            const int y = 70 + 20 * r;
            t.push_back({Ids::IDC_EDIT_X0 + r, ControlSpec::Kind::Edit, {}, QRect(185, y, 35, 12)});
            t.push_back({Ids::IDC_SPIN_X0 + r, ControlSpec::Kind::Spin, {}, QRect(220, y, 10, 12)});
            t.push_back({Ids::IDC_EDIT_Y0 + r, ControlSpec::Kind::Edit, {}, QRect(235, y, 35, 12)});
            t.push_back({Ids::IDC_SPIN_Y0 + r, ControlSpec::Kind::Spin, {}, QRect(270, y, 10, 12)});
        }
        return t;
    }
    void OnInitDialog() override
    {
        CPageViewControl::OnInitDialog();
        for (int r = 0; r < 2; ++r) {
            for (CValueSpinCtrl *spin : {SpinX(r), SpinY(r)}) {
                spin->SetRange(-2.0, 12.0, 0.05);
                spin->SetDecimals(2);
                spin->SetTrimZeros(false);
                spin->SetValue(0.5);
            }
        }
    }
    int RowGuidePoint(int row) const override { return 3 + row; }
    void OnRowChanged(int row) override { changed.push_back(row); }
    void OnRowSpun(int row, bool x) override { spun.emplace_back(row, x); }
};

class PageViewControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        page.SetHost(&host);
        page.EnsureInitialised();
        page.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    }

    FakeHost host;
    RowsPage page;
    RecordedMessages messages;
};

TEST_F(PageViewControlTest, activationShowsEveryGuidePointAndChecksTheViewItem)
{
    host.Prepare([](Settings &s) {
        s.SetPoint(0, 1.0, 8.0, 1);
        s.SetPoint(22, 9.0, 2.0, 1);
        s.SetPoint(7, 3.0, 2.0, 0);
        s.CameraShiftY = 60;
    });
    page.OnSetActive();
    EXPECT_EQ(host.checked, Ids::ID_VIEW_LEFTBORD);
    EXPECT_TRUE(host.back);
    EXPECT_EQ(host.titleTimers, 1);
    EXPECT_EQ(page.SettingsRecord(), &host.Record());
    EXPECT_TRUE(page.Preview()->IsPointEnabled(0));
    EXPECT_TRUE(page.Preview()->IsPointEnabled(22));
    EXPECT_FALSE(page.Preview()->IsPointEnabled(7));
}

TEST_F(PageViewControlTest, enterOutOfRangeShowsTheRangeMessageAndKeepsTheText)
{
    page.OnSetActive();
    page.EditX(1)->setFocus();
    page.EditX(1)->setText(QStringLiteral("12.01"));
    QTest::keyClick(page.EditX(1), Qt::Key_Return);
    ASSERT_EQ(messages.count(), 1u);
    EXPECT_EQ(messages.all()[0].text,
              QStringLiteral("Введённое значение выходит за допустимые пределы. Введите число от -2.00 до 12.00."));
    EXPECT_EQ(page.EditX(1)->text(), QStringLiteral("12.01"));
    EXPECT_TRUE(page.changed.empty());

    page.EditX(1)->setText(QStringLiteral("12"));
    QTest::keyClick(page.EditX(1), Qt::Key_Return);
    EXPECT_EQ(page.EditX(1)->text(), QStringLiteral("12.00"));
    EXPECT_EQ(page.changed, std::vector<int>{1});
}

TEST_F(PageViewControlTest, shiftArrowNudgesTheActiveRowAndSpinsReachThePage)
{
    page.OnSetActive();
    page.EditY(0)->setFocus();
    QTest::keyClick(page.EditY(0), Qt::Key_Right, Qt::ShiftModifier);
    // The last row with a visible, enabled X edit is the active one.
    EXPECT_EQ(page.EditX(1)->text(), QStringLiteral("0.55"));
    EXPECT_EQ(page.changed, std::vector<int>{1});

    QTest::mouseClick(page.SpinY(0)->UpButton(), Qt::LeftButton);
    ASSERT_EQ(page.spun.size(), 1u);
    EXPECT_EQ(page.spun[0], std::make_pair(0, false));
    EXPECT_EQ(page.EditY(0)->text(), QStringLiteral("0.55"));
}

TEST_F(PageViewControlTest, focusInARowHighlightsItsGuidePoint)
{
    page.OnSetActive();
    page.EditX(0)->setFocus();
    page.EditY(1)->setFocus();
    QTest::qWait(10);
    EXPECT_EQ(page.Preview()->HighlightedPoint(), 4);
    page.EditX(0)->setFocus();
    QTest::qWait(10);
    EXPECT_EQ(page.Preview()->HighlightedPoint(), 3);
}

// One row of integer fields, each page choosing its own key rules, on a
// preview page or a picture page.
template <typename Base>
class RulesPage : public Base {
public:
    RulesPage(FieldKeyRules rules, double xMax, double yMax)
        : Base({Ids::IDD_GRIDSHIFT, QStringLiteral("rules"), Ids::ID_VIEW_GRIDSHIFT, Ids::HELP_GRIDSHIFT, 0}),
          rules_(rules), xMax_(xMax), yMax_(yMax)
    {
    }
    std::vector<int> changed;

protected:
    std::vector<ControlSpec> Template() const override
    {
        std::vector<ControlSpec> t = Base::BaseTemplate();
        t.push_back({Ids::IDC_EDIT_X0, ControlSpec::Kind::Edit, {}, QRect(185, 70, 35, 12)});
        t.push_back({Ids::IDC_SPIN_X0, ControlSpec::Kind::Spin, {}, QRect(220, 70, 10, 12)});
        t.push_back({Ids::IDC_EDIT_Y0, ControlSpec::Kind::Edit, {}, QRect(235, 70, 35, 12)});
        t.push_back({Ids::IDC_SPIN_Y0, ControlSpec::Kind::Spin, {}, QRect(270, 70, 10, 12)});
        return t;
    }
    void OnInitDialog() override
    {
        Base::OnInitDialog();
        this->SpinX(0)->SetIntegerRange(0, xMax_);
        this->SpinY(0)->SetIntegerRange(0, yMax_);
    }
    FieldKeyRules KeyRules() const override { return rules_; }
    void OnRowChanged(int row) override { changed.push_back(row); }

private:
    FieldKeyRules rules_;
    double xMax_, yMax_;
};

struct KeyCase {
    const char *name;
    bool picturePage;
    FieldKeyRules rules;
    QString startX, startY;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool inY;                    // key sent to the Y edit, else to the X edit
    QString endX, endY;
    size_t messages;
    std::vector<int> changed;
};

TEST(PageKeyRules, eachPageChoosesWhichKeysItsFieldsAnswer)
{
    const auto sensor = FieldKeyRules::Steps(1, 0, 10, 0, 255);
    const KeyCase cases[] = {
        // Steps of 1 within the page's own limits, tested before the move.
        {"step up", false, sensor, "9", "0", Qt::Key_Right, Qt::ShiftModifier, false, "10", "0", 0, {0}},
        {"at the X limit", false, sensor, "10", "0", Qt::Key_Right, Qt::ShiftModifier, false, "10", "0", 0, {}},
        {"down the Y", false, sensor, "5", "255", Qt::Key_Up, Qt::ShiftModifier, false, "5", "254", 0, {0}},
        {"at the Y limit", false, sensor, "5", "255", Qt::Key_Down, Qt::ShiftModifier, false, "5", "255", 0, {}},
        {"at zero", false, sensor, "0", "0", Qt::Key_Left, Qt::ShiftModifier, false, "0", "0", 0, {}},
        // Enter only: Shift + cursor keys stay with the edit (text selection).
        {"no nudge", false, FieldKeyRules::EnterOnly(), "5", "5", Qt::Key_Right, Qt::ShiftModifier, false, "5", "5", 0, {}},
        {"enter in range", false, FieldKeyRules::EnterOnly(), "7", "5", Qt::Key_Return, {}, false, "7", "5", 0, {0}},
        {"enter refused", false, FieldKeyRules::EnterOnly(), "5", "300", Qt::Key_Return, {}, true, "5", "300", 1, {}},
        // No rules at all: Enter is the edit's, and so the dialog's.
        {"none", false, FieldKeyRules::None(), "5", "300", Qt::Key_Return, {}, true, "5", "300", 0, {}},
        // A picture page with numeric fields gets the Enter check too.
        {"picture page", true, FieldKeyRules::EnterOnly(), "11", "5", Qt::Key_Return, {}, false, "11", "5", 1, {}},
        {"picture page, in range", true, FieldKeyRules::EnterOnly(), "3", "5", Qt::Key_Return, {}, false, "3", "5", 0, {0}},
    };
    for (const KeyCase &c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        RecordedMessages messages;
        std::unique_ptr<CPageView> page;
        std::vector<int> *changed = nullptr;
        if (c.picturePage) {
            auto *p = new RulesPage<CPageViewPic>(c.rules, 10, 255);
            changed = &p->changed;
            page.reset(p);
        } else {
            auto *p = new RulesPage<CPageViewControl>(c.rules, 10, 255);
            changed = &p->changed;
            page.reset(p);
        }
        page->SetHost(&host);
        page->EnsureInitialised();
        page->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(page.get()));
        page->EditX(0)->setText(c.startX);
        page->EditY(0)->setText(c.startY);
        QLineEdit *target = c.inY ? page->EditY(0) : page->EditX(0);
        target->setFocus();
        QTest::keyClick(target, c.key, c.modifiers);
        EXPECT_EQ(page->EditX(0)->text(), c.endX);
        EXPECT_EQ(page->EditY(0)->text(), c.endY);
        EXPECT_EQ(messages.count(), c.messages);
        EXPECT_EQ(*changed, c.changed);
        EXPECT_EQ(page->Keys() != nullptr, c.rules.enter || c.rules.nudge);
    }
}

// A spin click is a change of its row like Enter, for a page that does not
// tell spins apart (RowsPage above does); and the first activation is what
// lets the page's handlers act.
TEST(PageKeyRules, aSpinClickChangesItsRowAndActivationIsRemembered)
{
    FakeHost host;
    RulesPage<CPageViewControl> page(FieldKeyRules::EnterOnly(), 10, 255);
    page.SetHost(&host);
    page.EnsureInitialised();
    page.EditY(0)->setText(QStringLiteral("5"));
    page.SpinY(0)->SpinClick(1);
    EXPECT_EQ(page.EditY(0)->text(), QStringLiteral("6"));
    EXPECT_EQ(page.changed, std::vector<int>{0});
    EXPECT_FALSE(page.WasActivated());
    page.OnSetActive();
    EXPECT_TRUE(page.WasActivated());
}

// A page whose template has a radio group and a filled combo, which reads
// the settings record while it initialises.
class TemplatePage : public CPageViewControl {
public:
    TemplatePage() : CPageViewControl({Ids::IDD_MIRRORLINE, QStringLiteral("template"), Ids::ID_VIEW_MIRRORLINE, Ids::HELP_MIRRORLINE, 0}) {}
    int bright1AtInit = -1;

protected:
    std::vector<ControlSpec> Template() const override
    {
        auto t = BaseTemplate();
        t.push_back({Ids::IDC_RADIO_FIRST, ControlSpec::Kind::Radio, QStringLiteral("вручную"), QRect(185, 70, 95, 20)});
        t.push_back({Ids::IDC_RADIO_SECOND, ControlSpec::Kind::Radio, QStringLiteral("автоматически"), QRect(185, 92, 95, 20)});
        t.push_back({Ids::IDC_COMBO1, ControlSpec::Kind::Combo, {}, QRect(185, 120, 95, 60),
                     {QStringLiteral("Нет парктроника"), QStringLiteral("PZ - 118")}});
        return t;
    }
    void OnInitDialog() override
    {
        CPageViewControl::OnInitDialog();
        bright1AtInit = SettingsRecord() ? SettingsRecord()->LineBrightness : -1;
    }
};

TEST(PageTemplates, radioGroupsCombosAndSettingsAtInit)
{
    FakeHost host;
    host.Prepare([](Settings &s) { s.LineBrightness = 42; });
    TemplatePage page;
    page.SetHost(&host);
    page.EnsureInitialised();
    EXPECT_EQ(page.bright1AtInit, 42) << "the settings record is there before the first activation";

    auto *combo = page.findChild<QComboBox *>(Ids::ObjectName(Ids::IDC_COMBO1));
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(1), QStringLiteral("PZ - 118"));

    EXPECT_EQ(page.RadioIndex(Ids::IDC_RADIO_FIRST), -1);
    page.SetRadioIndex(Ids::IDC_RADIO_FIRST, 1);
    auto *manual = page.findChild<QRadioButton *>(Ids::ObjectName(Ids::IDC_RADIO_FIRST));
    auto *automatic = page.findChild<QRadioButton *>(Ids::ObjectName(Ids::IDC_RADIO_SECOND));
    ASSERT_TRUE(manual && automatic);
    EXPECT_TRUE(automatic->isChecked());
    page.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
    QTest::mouseClick(manual, Qt::LeftButton);
    EXPECT_EQ(page.RadioIndex(Ids::IDC_RADIO_FIRST), 0);
    EXPECT_FALSE(automatic->isChecked()) << "the two buttons are one group";
}

} // namespace
