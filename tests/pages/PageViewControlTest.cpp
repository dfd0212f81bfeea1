// A page with coordinate rows on the page base, hosted by a small fake
// sheet: activation fills the preview, and Enter, Shift with the cursor keys,
// spin clicks and focus reach the page's hooks.
#include "CGuideLinePreview.h"
#include "CPageViewControl.h"
#include "CValueSpinCtrl.h"
#include "PageHost.h"
#include "ResourceIds.h"
#include "Settings.h"
#include "TestSupport.h"

#include <QLineEdit>
#include <QToolButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class FakeHost : public PageHost {
public:
    Settings &SheetSettings() override { return settings; }
    void StartTitleTimer() override { ++titleTimers; }
    void CheckViewItem(int id) override { checked = id; }
    void SetBackEnabled(bool enabled) override { back = enabled; }
    void ShowFinishOnly(const QString &) override {}

    Settings settings;
    int titleTimers = 0;
    int checked = 0;
    bool back = false;
};

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
    host.settings.SetPoint(0, 1.0, 8.0, 1);
    host.settings.SetPoint(22, 9.0, 2.0, 1);
    host.settings.SetPoint(7, 3.0, 2.0, 0);
    host.settings.CameraShiftY = 60;
    page.OnSetActive();
    EXPECT_EQ(host.checked, Ids::ID_VIEW_LEFTBORD);
    EXPECT_TRUE(host.back);
    EXPECT_EQ(host.titleTimers, 1);
    EXPECT_EQ(page.SettingsRecord(), &host.settings);
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

} // namespace
