// Undo and redo on the offscreen sheet against the module simulator: real
// keys and clicks make each kind of change, Ctrl+Z takes it back, Ctrl+Shift+Z
// and Ctrl+Y make it again, and the simulator's log shows what the module got.
#include "CPagePointEntry.h"
#include "CValueSpinCtrl.h"
#include "ResourceIds.h"
#include "SimulatorSheetFixture.h"

#include <QComboBox>
#include <QMenu>
#include <QPainter>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include <functional>

namespace {

class UndoTest : public SimulatorSheetTest {
public:
    void TearDown() override
    {
        sheet.reset();
        SimulatorSheetTest::TearDown();
    }

    template <typename T> T *Control(int id) const
    {
        return sheet->ActivePage()->findChild<T *>(Ids::ObjectName(id));
    }
    void Show(int viewItem)
    {
        sheet->MenuAction(viewItem)->trigger();
        QTest::qWait(30);
    }
    void Type(int editId, const QString &text)
    {
        auto *edit = Control<QLineEdit>(editId);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::qWait(20);
    }
    void Choose(int comboId, int steps)
    {
        auto *combo = Control<QComboBox>(comboId);
        combo->setFocus();
        for (int i = 0; i < steps; ++i)
            QTest::keyClick(combo, Qt::Key_Down);
        QTest::qWait(20);
    }
    // The commands the simulator logged from line `from` on, once there are
    // `count` of them (a short wait when none is expected).
    QStringList SentSince(int from, int count)
    {
        const QStringList log = sim.log(from + count, std::chrono::milliseconds(count ? 3000 : 300));
        QStringList commands;
        for (int i = from; i < log.size(); ++i)
            commands << log[i].section(QLatin1Char(' '), 1).remove(QStringLiteral("\\r"));
        return commands;
    }
    int LogSize() { return static_cast<int>(sim.log(0, std::chrono::milliseconds(200)).size()); }

    std::unique_ptr<CPageSheet> sheet;
};

struct UndoCase {
    const char *name;
    int viewItem;
    std::function<void(UndoTest &)> prepare;  // before the record is taken as "before"
    std::function<void(UndoTest &)> change;
    const char *undoText;      // the Edit menu's item after the change
    QStringList sentOnUndo;    // what an edit of that value sends
};

TEST_F(UndoTest, everyKindOfChangeIsTakenBackAndMadeAgainWithWhatAnEditSends)
{
    const auto automatic = [](UndoTest &t) {
        QTest::mouseClick(t.Control<QRadioButton>(Ids::IDC_RADIO_SECOND), Qt::LeftButton);
    };
    const UndoCase cases[] = {
        {"point typed", Ids::ID_VIEW_LEFTBORD, {}, [](UndoTest &t) { t.Type(Ids::IDC_EDIT_X0, "3.5"); },
         "&Отменить: точка 1 левой границы\tCtrl-Z", {}},
        {"point nudged three times is one step", Ids::ID_VIEW_LEFTBORD, {},
         [](UndoTest &t) {
             for (int i = 0; i < 3; ++i)
                 Key(*t.sheet, Qt::Key_Right, Qt::ShiftModifier);
         },
         "&Отменить: точка 1 левой границы\tCtrl-Z", {}},
        {"point spun", Ids::ID_VIEW_BASELINE, {},
         [](UndoTest &t) { QTest::mouseClick(t.Control<CValueSpinCtrl>(Ids::IDC_SPIN_Y0)->UpButton(), Qt::LeftButton); },
         "&Отменить: точка 1 базовой линии\tCtrl-Z", {}},
        {"point skipped", Ids::ID_VIEW_LEFTBORD, {},
         [](UndoTest &t) { QTest::mouseClick(t.Control<QPushButton>(Ids::IDC_SKIP_POINT), Qt::LeftButton); },
         "&Отменить: точка 1 левой границы\tCtrl-Z", {}},
        {"symmetry mode", Ids::ID_VIEW_MIRRORLINE, {}, automatic,
         "&Отменить: линия симметрии, расчёт правой стороны\tCtrl-Z", {}},
        {"symmetry line", Ids::ID_VIEW_MIRRORLINE, automatic, [](UndoTest &t) { t.Type(Ids::IDC_EDIT_X0, "4.5"); },
         "&Отменить: линия симметрии\tCtrl-Z", {}},
        {"thickness", Ids::ID_VIEW_LINEBOLD, {}, [](UndoTest &t) { t.Type(Ids::IDC_EDIT_X0, "7"); },
         "&Отменить: толщина габаритных линий\tCtrl-Z", {}},
        {"label text", Ids::ID_VIEW_MARKPLACE, {},
         [](UndoTest &t) {
             auto *edit = t.Control<QLineEdit>(Ids::IDC_EDIT_LABEL1);
             edit->setFocus();
             QTest::keyClicks(edit, "0 m");
             QTest::qWait(20);
         },
         "&Отменить: текст метки 1\tCtrl-Z", {}},
        {"label placement", Ids::ID_VIEW_MARKPLACE, {}, [](UndoTest &t) { t.Choose(Ids::IDC_COMBO_SIDELABELS, 2); },
         "&Отменить: метки на габаритных линиях\tCtrl-Z", {}},
        {"grid shift", Ids::ID_VIEW_GRIDSHIFT, {}, [](UndoTest &t) { t.Type(Ids::IDC_EDIT_X0, "100"); },
         "&Отменить: сдвиг решетки\tCtrl-Z", {"ATJ250"}},
        {"mirroring", Ids::ID_VIEW_MONCAM, {}, [](UndoTest &t) { t.Choose(Ids::IDC_COMBO_MIRROR, 1); },
         "&Отменить: зеркализация изображения\tCtrl-Z", {"ATQ0"}},
        {"parking sensor", Ids::ID_VIEW_PARKTRONIC, {}, [](UndoTest &t) { t.Choose(Ids::IDC_COMBO_REAR, 1); },
         "&Отменить: задний парктроник\tCtrl-Z", {"ATO0", "ATR0", "ATP0"}},
        {"picture file", Ids::ID_VIEW_LOADWARN, {},
         [](UndoTest &t) {
             // A picture of the module's size, as the page saves one.
             const QString path = QDir::current().filePath(QStringLiteral("warning.bmp"));
             QImage picture(400, 312, QImage::Format_Mono);
             picture.fill(0);
             picture.save(path, "BMP");
             ScriptedFileDialogs dialogs;
             dialogs.answer(path);
             QTest::mouseClick(t.Control<QPushButton>(Ids::IDC_BUTTON_LOAD), Qt::LeftButton);
             QTest::qWait(20);
         },
         "&Отменить: файл изображения предупреждения\tCtrl-Z", {}},
        {"warning time", Ids::ID_VIEW_WARNING, {}, [](UndoTest &t) { t.Choose(Ids::IDC_COMBO1, 2); },
         "&Отменить: время показа предупреждения\tCtrl-Z", {}},
    };
    for (const UndoCase &c : cases) {
        SCOPED_TRACE(c.name);
        sheet = OpenSheet(&link);
        Show(c.viewItem);
        EXPECT_FALSE(sheet->MenuAction(Ids::ID_EDIT_UNDO)->isEnabled()) << "nothing to take back after the start and a visit";
        if (c.prepare)
            c.prepare(*this);
        QTest::qWait(30);
        const Settings before = sheet->SheetSettings();
        QAction *undo = sheet->MenuAction(Ids::ID_EDIT_UNDO);
        const int stepsBefore = sheet->History().Stack().count();

        c.change(*this);
        QTest::qWait(30);
        const Settings after = sheet->SheetSettings();
        ASSERT_FALSE(after.SameConfiguration(before)) << "the change did not reach the record";
        EXPECT_EQ(sheet->History().Stack().count(), stepsBefore + 1) << "one step per change";
        EXPECT_EQ(undo->text(), QString::fromUtf8(c.undoText));

        const int logged = LogSize();
        Key(*sheet, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(before)) << "undo did not restore the record";
        EXPECT_EQ(SentSince(logged, static_cast<int>(c.sentOnUndo.size())), c.sentOnUndo);
        EXPECT_EQ(sheet->ActivePage()->ViewItemId(), c.viewItem);

        Key(*sheet, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(after)) << "redo did not make the change again";
        Key(*sheet, Qt::Key_Z, Qt::ControlModifier);
        Key(*sheet, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(after)) << "Ctrl+Y is not redo";
        EXPECT_EQ(messages_.count(), 0u);
        sheet.reset();
    }
}

// Paths where the module, the page or the record once drifted from what
// undo and redo should leave: each ends with the record, the page and the
// module's last values agreeing.
TEST_F(UndoTest, afterUndoAndRedoTheModuleThePageAndTheRecordAgree)
{
    const auto undoRedo = [](UndoTest &t) {
        Key(*t.sheet, Qt::Key_Z, Qt::ControlModifier);
        Key(*t.sheet, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    };
    const auto lastSent = [](const QStringList &log, const QString &prefix, int before) {
        for (int i = before - 1; i >= 0; --i)
            if (log[i].startsWith(prefix))
                return log[i];
        return QString();
    };
    const struct {
        const char *name;
        std::function<void(UndoTest &)> walk;
    } cases[] = {
        {"a number typed without Enter, then F6", [&](UndoTest &t) {
             t.Show(Ids::ID_VIEW_GRIDSHIFT);
             auto *edit = t.Control<QLineEdit>(Ids::IDC_EDIT_X0);
             edit->setFocus();
             edit->selectAll();
             QTest::keyClicks(edit, "100");
             Key(*t.sheet, Qt::Key_F6);
             undoRedo(t);
             EXPECT_EQ(t.sheet->SheetSettings().CameraShiftX, 100);
             const QStringList log = t.SentSince(0, 0);
             EXPECT_EQ(lastSent(log, "ATJ", log.size()), QStringLiteral("ATJ100")) << "shown";
             EXPECT_EQ(lastSent(log, "ATJ", int(log.lastIndexOf("ATW"))), QStringLiteral("ATJ100")) << "stored";
         }},
        {"rows marked entered on another page after the step", [&](UndoTest &t) {
             t.Show(Ids::ID_VIEW_GRIDSHIFT);
             t.Type(Ids::IDC_EDIT_X0, "100");
             t.Show(Ids::ID_VIEW_BASELINE);
             Key(*t.sheet, Qt::Key_F6);
             Key(*t.sheet, Qt::Key_F6);
             undoRedo(t);
             for (int slot : {0, 1, 2})
                 EXPECT_EQ(t.sheet->SheetSettings().PointFlags[size_t(slot)], 1) << slot;
             EXPECT_EQ(t.sheet->SheetSettings().CameraShiftX, 100);
         }},
        {"the automatic symmetry line", [&](UndoTest &t) {
             t.Show(Ids::ID_VIEW_MIRRORLINE);
             QTest::mouseClick(t.Control<QRadioButton>(Ids::IDC_RADIO_SECOND), Qt::LeftButton);
             t.Type(Ids::IDC_EDIT_X0, "4.5");
             undoRedo(t);
             const Settings &s = t.sheet->SheetSettings();
             EXPECT_TRUE(s.MirrorUsing);
             EXPECT_DOUBLE_EQ(s.MirrorX, 4.5);
             EXPECT_TRUE(t.Control<QRadioButton>(Ids::IDC_RADIO_SECOND)->isChecked());
             EXPECT_TRUE(t.Control<QLineEdit>(Ids::IDC_EDIT_X0)->isEnabled());
             EXPECT_DOUBLE_EQ(s.Points[8].x, 2 * 4.5 * 40 - s.Points[3].x) << "the right border is the left one mirrored";
         }},
        {"a number that is none in the file", [&](UndoTest &t) {
             QFile file(QStringLiteral("nan.ini"));
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("[CurveLeft]\r\nPoint4X=nan\r\nPoint4Y=inf\r\n");
             file.close();
             ScriptedFileDialogs dialogs;
             dialogs.answer(QDir::current().filePath(QStringLiteral("nan.ini")));
             t.sheet->RunCommand(Ids::ID_FILE_LOAD);
             messages_.clear();  // the load says which keys it replaced
             QTest::qWait(30);
             EXPECT_FALSE(t.sheet->windowTitle().contains(u'*')) << qPrintable(t.sheet->windowTitle());
             EXPECT_FALSE(t.sheet->MenuAction(Ids::ID_EDIT_UNDO)->isEnabled());
         }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        sheet = OpenSheet(&link);
        c.walk(*this);
        EXPECT_EQ(messages_.count(), 0u);
        sheet.reset();
    }
}

TEST_F(UndoTest, undoShowsThePageAndSubStepOfTheChangeAndNewClearsTheHistoryButSaveDoesNot)
{
    sheet = OpenSheet(&link);
    Show(Ids::ID_VIEW_LEFTBORD);
    auto *page = sheet->PageAs<CPagePointEntry>(WizardStep::LeftBord);
    Key(*sheet, Qt::Key_F6);  // row 2
    Type(Ids::IDC_EDIT_Y0 + 1, "5.25");
    Key(*sheet, Qt::Key_F6);  // row 3
    const Settings typed = sheet->SheetSettings();
    Show(Ids::ID_VIEW_LINEBOLD);

    // Back to before the point was typed: row 3 only shown, nothing else.
    Key(*sheet, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(sheet->ActivePage(), page);
    EXPECT_EQ(page->View().subStep, 1);
    EXPECT_TRUE(page->EditX(1)->isEnabled() && !page->EditX(2)->isVisible()) << "row 2 is shown being entered";
    EXPECT_EQ(page->EditY(1)->text(), QStringLiteral("6.00")) << "the field shows the restored point";

    Key(*sheet, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(typed));
    EXPECT_EQ(page->EditY(1)->text(), QStringLiteral("5.25"));
    EXPECT_EQ(page->View().subStep, 2) << "redo shows the place the step ended at";

    // A number typed and not entered: Ctrl+Z is the field's own.
    auto *edit = page->EditX(2);
    edit->setFocus();
    QTest::keyClicks(edit, "9");
    const int steps = sheet->History().Stack().count();
    Key(*sheet, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(sheet->History().Stack().count(), steps);
    EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(typed));

    sheet->RunCommand(Ids::ID_FILE_SAVE);
    EXPECT_TRUE(sheet->MenuAction(Ids::ID_EDIT_UNDO)->isEnabled()) << "Save keeps the history";
    sheet->RunCommand(Ids::ID_FILE_NEW);
    QTest::qWait(30);
    EXPECT_FALSE(sheet->MenuAction(Ids::ID_EDIT_UNDO)->isEnabled()) << "New starts it again";
    EXPECT_EQ(sheet->MenuAction(Ids::ID_EDIT_UNDO)->text(), QStringLiteral("&Отменить\tCtrl-Z"));
}

// The Edit menu as the installer opens it after a few edits and one undo.
// With TARVELLO_SCREENSHOT_DIR set, the picture is kept there.
TEST_F(UndoTest, screenshotOfTheEditMenuAfterAFewEdits)
{
    sheet = OpenSheet(&link);
    Show(Ids::ID_VIEW_LEFTBORD);
    Key(*sheet, Qt::Key_F6);
    Type(Ids::IDC_EDIT_X0 + 1, "1.2");
    Show(Ids::ID_VIEW_LINEBOLD);
    Type(Ids::IDC_EDIT_X0, "4");
    Show(Ids::ID_VIEW_GRIDSHIFT);
    Type(Ids::IDC_EDIT_Y0, "40");
    Key(*sheet, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(sheet->MenuAction(Ids::ID_EDIT_UNDO)->text(), QStringLiteral("&Отменить: толщина габаритных линий\tCtrl-Z"));
    EXPECT_EQ(sheet->MenuAction(Ids::ID_EDIT_REDO)->text(), QStringLiteral("&Повторить: сдвиг решетки\tCtrl-Shift-Z"));
    EXPECT_EQ(sheet->History().Stack().text(0), QStringLiteral("точка 2 левой границы"));

    QMenu *edit = sheet->MenuBar()->actions()[1]->menu();
    sheet->MenuBar()->setActiveAction(sheet->MenuBar()->actions()[1]);
    QTest::qWait(50);
    ASSERT_TRUE(edit->isVisible());
    QImage shot = sheet->grab().toImage();
    {
        // The menu is a window of its own: drawn onto the sheet where it opened.
        QPainter painter(&shot);
        painter.drawImage(sheet->mapFromGlobal(edit->mapToGlobal(QPoint(0, 0))), edit->grab().toImage());
    }
    edit->close();
    if (const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR"); !keep.isEmpty())
        shot.save(QDir(keep).filePath(QStringLiteral("edit-menu.png")));
}

} // namespace
