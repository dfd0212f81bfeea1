// The job done as an installer does it, on the simulated car: read the
// marks on the ground off the module's grid, type them into the wizard's
// point pages with the keyboard, write the guide-line picture, and look at
// the monitor: the border lines drawn by the module lie on the side-line
// tape at 1, 2, 3 and 4 m.
#include "CMonitorPhotoWindow.h"
#include "CPageLoadPicture.h"
#include "CPagePointEntry.h"
#include "CameraScene.h"
#include "ComPortLink.h"
#include "MonitorRenderer.h"
#include "OverlayPlacement.h"
#include "PhotoCamera.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"
#include "SimHarness.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {

// The monitor as the simulator drew it once the commands stopped coming
// (the wait is long: a sanitizer build on a loaded machine draws slowly).
QImage SettledMonitor(const QString &png)
{
    QElapsedTimer timer;
    timer.start();
    QString last;
    while (timer.elapsed() < 90000) {
        QThread::msleep(200);
        const QImage image(png);
        const QString commands = image.text(QStringLiteral("Commands"));
        if (!image.isNull() && commands == last)
            return image;
        last = commands;
    }
    return {};
}

class PracticeCheck : public SheetTest {
protected:
    PracticeCheck() : sim({QStringLiteral("--monitor-png"), Png()}) {}
    static QString Png() { return QDir::temp().filePath(QStringLiteral("tarvello-practice-monitor.png")); }
    void TearDown() override
    {
        sim.Stop();
        QFile::remove(Png());
        SheetTest::TearDown();
    }

    // Types a number into a field as the installer does: select, type, Enter.
    static void Type(QLineEdit *edit, double value)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, QString::number(value, 'f', 2));
        QTest::keyClick(edit, Qt::Key_Return);
    }

    // Writes the guide-line picture from the labels page on and checks on
    // the simulator's monitor that the border lines lie on the side-line
    // tape at 1, 2, 3 and 4 m, within 3 pixels.
    void WriteAndCheckBorderLines(CPageSheet &sheet, const ModuleSim::CameraScene &scene)
    {
        // The labels page renders the picture when it is left; write it.
        sheet.SetActivePage(WizardStep::MarkPlace);
        sheet.SetActivePage(WizardStep::LoadBMP);
        QTest::mouseClick(sheet.ActivePage()->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_BUTTON_WRITE)),
                          Qt::LeftButton);
        ASSERT_EQ(static_cast<CPageLoadPicture *>(sheet.ActivePage())->ProgressBar()->value(), 128);
        const QImage monitor = SettledMonitor(Png());
        ASSERT_FALSE(monitor.isNull());

        const QRgb line = ModuleSim::MonitorRenderer::Grey(ModuleSim::ModuleSettings{}.lineBrightness).rgb() & 0xFFFFFF;
        for (int slot : {4, 5, 6, 7, 9, 10, 11, 12}) {
            const ModuleSim::SceneMark *mark = scene.MarkOfSlot(slot);
            ASSERT_NE(mark, nullptr) << slot;
            const int row = int(mark->picture.y());
            int nearest = 1000;
            for (int x = 0; x < monitor.width(); ++x)
                if ((monitor.pixel(x, row) & 0xFFFFFF) == line && std::abs(x - mark->picture.x()) < std::abs(nearest))
                    nearest = int(x - mark->picture.x());
            EXPECT_LE(std::abs(nearest), 3) << mark->name.toStdString() << ": the border line is " << nearest << " px off";
        }
    }

    SimProcess sim;
    ScopedEnv env;
};

TEST_F(PracticeCheck, linesEnteredFromTheGridLieOnTheTapeOnTheMonitor)
{
    ASSERT_TRUE(sim.Started()) << qPrintable(sim.ErrorOutput());
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", QByteArray::fromStdString(sim.SlavePath()));
    ComPortLink link;
    ASSERT_EQ(link.Open(1), kLinkOk);
    auto sheet = OpenSheet(&link);

    // Where each mark shows on the grid, read to the 0.05 the fields take.
    const ModuleSim::CameraScene scene;
    const ModuleSim::OverlayPlacement placement(ModuleSim::ModuleSettings{}, false);
    auto grid = [&](int slot) -> std::optional<QPointF> {
        const ModuleSim::SceneMark *mark = scene.MarkOfSlot(slot);
        if (!mark)
            return std::nullopt;
        const QPointF g = placement.MonitorToGrid(mark->picture);
        return QPointF(std::round(g.x() * 20) / 20, std::round(g.y() * 20) / 20);
    };

    // Base line, left border, right border and both curves, row by row.
    int entered = 0;
    for (WizardStep index : {WizardStep::BaseLine, WizardStep::LeftBord, WizardStep::RightBord, WizardStep::LeftCurve,
                             WizardStep::RightCurve}) {
        sheet->SetActivePage(index);
        auto *page = static_cast<CPagePointEntry *>(sheet->ActivePage());
        ASSERT_EQ(page->SubStep(), 0) << page->Caption().toStdString();
        for (int row = 0; row < page->RowCount(); ++row) {
            if (const auto g = grid(page->RowGuidePoint(row))) {
                Type(page->EditX(row), g->x());
                Type(page->EditY(row), g->y());
                ++entered;
                Key(*sheet, Qt::Key_F6);
            } else if (page->SkipButton() && page->SkipButton()->isVisible()) {
                QTest::mouseClick(page->SkipButton(), Qt::LeftButton);
            } else {
                Key(*sheet, Qt::Key_F6);
            }
        }
    }
    EXPECT_GE(entered, 16);
    EXPECT_EQ(messages_.count(), 0u) << "every typed value was in range";

    WriteAndCheckBorderLines(*sheet, scene);
}

// The same job from one phone photo of the monitor showing the grid: each
// mark the program proposes is taken with Tab and Enter in the photo window
// (a mark it does not propose is clicked where the photo shows it, and F6
// pressed), then
// the picture is written and the border lines must lie on the tape.
TEST_F(PracticeCheck, linesTakenOffAPhotoLieOnTheTapeOnTheMonitor)
{
    ASSERT_TRUE(sim.Started()) << qPrintable(sim.ErrorOutput());
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", QByteArray::fromStdString(sim.SlavePath()));
    ComPortLink link;
    ASSERT_EQ(link.Open(1), kLinkOk);
    auto sheet = OpenSheet(&link);

    using namespace ModuleSim;
    const CameraScene scene;
    const Photo shot = PhotoCamera::Take(PhotoCamera::GridMonitor(), ModuleSettings{}, scene,
                                         {PhotoKind::Phone, 21, {2000, 1500}});
    const QString path = dir_.filePath(QStringLiteral("monitor-photo.jpg"));
    ASSERT_TRUE(shot.picture.save(path, "JPEG", 92));
    ScriptedFileDialogs dialogs;
    dialogs.answer(path);
    sheet->SetActivePage(WizardStep::BaseLine);
    QTest::keyClick(sheet.get(), Qt::Key_M, Qt::ControlModifier);
    CMonitorPhotoWindow *photo = sheet->PhotoWindow();
    ASSERT_TRUE(photo && QTest::qWaitFor([&] { return !photo->IsBusy(); }, 120000));
    ASSERT_TRUE(photo->Mapping());
    const std::vector<MarkCandidate> &marks = photo->Marks();

    int tabbed = 0, clicked = 0;
    for (WizardStep index : {WizardStep::BaseLine, WizardStep::LeftBord, WizardStep::RightBord, WizardStep::LeftCurve,
                             WizardStep::RightCurve}) {
        sheet->SetActivePage(index);
        auto *page = static_cast<CPagePointEntry *>(sheet->ActivePage());
        for (int row = 0; row < page->RowCount(); ++row) {
            const int slot = page->RowGuidePoint(row);
            const auto truth = std::find_if(shot.marks.begin(), shot.marks.end(), [slot](const PhotoMark &m) {
                return std::find(m.slotNumbers.begin(), m.slotNumbers.end(), slot) != m.slotNumbers.end();
            });
            if (truth == shot.marks.end()) {
                if (page->SkipButton() && page->SkipButton()->isVisible())
                    QTest::mouseClick(page->SkipButton(), Qt::LeftButton);
                else
                    Key(*sheet, Qt::Key_F6);
                continue;
            }
            // The installer sees which number sits on the mark.
            int wanted = -1;
            for (int i = 0; i < int(marks.size()); ++i)
                if (QLineF(marks[i].grid, truth->grid).length() < 0.1)
                    wanted = i;
            if (wanted >= 0) {
                for (int guard = 0; photo->HighlightedMark() != wanted && guard <= int(marks.size()); ++guard)
                    QTest::keyClick(photo->View(), Qt::Key_Tab);
                ASSERT_EQ(photo->HighlightedMark(), wanted);
                // Enter takes it and moves on to the next row.
                QTest::keyClick(photo->View(), Qt::Key_Return);
                ++tabbed;
            } else {
                QTest::mouseClick(photo->View(), Qt::LeftButton, {}, photo->ViewPosition(truth->picture));
                ++clicked;
                QTest::qWait(5);
                Key(*sheet, Qt::Key_F6);
            }
            QTest::qWait(5);
        }
    }
    EXPECT_GE(tabbed, 12) << clicked << " marks had to be clicked";
    EXPECT_EQ(messages_.count(), 0u) << "every taken value was in range";
    WriteAndCheckBorderLines(*sheet, scene);
}

} // namespace
