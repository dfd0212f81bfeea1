// The point pages on the offscreen sheet, driven by real key events and
// clicks: the sub-step walks, skipping, the shared base-line points, the
// symmetry recompute and the left curve page running it.
#include "CGuideLinePreview.h"
#include "CPageMirrorLine.h"
#include "CPagePointEntry.h"
#include "CValueSpinCtrl.h"
#include "ResourceIds.h"
#include "SheetFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBrowser>
#include <QToolButton>

#include <cmath>
#include <limits>

namespace {

struct Point {
    double x, y;
    int flag;
};

Point Get(const Settings &s, int slot)
{
    double x = 0, y = 0;
    unsigned char flag = 0;
    s.GetPoint(slot, x, y, flag);
    return {x, y, flag};
}

class PointPagesTest : public SheetTest {
protected:
    CPagePointEntry *EntryPage(WizardStep step) { return sheet->PageAs<CPagePointEntry>(step); }
    QString HelpHeading() const
    {
        return sheet->ActivePage()->HelpText()->toPlainText().section(QLatin1Char('\n'), 0, 0);
    }
    // Visible and enabled state of a page's rows, as "E" (entered and
    // editable), "d" (shown disabled) or "-" (hidden), row 0 first.
    static QString Rows(const CPagePointEntry *page)
    {
        QString rows;
        for (int r = 0; r < page->RowCount(); ++r) {
            const QLineEdit *x = page->EditX(r);
            rows += !x->isVisible() ? QLatin1Char('-') : x->isEnabled() ? QLatin1Char('E') : QLatin1Char('d');
        }
        return rows;
    }
    void Type(QLineEdit *edit, const QString &text)
    {
        edit->setFocus();
        edit->setText(text);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void View(int commandId)
    {
        sheet->MenuAction(commandId)->trigger();
        QTest::qWait(20);
    }

    std::unique_ptr<CPageSheet> sheet;
};

TEST_F(PointPagesTest, borderWalkThroughRowsReviewAndBackAgain)
{
    sheet = OpenSheet();
    View(Ids::ID_VIEW_LEFTBORD);
    CPagePointEntry *page = EntryPage(WizardStep::LeftBord);
    EXPECT_EQ(Rows(page), "E----");
    EXPECT_EQ(QApplication::focusWidget(), page->EditX(0));
    EXPECT_TRUE(page->SkipButton()->isVisible());
    EXPECT_EQ(Get(sheet->SheetSettings(), 3).flag, 1) << "the first row marks its point entered at once";

    // Each Next shows one more row; rows already entered stay in sight, disabled.
    const struct {
        const char *rows;
        const char *heading;
        bool skip;
    } walk[] = {
        {"dE---", "Шаг 5.2.", true}, {"ddE--", "Шаг 5.3.", false},
        {"dddE-", "Шаг 5.4.", false}, {"ddddE", "Шаг 5.5.", false},
        {"EEEEE", "Шаг 5.6.", false},
    };
    for (const auto &step : walk) {
        Key(*sheet, Qt::Key_F6);
        ASSERT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::LeftBord));
        EXPECT_EQ(Rows(page), step.rows);
        EXPECT_TRUE(HelpHeading().startsWith(QString::fromUtf8(step.heading))) << qPrintable(HelpHeading());
        EXPECT_EQ(page->SkipButton()->isVisible(), step.skip) << step.rows;
    }
    EXPECT_EQ(page->SubStep(), 6);

    // Back right after entering the review shows it once more, then row 3.
    Key(*sheet, Qt::Key_F5);
    EXPECT_EQ(page->SubStep(), 4);
    EXPECT_TRUE(HelpHeading().startsWith(QStringLiteral("Шаг 5.6.")));
    Key(*sheet, Qt::Key_F5);
    EXPECT_EQ(Rows(page), "dddE-");

    // The sixth Next from the review's last row leaves the page; coming back
    // shows the review again, and Back from there row 4.
    Key(*sheet, Qt::Key_F6);
    Key(*sheet, Qt::Key_F6);
    Key(*sheet, Qt::Key_F6);
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::MirrorLine));
    EXPECT_EQ(page->SubStep(), 5);
    Key(*sheet, Qt::Key_F5);
    ASSERT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::LeftBord));
    EXPECT_EQ(Rows(page), "EEEEE");
    EXPECT_TRUE(HelpHeading().startsWith(QStringLiteral("Шаг 5.6.")));
    Key(*sheet, Qt::Key_F5);
    EXPECT_EQ(Rows(page), "ddddE");

    // New sets every point page back; the next Next shows row 0.
    Key(*sheet, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::SysAs));
    for (WizardStep index : {WizardStep::BaseLine, WizardStep::LeftBord, WizardStep::RightBord, WizardStep::LeftCurve,
                              WizardStep::RightCurve})
        EXPECT_EQ(sheet->Page(index)->SubStep(), -1) << StepIndex(index);
    View(Ids::ID_VIEW_LEFTBORD);
    Key(*sheet, Qt::Key_F6);
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::LeftBord));
    EXPECT_EQ(Rows(page), "E----");
}

// The left and the right border's reviews name their points alike, as the
// help texts do: the point on the base line, then the distances.
TEST_F(PointPagesTest, bothBorderReviewsNameTheirPointsAlike)
{
    sheet = OpenSheet();
    const QStringList names = {"База X", "1 м X", "2 м X", "3 м X", "4 м X"};
    for (const auto &[step, item] : {std::pair(WizardStep::LeftBord, Ids::ID_VIEW_LEFTBORD),
                                     std::pair(WizardStep::RightBord, Ids::ID_VIEW_RIGHTBORD)}) {
        View(item);
        for (int i = 0; i < 5; ++i)
            Key(*sheet, Qt::Key_F6);
        CPagePointEntry *page = EntryPage(step);
        ASSERT_EQ(Rows(page), "EEEEE") << "the review";
        QStringList shown;
        for (int r = 0; r < page->RowCount(); ++r)
            shown << page->findChild<QLabel *>(Ids::ObjectName(Ids::IDC_LABEL_X0 + r))->text().simplified();
        EXPECT_EQ(shown, names) << qPrintable(shown.join(QStringLiteral(", ")));
    }
}

// A number typed without Enter is taken when the installer moves on in any
// way, with Enter's range check; refused, the field shows the record's value.
TEST_F(PointPagesTest, aTypedNumberIsTakenWhenTheFieldOrThePageIsLeft)
{
    enum Leave { TabKey, F6Key, NextClick, SaveKey };
    const struct {
        const char *name;
        Leave leave;
        const char *typed;
        bool taken;
    } cases[] = {
        {"Tab", TabKey, "3", true},
        {"F6", F6Key, "3", true},
        {"a click on Next", NextClick, "3", true},
        {"Ctrl+S on the page", SaveKey, "3", true},
        {"out of range, Tab", TabKey, "30", false},
        {"out of range, Next", NextClick, "30", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        messages_.clear();
        sheet = OpenSheet();
        const Settings &s = sheet->SheetSettings();
        View(Ids::ID_VIEW_LEFTBORD);
        const double before = Get(s, 3).x;
        QLineEdit *x = EntryPage(WizardStep::LeftBord)->EditX(0);
        x->setFocus();
        x->selectAll();
        QTest::keyClicks(x, QString::fromLatin1(c.typed));
        switch (c.leave) {
        case TabKey:
            Key(*sheet, Qt::Key_Tab);
            break;
        case F6Key:
            Key(*sheet, Qt::Key_F6);
            break;
        case NextClick:
            QTest::mouseClick(sheet->Button(Ids::ID_WIZNEXT), Qt::LeftButton);
            break;
        case SaveKey:
            Key(*sheet, Qt::Key_S, Qt::ControlModifier);
            break;
        }
        EXPECT_DOUBLE_EQ(Get(s, 3).x, c.taken ? 3.0 : before);
        EXPECT_DOUBLE_EQ(ReadDecimalPrefix(x->text()), Get(s, 3).x) << "the field shows what the record holds";
        EXPECT_EQ(messages_.count(), c.taken ? 0u : 1u);
        if (c.leave == SaveKey) {
            QFile file(QStringLiteral("default.ini"));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll().contains("Point0X=3.\r\n"));
        }
    }
}

TEST_F(PointPagesTest, skippedPointKeepsItsPlaceAndIsEnteredAgainOnReturn)
{
    sheet = OpenSheet();
    const Settings &s = sheet->SheetSettings();
    Change(*sheet, [&](Settings &w) {
        w.SetPoint(0, 1.5, 8.0, 1);
        w.SetPoint(3, -1.0, 9.0, 1);
    });
    View(Ids::ID_VIEW_LEFTBORD);
    CPagePointEntry *page = EntryPage(WizardStep::LeftBord);
    QTest::mouseClick(page->SkipButton(), Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_EQ(Rows(page), "dE---");
    const Point skipped = Get(s, 3);
    EXPECT_EQ(skipped.flag, 0);
    EXPECT_DOUBLE_EQ(skipped.x, -1.0) << "the coordinates stay";
    const Point base = Get(s, 0);
    EXPECT_EQ(base.flag, 1) << "the base line's end is not skipped with it";
    EXPECT_DOUBLE_EQ(base.x, 1.5);

    for (int i = 0; i < 4; ++i)
        Key(*sheet, Qt::Key_F6);
    EXPECT_EQ(Rows(page), "dEEEE") << "a skipped point's row stays disabled in the review";

    for (int i = 0; i < 5; ++i)
        Key(*sheet, Qt::Key_F5);
    EXPECT_EQ(Rows(page), "E----");
    EXPECT_EQ(Get(s, 3).flag, 1) << "showing the row again marks its point entered";
}

TEST_F(PointPagesTest, baseLineRowsMoveTheSharedBorderPointsBySpinButNotByNext)
{
    sheet = OpenSheet();
    const Settings &s = sheet->SheetSettings();
    Change(*sheet, [&](Settings &w) {
        w.SetPoint(8, 9.0, 8.0, 0);
    });
    View(Ids::ID_VIEW_BASELINE);
    CPagePointEntry *page = EntryPage(WizardStep::BaseLine);
    page->EditX(0)->setText(QStringLiteral("1.00"));
    QTest::mouseClick(page->SpinX(0)->UpButton(), Qt::LeftButton);
    for (int slot : {0, 3}) {
        EXPECT_DOUBLE_EQ(Get(s, slot).x, 1.05) << slot;
        EXPECT_EQ(Get(s, slot).flag, 1) << slot;
    }

    // A spin of a row not reached yet changes its text only.
    const Point middle = Get(s, 1);
    page->SpinY(2)->SpinClick(1);
    EXPECT_EQ(Get(s, 1).y, middle.y);

    Key(*sheet, Qt::Key_F6);
    EXPECT_EQ(Get(s, 2).flag, 1) << "Next enters the right point";
    EXPECT_EQ(Get(s, 8).flag, 0) << "but not the border point it shares";
    page->EditY(1)->setText(QStringLiteral("7.50"));
    QTest::mouseClick(page->SpinY(1)->DownButton(), Qt::LeftButton);
    for (int slot : {2, 8}) {
        EXPECT_DOUBLE_EQ(Get(s, slot).y, 7.45) << slot;
        EXPECT_EQ(Get(s, slot).flag, 1) << slot;
    }
    // Shift + Right nudges the row being entered, the shared point with it.
    Key(*sheet, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(Get(s, 8).x, Get(s, 2).x);
}

// The symmetry page in automatic mode with position and deviation typed in.
class SymmetryTest : public PointPagesTest {
protected:
    CPageMirrorLine *Mirror() { return sheet->PageAs<CPageMirrorLine>(WizardStep::MirrorLine); }
    void Automatic(const QString &position, const QString &deviation)
    {
        auto *automatic = Mirror()->findChild<QRadioButton *>(Ids::ObjectName(Ids::IDC_RADIO_SECOND));
        QTest::mouseClick(automatic, Qt::LeftButton);
        Type(Mirror()->EditX(0), position);
        Type(Mirror()->EditY(0), deviation);
    }
};

TEST_F(SymmetryTest, aVisitShowsTheRecordsModeAndLine)
{
    sheet = OpenSheet();
    const Settings &s = sheet->SheetSettings();
    Change(*sheet, [&](Settings &w) {
        w.SetPoint(1, 5.0, 8.0, 1);
    });
    View(Ids::ID_VIEW_MIRRORLINE);
    EXPECT_EQ(Mirror()->Mode(), 0);
    EXPECT_FALSE(Mirror()->EditX(0)->isEnabled()) << "manual mode: nothing reaches the recompute";
    Automatic(QStringLiteral("4.5"), QStringLiteral("-0.5"));

    View(Ids::ID_VIEW_SYSAS);
    EXPECT_TRUE(s.MirrorUsing);
    EXPECT_DOUBLE_EQ(s.MirrorX, 4.5);
    EXPECT_DOUBLE_EQ(s.MirrorShift, -0.5);
    EXPECT_DOUBLE_EQ(s.MirrorY, 8.0);

    View(Ids::ID_VIEW_MIRRORLINE);
    EXPECT_EQ(Mirror()->Mode(), 1);
    EXPECT_TRUE(Mirror()->findChild<QRadioButton *>(Ids::ObjectName(Ids::IDC_RADIO_SECOND))->isChecked());
    EXPECT_TRUE(Mirror()->EditY(0)->isEnabled());
    EXPECT_EQ(Mirror()->EditX(0)->text(), QStringLiteral("4.50"));
}

TEST_F(SymmetryTest, choosingAutomaticMirrorsAtOnce)
{
    sheet = OpenSheet();
    const Settings &s = sheet->SheetSettings();
    Change(*sheet, [&](Settings &w) {
        w.SetPoint(1, 5.0, 8.0, 1);
        w.SetPoint(3, 2.0, 6.0, 1);
    });
    View(Ids::ID_VIEW_MIRRORLINE);
    QTest::mouseClick(Mirror()->findChild<QRadioButton *>(Ids::ObjectName(Ids::IDC_RADIO_SECOND)), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(Get(s, 8).x, 8.0) << "about the stored line at x 5, no Enter needed";
}

// New and Load while the automatic mode holds, on the symmetry page or the
// left curve page: the page is left on the old record, so nothing of it
// reaches the new one, and the new configuration starts in manual mode.
TEST_F(SymmetryTest, newAndLoadLeaveThePageBeforeTheRecordIsReplaced)
{
    const struct {
        const char *name;
        int command;
        int viewAfterAutomatic;  // 0: stay on the symmetry page
    } cases[] = {
        {"New on the symmetry page", Ids::ID_FILE_NEW, 0},
        {"Load on the symmetry page", Ids::ID_FILE_LOAD, 0},
        {"Load on the left curve page", Ids::ID_FILE_LOAD, Ids::ID_VIEW_LEFTCURVE},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QStringLiteral("default.ini"));
        QFile::remove(QStringLiteral("car.ini"));
        sheet = OpenSheet();
        ASSERT_TRUE(QFile::copy(QStringLiteral("default.ini"), QStringLiteral("car.ini")));
        const Settings fresh = sheet->SheetSettings();
        const Settings &s = sheet->SheetSettings();
        Change(*sheet, [&](Settings &w) {
            w.SetPoint(3, 1.0, 6.0, 1);
            w.SetPoint(13, 2.0, 3.0, 1);
        });
        View(Ids::ID_VIEW_MIRRORLINE);
        Automatic(QStringLiteral("4"), QStringLiteral("0.5"));
        if (c.viewAfterAutomatic)
            View(c.viewAfterAutomatic);

        ScriptedFileDialogs dialogs;
        dialogs.answer(QDir::current().filePath(QStringLiteral("car.ini")));
        sheet->RunCommand(c.command);
        EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::SysAs));
        EXPECT_TRUE(s.SameConfiguration(fresh)) << "the file's configuration, nothing of the page's";
        EXPECT_EQ(Mirror()->Mode(), 0);
        View(Ids::ID_VIEW_LEFTCURVE);
        View(Ids::ID_VIEW_SYSAS);
        for (int slot : {8, 18})
            EXPECT_EQ(s.Points[size_t(slot)], fresh.Points[size_t(slot)]) << "the left curve page mirrors nothing now";
    }
}

// Save and the title's mark see the line as the page shows it.
TEST_F(SymmetryTest, saveAndTheTitleSeeTheLineWhileItsPageIsShown)
{
    sheet = OpenSheet();
    View(Ids::ID_VIEW_MIRRORLINE);
    Automatic(QStringLiteral("4"), QStringLiteral("0.5"));
    sheet->StartTitleTimer();
    QTest::qWait(30);
    EXPECT_TRUE(sheet->windowTitle().endsWith(QStringLiteral("[default.ini *]"))) << qPrintable(sheet->windowTitle());
    Key(*sheet, Qt::Key_S, Qt::ControlModifier);
    QFile file(QStringLiteral("default.ini"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    EXPECT_TRUE(saved.contains("MirrorX=4.\r\n"));
    EXPECT_TRUE(saved.contains("MirrorShift=0.5\r\n"));
    EXPECT_TRUE(saved.contains("MirrorUsing=1\r\n"));
    EXPECT_TRUE(sheet->windowTitle().endsWith(QStringLiteral("[default.ini ]"))) << qPrintable(sheet->windowTitle());
}

TEST_F(SymmetryTest, leftCurvePageRecomputesOnEnteringAndLeaving)
{
    sheet = OpenSheet();
    const Settings &s = sheet->SheetSettings();
    Change(*sheet, [&](Settings &w) {
        w.SetPoint(1, 5.0, 8.0, 1);
    });
    View(Ids::ID_VIEW_MIRRORLINE);
    Automatic(QStringLiteral("5"), QStringLiteral("0"));

    Change(*sheet, [](Settings &w) { w.SetPoint(13, 2.0, 3.0, 1); });
    View(Ids::ID_VIEW_LEFTCURVE);
    EXPECT_DOUBLE_EQ(Get(s, 18).x, 8.0) << "on entering";
    EXPECT_TRUE(EntryPage(WizardStep::LeftCurve)->Preview()->IsPointEnabled(18));

    Type(EntryPage(WizardStep::LeftCurve)->EditX(0), QStringLiteral("1.25"));
    EXPECT_DOUBLE_EQ(Get(s, 18).x, 8.0) << "not while editing";
    View(Ids::ID_VIEW_SYSAS);
    EXPECT_DOUBLE_EQ(Get(s, 18).x, 8.75) << "on leaving";
}

// The pages as the installer sees them. With TARVELLO_SCREENSHOT_DIR set,
// the pictures are kept there (docs/screenshots holds them).
TEST_F(SymmetryTest, screenshotsOfPointEntryReviewAndTheSymmetryLine)
{
    sheet = OpenSheet();
    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    auto shoot = [&](const char *name) {
        QTest::qWait(30);
        const QImage shot = sheet->grab().toImage();
        if (!keep.isEmpty())
            shot.save(QDir(keep).filePath(QString::fromLatin1(name)));
        return shot;
    };
    // White pixels in the preview: the symmetry line is the only white it draws.
    auto white = [](QWidget *preview) {
        const QImage image = preview->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixel(x, y) == qRgb(255, 255, 255) ? 1 : 0;
        return count;
    };

    View(Ids::ID_VIEW_LEFTBORD);
    Key(*sheet, Qt::Key_F6);
    Key(*sheet, Qt::Key_F6);
    Key(*sheet, Qt::Key_Right, Qt::ShiftModifier);
    shoot("page05-leftbord-entry.png");
    for (int i = 0; i < 3; ++i)
        Key(*sheet, Qt::Key_F6);
    EXPECT_EQ(Rows(EntryPage(WizardStep::LeftBord)), "EEEEE");
    shoot("page05-leftbord-review.png");

    View(Ids::ID_VIEW_MIRRORLINE);
    const int manual = white(Mirror()->Preview());
    Automatic(QStringLiteral("5.2"), QStringLiteral("0.3"));
    shoot("page06-mirrorline-automatic.png");
    EXPECT_GT(white(Mirror()->Preview()), manual + 100) << "the symmetry line is drawn in automatic mode only";
}

} // namespace
