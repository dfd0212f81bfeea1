#include "CResizeCtrl.h"
#include "ResourceIds.h"

#include <QResizeEvent>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A window that lays its controls out the way the pages do: the helper's
// Resize from its own resizeEvent.
class Owner : public QWidget {
public:
    CResizeCtrl helper;

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        helper.Resize(event->size().width(), event->size().height());
        QWidget::resizeEvent(event);
    }
};

// A control that asks for another resize from inside its own, as a careless
// handler could.
class Reentering : public QWidget {
public:
    using QWidget::QWidget;
    CResizeCtrl *helper = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        if (helper)
            helper->Resize(1000, 1000);
        QWidget::resizeEvent(event);
    }
};

class ResizeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner.resize(300, 200);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
        ASSERT_TRUE(owner.helper.Create(&owner, true, 100));
    }

    QWidget *Control(QRect geometry, QWidget *w = nullptr)
    {
        w = w ? w : new QWidget(&owner);
        w->setGeometry(geometry);
        w->show();
        return w;
    }

    void GrowBy(int dx, int dy) { owner.resize(owner.width() + dx, owner.height() + dy); }

    Owner owner;
};

TEST_F(ResizeCtrlTest, partsMoveByTheirShareAndCarryTheFraction)
{
    struct Case {
        int part;
        std::vector<int> deltas;
        std::vector<int> offsets;  // x - starting x after each delta
    };
    // Part 50: 3 x 50 = 150 moves 1 and carries 50, so one more pixel moves 1.
    // Shrinking truncates toward zero and carries a negative fraction.
    const Case cases[] = {
        {100, {30, -7, 1}, {30, 23, 24}}, {50, {3, 1}, {1, 2}},         {50, {-3, -1}, {-1, -2}},
        {50, {3, -3, 1}, {1, 0, 0}},      {50, {1, 1, 1, 1}, {0, 1, 1, 2}},
    };
    for (const Case &c : cases) {
        CResizeCtrl helper;
        ASSERT_TRUE(helper.Create(&owner, false, 100));
        std::unique_ptr<QWidget> control(Control({100, 10, 40, 20}));
        ASSERT_TRUE(helper.Add(control.get(), c.part, 0, 0, 0));
        int width = owner.width();
        for (size_t i = 0; i < c.deltas.size(); ++i) {
            helper.Resize(width += c.deltas[i], owner.height());
            EXPECT_EQ(control->geometry(), QRect(100 + c.offsets[i], 10, 40, 20))
                << "part " << c.part << " step " << i;
        }
    }
}

TEST_F(ResizeCtrlTest, everyEdgeHasItsOwnPartAndFraction)
{
    QWidget *control = Control({10, 10, 40, 40});
    ASSERT_TRUE(owner.helper.Add(control, 25, 25, 50, 50));
    GrowBy(4, 8);
    EXPECT_EQ(control->geometry(), QRect(11, 12, 42, 44));
    GrowBy(2, 2);  // left: 4 x 25 + 2 x 25 = 150, one more pixel and 50 carried
    EXPECT_EQ(control->geometry(), QRect(11, 12, 43, 45));
    GrowBy(2, 0);
    EXPECT_EQ(control->geometry(), QRect(12, 12, 44, 45));
}

TEST_F(ResizeCtrlTest, shrinkingPastZeroAndGrowingBackRestoresTheSizeExactly)
{
    QWidget *help = Control({10, 10, 30, 20});
    ASSERT_TRUE(owner.helper.Add(help, 0, 0, 100, 100));
    GrowBy(-50, -45);
    EXPECT_EQ(help->size(), QSize(0, 0));
    GrowBy(-10, -10);
    GrowBy(60, 55);
    EXPECT_EQ(help->geometry(), QRect(10, 10, 30, 20));
}

TEST_F(ResizeCtrlTest, resizeToTheLastSizeLeavesControlsWhereTheyAre)
{
    QWidget *control = Control({50, 50, 20, 20});
    ASSERT_TRUE(owner.helper.Add(control, 100, 100, 0, 0));
    GrowBy(10, 10);
    ASSERT_EQ(control->pos(), QPoint(60, 60));
    control->move(5, 5);  // moved by hand since
    owner.helper.Resize(owner.width(), owner.height());
    EXPECT_EQ(control->pos(), QPoint(5, 5));
}

TEST_F(ResizeCtrlTest, inconsistentPartsMissingControlsAndSecondCreateAreRefused)
{
    QWidget *control = Control({0, 0, 10, 10});
    control->setObjectName(Ids::ObjectName(Ids::IDC_EDIT_X0));
    const int cases[][5] = {// left, top, width, height, accepted
                            {60, 0, 50, 0, 0},  {0, 60, 0, 50, 0}, {-1, 0, 0, 0, 0}, {0, 0, 0, 101, 0},
                            {50, 0, 50, 0, 1},  {0, 0, 100, 100, 1}};
    for (const auto &c : cases)
        EXPECT_EQ(owner.helper.Add(control, c[0], c[1], c[2], c[3]), c[4] != 0)
            << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
    EXPECT_FALSE(owner.helper.Add(nullptr, 0, 0, 0, 0));
    EXPECT_FALSE(owner.helper.AddById(Ids::IDC_EDIT_Y0, 100, 0, 0, 0));
    EXPECT_TRUE(owner.helper.AddById(Ids::IDC_EDIT_X0, 100, 0, 0, 0));
    EXPECT_EQ(owner.helper.Count(), 3);

    EXPECT_FALSE(owner.helper.Create(&owner, true, 100));
    EXPECT_FALSE(owner.helper.Enable(true));
    CResizeCtrl uncreated;
    EXPECT_FALSE(uncreated.Add(control, 0, 0, 0, 0));
    EXPECT_FALSE(uncreated.Create(nullptr, true, 100));
}

TEST_F(ResizeCtrlTest, minimumTrackingSizeLimitsTheWindowWhileEnabled)
{
    owner.resize(320, 240);
    owner.helper.SetMinTrackingSizeToCurrent();
    owner.resize(100, 100);
    EXPECT_EQ(owner.size(), QSize(320, 240));
    owner.helper.Enable(false);
    EXPECT_EQ(owner.minimumSize(), QSize(0, 0));

    // A page raises the minimum of the window it is shown in.
    QWidget window;
    window.setMinimumSize(200, 380);
    auto *page = new Owner;
    page->resize(450, 300);
    ASSERT_TRUE(page->helper.Create(page, true, 100));
    page->helper.SetMinTrackingSizeToCurrent();
    page->setParent(&window);
    window.show();
    EXPECT_EQ(window.minimumSize(), QSize(450, 380));
}

TEST_F(ResizeCtrlTest, aResizeStartedInsideAResizeIsIgnored)
{
    auto *nested = static_cast<Reentering *>(Control({10, 10, 50, 50}, new Reentering(&owner)));
    nested->helper = &owner.helper;
    QWidget *follower = Control({100, 100, 10, 10});
    ASSERT_TRUE(owner.helper.Add(nested, 0, 0, 100, 0));
    ASSERT_TRUE(owner.helper.Add(follower, 100, 100, 0, 0));
    GrowBy(10, 20);
    EXPECT_EQ(nested->size(), QSize(60, 50));
    EXPECT_EQ(follower->pos(), QPoint(110, 120));
}

TEST_F(ResizeCtrlTest, destroyedControlsAndParentsAreSkipped)
{
    QWidget *gone = Control({0, 0, 10, 10});
    QWidget *kept = Control({20, 0, 10, 10});
    ASSERT_TRUE(owner.helper.Add(gone, 100, 0, 0, 0));
    ASSERT_TRUE(owner.helper.Add(kept, 100, 0, 0, 0));
    delete gone;
    GrowBy(5, 0);
    EXPECT_EQ(kept->x(), 25);

    CResizeCtrl helper;
    {
        QWidget parent;
        ASSERT_TRUE(helper.Create(&parent, true, 100));
        ASSERT_TRUE(helper.Add(new QWidget(&parent), 100, 0, 0, 0));
    }
    EXPECT_FALSE(helper.IsEnabled());
    helper.Resize(10, 10);
}

} // namespace
