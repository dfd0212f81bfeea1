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

class ResizeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        owner = std::make_unique<Owner>();
        owner->resize(300, 200);
        owner->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(owner.get()));
        ASSERT_TRUE(owner->helper.Create(owner.get(), true, 100));
    }

    QWidget *Control(QRect geometry, int id = 0)
    {
        auto *w = new QWidget(owner.get());
        w->setGeometry(geometry);
        if (id)
            w->setObjectName(Ids::ObjectName(id));
        w->show();
        return w;
    }

    void GrowBy(int dx, int dy) { owner->resize(owner->width() + dx, owner->height() + dy); }

    std::unique_ptr<Owner> owner;
};

TEST_F(ResizeCtrlTest, fullLeftPartFollowsEveryWidthChangeExactly)
{
    QWidget *button = Control({200, 20, 60, 20});
    ASSERT_TRUE(owner->helper.Add(button, 100, 0, 0, 0));
    for (int dx : {30, -7, 1, -50}) {
        const int before = button->x();
        GrowBy(dx, 5);
        EXPECT_EQ(button->x(), before + dx) << "dx " << dx;
        EXPECT_EQ(button->y(), 20);
        EXPECT_EQ(button->size(), QSize(60, 20));
    }
}

TEST_F(ResizeCtrlTest, partialPartsCarryTheirFractionToTheNextResize)
{
    struct Case {
        const char *name;
        std::vector<int> deltas;
        std::vector<int> expectedOffsets;  // x - starting x after each delta
    };
    // Part 50: 3 x 50 = 150 moves 1 and carries 50, so one more pixel moves 1.
    // Shrinking truncates toward zero and carries a negative fraction.
    const std::vector<Case> cases = {
        {"grow", {3, 1}, {1, 2}},
        {"shrink", {-3, -1}, {-1, -2}},
        {"back and forth", {3, -3, 1}, {1, 0, 0}},
        {"ones", {1, 1, 1, 1}, {0, 1, 1, 2}},
    };
    for (const Case &c : cases) {
        owner->resize(300, 200);
        CResizeCtrl helper;
        ASSERT_TRUE(helper.Create(owner.get(), false, 100));
        QWidget *control = Control({100, 10, 40, 20});
        ASSERT_TRUE(helper.Add(control, 50, 0, 0, 0));
        int width = 300;
        helper.Resize(width, 200);  // starting size, nothing to do
        for (size_t i = 0; i < c.deltas.size(); ++i) {
            width += c.deltas[i];
            helper.Resize(width, 200);
            EXPECT_EQ(control->x() - 100, c.expectedOffsets[i]) << c.name << " step " << i;
        }
        delete control;
    }
}

TEST_F(ResizeCtrlTest, everyEdgeHasItsOwnPartAndFraction)
{
    QWidget *control = Control({10, 10, 40, 40});
    ASSERT_TRUE(owner->helper.Add(control, 25, 25, 50, 50));
    GrowBy(4, 8);
    EXPECT_EQ(control->geometry(), QRect(11, 12, 42, 44));
    GrowBy(2, 2);  // left 4 x 25 + 2 x 25 = 150: one more pixel, fraction 50
    EXPECT_EQ(control->geometry(), QRect(11, 12, 43, 45));
    GrowBy(2, 0);
    EXPECT_EQ(control->geometry(), QRect(12, 12, 44, 45));
}

TEST_F(ResizeCtrlTest, shrinkingPastZeroAndGrowingBackRestoresTheSizeExactly)
{
    QWidget *help = Control({10, 10, 30, 20});
    ASSERT_TRUE(owner->helper.Add(help, 0, 0, 100, 100));
    GrowBy(-50, -45);
    EXPECT_EQ(help->size(), QSize(0, 0));
    GrowBy(-10, -10);
    EXPECT_EQ(help->size(), QSize(0, 0));
    GrowBy(60, 55);
    EXPECT_EQ(help->geometry(), QRect(10, 10, 30, 20));
}

TEST_F(ResizeCtrlTest, resizeToTheLastSizeLeavesControlsWhereTheyAre)
{
    QWidget *control = Control({50, 50, 20, 20});
    ASSERT_TRUE(owner->helper.Add(control, 100, 100, 0, 0));
    GrowBy(10, 10);
    ASSERT_EQ(control->pos(), QPoint(60, 60));
    control->move(5, 5);  // moved by hand since
    owner->helper.Resize(owner->width(), owner->height());
    EXPECT_EQ(control->pos(), QPoint(5, 5));
    EXPECT_EQ(owner->helper.LastClientSize(), owner->size());
}

TEST_F(ResizeCtrlTest, inconsistentPartsAndMissingControlsAreRefused)
{
    QWidget *control = Control({0, 0, 10, 10}, Ids::IDC_EDIT_X0);
    struct Case {
        int left, top, width, height;
        bool accepted;
    };
    const Case cases[] = {
        {60, 0, 50, 0, false}, {0, 60, 0, 50, false}, {-1, 0, 0, 0, false},
        {0, 0, 0, 101, false}, {101, 0, 0, 0, false}, {50, 0, 50, 0, true},
        {0, 0, 100, 100, true}, {100, 100, 0, 0, true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(owner->helper.Add(control, c.left, c.top, c.width, c.height), c.accepted)
            << c.left << " " << c.top << " " << c.width << " " << c.height;
    EXPECT_EQ(owner->helper.Count(), 3);

    EXPECT_FALSE(owner->helper.Add(nullptr, 0, 0, 0, 0));
    EXPECT_FALSE(owner->helper.AddById(Ids::IDC_EDIT_Y0, 100, 0, 0, 0));
    EXPECT_TRUE(owner->helper.AddById(Ids::IDC_EDIT_X0, 100, 0, 0, 0));
    EXPECT_EQ(owner->helper.Count(), 4);

    CResizeCtrl uncreated;
    EXPECT_FALSE(uncreated.Add(control, 0, 0, 0, 0));
    EXPECT_FALSE(uncreated.AddById(Ids::IDC_EDIT_X0, 0, 0, 0, 0));
}

TEST_F(ResizeCtrlTest, createBindsOnceAndEnableReportsOnlyChanges)
{
    QWidget other;
    EXPECT_FALSE(owner->helper.Create(&other, true, 100));
    EXPECT_FALSE(owner->helper.Create(owner.get(), true, 100));
    CResizeCtrl fresh;
    EXPECT_FALSE(fresh.Create(nullptr, true, 100));
    EXPECT_FALSE(fresh.Create(&other, true, 0));
    EXPECT_TRUE(fresh.Create(&other, false, 100));
    EXPECT_FALSE(fresh.IsEnabled());
    EXPECT_FALSE(fresh.Enable(false));
    EXPECT_TRUE(fresh.Enable(true));
    EXPECT_FALSE(fresh.Enable(true));
    EXPECT_TRUE(fresh.Enable(false));
}

TEST_F(ResizeCtrlTest, minimumTrackingSizeBecomesTheWindowMinimumWhileEnabled)
{
    owner->resize(320, 240);
    owner->helper.SetMinTrackingSizeToCurrent();
    EXPECT_EQ(owner->minimumSize(), QSize(320, 240));
    owner->resize(100, 100);
    EXPECT_EQ(owner->size(), QSize(320, 240));
    owner->helper.Enable(false);
    EXPECT_EQ(owner->minimumSize(), QSize(0, 0));
}

TEST_F(ResizeCtrlTest, aPageRaisesItsWindowMinimumWhenShown)
{
    QWidget window;
    window.resize(500, 400);
    window.setMinimumSize(200, 380);
    auto *page = new Owner;
    page->resize(450, 300);
    ASSERT_TRUE(page->helper.Create(page, true, 100));
    page->helper.SetMinTrackingSizeToCurrent();
    page->setParent(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.minimumSize(), QSize(450, 380));
}

TEST_F(ResizeCtrlTest, aResizeStartedFromInsideAResizeIsIgnored)
{
    // A control whose own resize asks the helper for another size while the
    // first is still being applied.
    class Nested : public QWidget {
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
    auto *nested = new Nested(owner.get());
    nested->setGeometry(10, 10, 50, 50);
    nested->show();
    nested->helper = &owner->helper;
    QWidget *follower = Control({100, 100, 10, 10});
    ASSERT_TRUE(owner->helper.Add(nested, 0, 0, 100, 0));
    ASSERT_TRUE(owner->helper.Add(follower, 100, 100, 0, 0));
    GrowBy(10, 20);
    EXPECT_EQ(nested->size(), QSize(60, 50));
    EXPECT_EQ(follower->pos(), QPoint(110, 120));
    EXPECT_EQ(owner->helper.LastClientSize(), QSize(310, 220));
}

TEST_F(ResizeCtrlTest, aDestroyedControlIsSkipped)
{
    QWidget *gone = Control({0, 0, 10, 10});
    QWidget *kept = Control({20, 0, 10, 10});
    ASSERT_TRUE(owner->helper.Add(gone, 100, 0, 0, 0));
    ASSERT_TRUE(owner->helper.Add(kept, 100, 0, 0, 0));
    delete gone;
    GrowBy(5, 0);
    EXPECT_EQ(kept->x(), 25);
}

TEST_F(ResizeCtrlTest, helperOutlivingItsParentStaysHarmless)
{
    CResizeCtrl helper;
    {
        QWidget parent;
        auto *child = new QWidget(&parent);
        ASSERT_TRUE(helper.Create(&parent, true, 100));
        ASSERT_TRUE(helper.Add(child, 100, 0, 0, 0));
    }
    EXPECT_FALSE(helper.IsEnabled());
    helper.Resize(10, 10);
    EXPECT_FALSE(helper.AddById(Ids::IDC_EDIT_X0, 0, 0, 0, 0));
}

} // namespace
