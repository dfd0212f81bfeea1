// The wizard sheet on the offscreen platform, driven by real key events and
// menu commands, in a temporary working folder.
#include "CAboutBox.h"
#include "CGuideLinePreview.h"
#include "CPageSheet.h"
#include "CPageViewControl.h"
#include "SheetFixture.h"
#include "DeviceLink.h"
#include "IniFile.h"
#include "ProgramHelp.h"
#include "ResourceIds.h"
#include "TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>

namespace {

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(SheetTest, pagesComeInWizardOrderWithTheirCaptions)
{
    auto sheet = OpenSheet();
    const QStringList captions = {
        "Сборка системы", "Установка параметров камеры и монитора", "Сдвиг решетки",
        "Ввод базовой линии", "Ввод левой границы", "Ввод линии симметрии", "Ввод правой границы",
        "Ввод левой кривой", "Ввод правой кривой", "Настройка толщины линий", "Настройка меток",
        "Загрузка и запись изображения", "Загрузка и запись предупреждения",
        "Настройка ультразвуковой системы парковки", "Настройка времени показа предупреждения",
        "Настройка завершена"};
    const int dialogs[] = {135, 136, 137, 143, 139, 158, 140, 141, 142, 182, 138, 162, 163, 107, 165, 183};
    for (int i = 0; i < CPageSheet::kPageCount; ++i) {
        EXPECT_EQ(sheet->Page(i)->Caption(), captions[i]) << i;
        EXPECT_EQ(sheet->Page(i)->DialogId(), dialogs[i]) << i;
    }
}

TEST_F(SheetTest, demoTitleRightAfterStartNamesPageFileAndDemoMode)
{
    auto sheet = OpenSheet();
    // Nothing changed yet, so no mark; without a module the title says so.
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Tarvello S/N 0000000000 (демо-режим) - Сборка системы - [default.ini ]"));
}

TEST_F(SheetTest, f6WalksForwardToTheLastPageAndStopsThere)
{
    auto sheet = OpenSheet();
    EXPECT_FALSE(sheet->Button(Ids::ID_WIZBACK)->isEnabled()) << "Back is disabled on the first page";
    Key(*sheet, Qt::Key_F5);
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::SysAs)) << "F5 on the first page does nothing";

    // F6 presses that leave each page: the point pages first step through
    // their rows (from row 0) and the review.
    const int presses[CPageSheet::kPageCount] = {1, 1, 1, 4, 6, 1, 6, 4, 4, 1, 1, 1, 1, 1, 1, 0};
    for (int i = 1; i < CPageSheet::kPageCount; ++i) {
        for (int k = 1; k < presses[i - 1]; ++k) {
            Key(*sheet, Qt::Key_F6);
            ASSERT_EQ(sheet->ActiveIndex(), i - 1) << "sub-step " << k;
        }
        Key(*sheet, Qt::Key_F6);
        ASSERT_EQ(sheet->ActiveIndex(), i);
        if (i < CPageSheet::kPageCount - 1) {
            EXPECT_TRUE(sheet->Button(Ids::ID_WIZBACK)->isEnabled()) << i;
        }
    }
    QTest::qWait(20);
    Key(*sheet, Qt::Key_F6);
    EXPECT_EQ(sheet->ActiveIndex(), CPageSheet::kPageCount - 1) << "F6 on the last page does nothing";
    EXPECT_TRUE(sheet->isVisible()) << "F6 on the last page does not finish the wizard";

    // The last page shows only Finish, captioned "Готово".
    EXPECT_TRUE(sheet->Button(Ids::ID_WIZFINISH)->isVisible());
    EXPECT_EQ(sheet->Button(Ids::ID_WIZFINISH)->text(), QStringLiteral("Готово"));
    EXPECT_FALSE(sheet->Button(Ids::ID_WIZNEXT)->isVisible());
    EXPECT_FALSE(sheet->Button(Ids::ID_WIZBACK)->isVisible());

    Key(*sheet, Qt::Key_F5);
    EXPECT_EQ(sheet->ActiveIndex(), CPageSheet::kPageCount - 2);
    EXPECT_TRUE(sheet->Button(Ids::ID_WIZNEXT)->isVisible());
    EXPECT_FALSE(sheet->Button(Ids::ID_WIZFINISH)->isVisible());
}

TEST_F(SheetTest, viewJumpLeavesExactlyOneCheckMark)
{
    auto sheet = OpenSheet();
    EXPECT_EQ(CheckedViewItems(*sheet), 1);
    sheet->MenuAction(Ids::ID_VIEW_PARKTRONIC)->trigger();
    QTest::qWait(20);
    EXPECT_EQ(sheet->ActivePage()->Caption(), QStringLiteral("Настройка ультразвуковой системы парковки"));
    EXPECT_TRUE(sheet->MenuAction(Ids::ID_VIEW_PARKTRONIC)->isChecked());
    EXPECT_EQ(CheckedViewItems(*sheet), 1);
    // The title follows on its timer, which a slow (sanitizer) build may
    // not have run within the wait above.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return sheet->windowTitle().contains(QStringLiteral("Настройка ультразвуковой системы парковки")); }, 2000));

    // The closing page has no View item: the last check mark stays.
    sheet->SetActivePage(CPageSheet::kPageCount - 1);
    EXPECT_EQ(CheckedViewItems(*sheet), 1);

    // Choosing the item of the page already shown keeps its mark.
    sheet->MenuAction(Ids::ID_VIEW_PARKTRONIC)->trigger();
    sheet->MenuAction(Ids::ID_VIEW_PARKTRONIC)->trigger();
    QTest::qWait(20);
    EXPECT_TRUE(sheet->MenuAction(Ids::ID_VIEW_PARKTRONIC)->isChecked());
    EXPECT_EQ(CheckedViewItems(*sheet), 1);
}

TEST_F(SheetTest, enterPressesNextAgainAfterTheLastPageWasShown)
{
    auto sheet = OpenSheet();
    sheet->SetActivePage(CPageSheet::kPageCount - 1);
    QTest::qWait(20);
    EXPECT_TRUE(sheet->Button(Ids::ID_WIZFINISH)->isDefault());
    sheet->MenuAction(Ids::ID_VIEW_SYSAS)->trigger();
    QTest::qWait(20);
    EXPECT_TRUE(sheet->Button(Ids::ID_WIZNEXT)->isDefault());
    EXPECT_FALSE(sheet->Button(Ids::ID_WIZFINISH)->isDefault());
    QTest::keyClick(sheet.get(), Qt::Key_Return);
    QTest::qWait(20);
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::MonCam));
    EXPECT_TRUE(sheet->isVisible());
}

// Enter presses the focused button, whichever it is; in an edit it still
// presses Next.
TEST_F(SheetTest, enterPressesTheFocusedButton)
{
    ScriptedFileDialogs dialogs;  // "Сохранить" and "Загрузить" are cancelled
    const ManualOpener opener = SetManualOpener([](const QUrl &) { return true; });
    // Page, control, the active page afterwards (none: the wizard closed).
    using S = WizardStep;
    const std::tuple<S, int, std::optional<S>> cases[] = {
        {S::GridShift, Ids::ID_WIZBACK, S::MonCam}, {S::GridShift, Ids::ID_CANCEL, {}},
        {S::GridShift, Ids::ID_HELP, S::GridShift}, {S::Complete, Ids::ID_WIZFINISH, {}},
        {S::LeftBord, Ids::IDC_SKIP_POINT, S::LeftBord}, {S::LoadBMP, Ids::IDC_BUTTON_SAVE, S::LoadBMP},
        {S::LoadWarn, Ids::IDC_BUTTON_LOAD, S::LoadWarn}, {S::LoadBMP, Ids::IDC_BUTTON_DEFAULT, S::LoadBMP},
        {S::LoadWarn, Ids::IDC_BUTTON_WRITE, S::LoadWarn}, {S::GridShift, Ids::ID_WIZNEXT, S::BaseLine},
        {S::MarkPlace, Ids::IDC_EDIT_BASETEXT, S::LoadBMP},
    };
    for (const auto &[page, id, after] : cases) {
        SCOPED_TRACE(id);
        auto sheet = OpenSheet();
        sheet->SetActivePage(page);
        QTest::qWait(20);
        QWidget *control = sheet->findChild<QWidget *>(Ids::ObjectName(id));
        ASSERT_TRUE(control && control->isVisible());
        auto *button = qobject_cast<QPushButton *>(control);
        QSignalSpy pressed(button ? button : sheet->Button(Ids::ID_WIZNEXT), &QPushButton::clicked);
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control, Qt::Key_Return);
        EXPECT_EQ(pressed.count(), 1);
        EXPECT_EQ(sheet->isVisible() ? sheet->ActiveIndex() : -1, after ? StepIndex(*after) : -1);
    }
    SetManualOpener(opener);
}

TEST_F(SheetTest, unreadableDefaultFileStillNamesDefaultIniForTitleAndSave)
{
    ASSERT_TRUE(QDir().mkdir(QStringLiteral("default.ini")));
    auto sheet = OpenSheet();
    EXPECT_EQ(messages_.count(), 1u) << "the failed load is reported";
    EXPECT_EQ(sheet->Files().currentFilePath, QStringLiteral("default.ini"));
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Tarvello S/N 0000000000 (демо-режим) - Сборка системы - [default.ini ]"));
    messages_.clear();
    QTest::keyClick(sheet.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(20);
    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_TRUE(messages_.all()[0].text.contains(QStringLiteral("default.ini"))) << qPrintable(messages_.all()[0].text);
}

TEST_F(SheetTest, refusedDefaultFileIsReplacedOnlyWhenTheInstallerAgrees)
{
    const QByteArray theirs = "; another program's file\r\n[Other]\r\nKey=1\r\n";
    QFile file(QStringLiteral("default.ini"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(theirs) == theirs.size() && file.flush());
    auto sheet = OpenSheet();
    ScriptedQuestions questions;
    questions.answer(1);  // cancel
    questions.answer(0);  // replace
    QTest::keyClick(sheet.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(ReadAll(QStringLiteral("default.ini")), theirs) << "cancelled: the file stays";
    QTest::keyClick(sheet.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(sheet.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(questions.asked().size(), 2u) << "asked until the installer agreed, then no more";
    EXPECT_EQ(questions.asked()[0].text,
              QStringLiteral("Файл «default.ini» не удалось загрузить. Заменить его текущей конфигурацией?"));
    EXPECT_TRUE(ReadAll(QStringLiteral("default.ini")).contains("[Common]\r\n"));
}

TEST_F(SheetTest, menuHoldsEveryItemWithItsText)
{
    auto sheet = OpenSheet();
    const std::pair<int, const char *> items[] = {
        {32771, "Новая конфигурация\tCtrl-N"}, {32774, "Загрузить\tCtrl-O"}, {32772, "Сохранить\tCtrl-S"},
        {32773, "Сохранить как ..."}, {32775, "Выход"}, {32776, "Сборка системы"},
        {32779, "Размещение маркеров"}, {32785, "Парктроник"}, {32792, "Настройка времени показа предупреждения"},
        {32793, "Установка толщины линий"}, {32786, "Вызов справки\tF1"}, {32788, "О программе"},
        {32794, "Снимок монитора...\tCtrl-M"}, {32795, "Отменить\tCtrl-Z"}, {32796, "Повторить\tCtrl-Shift-Z"},
        {32797, "Библиотека автомобилей..."}};
    for (const auto &[id, text] : items) {
        QAction *action = sheet->MenuAction(id);
        ASSERT_NE(action, nullptr) << id;
        // The texts as given, apart from the '&' of their mnemonics.
        EXPECT_EQ(action->text().remove(QLatin1Char('&')), QString::fromUtf8(text)) << id;
    }
    const QList<QAction *> menus = sheet->MenuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text().remove(QLatin1Char('&')), QStringLiteral("Файл"));
    EXPECT_EQ(menus[1]->text().remove(QLatin1Char('&')), QStringLiteral("Правка"));
    EXPECT_EQ(menus[2]->text().remove(QLatin1Char('&')), QStringLiteral("Вид"));
    EXPECT_EQ(menus[3]->text().remove(QLatin1Char('&')), QStringLiteral("Справка"));
    // "Последние файлы" and the library after "Загрузить", then separators
    // before "Сохранить" and after "Сохранить как ...".
    const QList<QAction *> file = menus[0]->menu()->actions();
    ASSERT_EQ(file.size(), 9);
    EXPECT_EQ(file[2]->text().remove(QLatin1Char('&')), QStringLiteral("Последние файлы"));
    EXPECT_NE(file[2]->menu(), nullptr);
    EXPECT_EQ(file[3], sheet->MenuAction(Ids::ID_FILE_LIBRARY));
    EXPECT_TRUE(file[4]->isSeparator());
    EXPECT_TRUE(file[7]->isSeparator());
    // The page items, a separator, the monitor photo.
    EXPECT_EQ(menus[2]->menu()->actions().size(), 17);
    EXPECT_TRUE(menus[2]->menu()->actions()[15]->isSeparator());
}

// The sheet's pages and its View menu come from the page table, in wizard
// order; the View texts keep their mnemonics.
TEST_F(SheetTest, pagesAndViewMenuFollowThePageTable)
{
    auto sheet = OpenSheet();
    const char *texts[] = {
        "&Сборка системы", "&Установка параметров камеры и монитора", "С&двиг решетки", "Ввод &базовой линии",
        "Ввод &левой границы", "Ввод линии си&мметрии", "Ввод правой &границы", "Ввод левой &кривой",
        "Ввод правой кри&вой", "Установка &толщины линий", "&Размещение маркеров", "Загрузка и запись &изображения",
        "Загрузка и запись пр&едупреждения", "&Парктроник", "Настройка времени п&оказа предупреждения"};
    const QList<QAction *> view = sheet->MenuBar()->actions()[2]->menu()->actions();
    ASSERT_EQ(view.size(), 17) << "the pages, a separator and the monitor photo";
    int item = 0;
    for (const PageRow &row : PageTable()) {
        SCOPED_TRACE(StepIndex(row.step));
        CPageView *page = sheet->Page(row.step);
        EXPECT_EQ(PageRowOf(page), &row) << "the row's own class";
        EXPECT_EQ(page->ViewItemId(), row.viewItemId);
        if (row.viewItemId == 0)
            continue;
        EXPECT_EQ(PageRowOfViewItem(row.viewItemId), &row);
        EXPECT_EQ(view[item]->data().toInt(), row.viewItemId);
        EXPECT_EQ(view[item]->text(), QString::fromUtf8(texts[item]));
        ++item;
    }
    EXPECT_EQ(item, 15);
    EXPECT_EQ(PageRowOfViewItem(Ids::ID_FILE_NEW), nullptr);
}

// At start-up only the first page exists; a page is built the first time it
// is shown, however it is reached, and kept from then on. New and Load leave
// the pages never shown unbuilt, and such a page shows the loaded record
// when it is first shown.
TEST_F(SheetTest, aPageIsBuiltWhenFirstShownAndOnlyOnce)
{
    auto sheet = OpenSheet();
    const auto built = [&] { return sheet->findChildren<CPageView *>(Qt::FindDirectChildrenOnly).size(); };
    EXPECT_EQ(built(), 1);
    QString car = QDir::current().filePath(QStringLiteral("car.ini"));
    QByteArray file = ReadAll(QStringLiteral("default.ini"));
    ASSERT_TRUE(file.contains("[Camera]\r\nShiftY=45\r\nShiftX=250\r\n"));
    file.replace("ShiftX=250", "ShiftX=17");
    {
        QFile f(car);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(file);
    }
    ScriptedFileDialogs dialogs;
    dialogs.answer(car);
    const struct {
        const char *way;
        std::function<void()> go;
        WizardStep shown;
        qsizetype built;
    } moves[] = {
        {"Next", [&] { Key(*sheet, Qt::Key_F6); }, WizardStep::MonCam, 2},
        {"View menu", [&] { sheet->MenuAction(Ids::ID_VIEW_PARKTRONIC)->trigger(); }, WizardStep::Parktronic, 3},
        {"Back", [&] { Key(*sheet, Qt::Key_F5); }, WizardStep::LoadWarn, 4},
        {"View menu, a page built before", [&] { sheet->MenuAction(Ids::ID_VIEW_MONCAM)->trigger(); },
         WizardStep::MonCam, 4},
        {"New", [&] { Key(*sheet, Qt::Key_N, Qt::ControlModifier); }, WizardStep::SysAs, 4},
        {"Load", [&] { Key(*sheet, Qt::Key_O, Qt::ControlModifier); }, WizardStep::SysAs, 4},
        {"shown after Load", [&] { sheet->SetActivePage(WizardStep::GridShift); }, WizardStep::GridShift, 5},
    };
    std::map<WizardStep, CPageView *> first;
    for (const auto &move : moves) {
        SCOPED_TRACE(move.way);
        move.go();
        ASSERT_EQ(sheet->ActiveIndex(), StepIndex(move.shown));
        EXPECT_EQ(built(), move.built);
        EXPECT_EQ(first.emplace(move.shown, sheet->ActivePage()).first->second, sheet->ActivePage());
    }
    EXPECT_EQ(sheet->Files().currentFilePath, car);
    EXPECT_EQ(sheet->ActivePage()->EditX(0)->text(), QStringLiteral("17"));
    EXPECT_EQ(CheckedViewItems(*sheet), 1);
}

// The smallest sheet holds every page, also those not built when it opened.
TEST_F(SheetTest, theSmallestSheetHoldsEveryPage)
{
    auto sheet = OpenSheet();
    sheet->resize(sheet->minimumSize());
    for (int i = 0; i < CPageSheet::kPageCount; ++i) {
        sheet->SetActivePage(i);
        const QSize page = sheet->ActivePage()->size();
        EXPECT_GE(page.width(), sheet->ActivePage()->TemplateSize().width()) << i;
        EXPECT_GE(page.height(), sheet->ActivePage()->TemplateSize().height()) << i;
    }
}

TEST_F(SheetTest, startInEmptyFolderCreatesDefaultIniWithBuiltInLayout)
{
    ASSERT_FALSE(QFile::exists(QStringLiteral("default.ini")));
    auto sheet = OpenSheet();
    const QByteArray written = ReadAll(QStringLiteral("default.ini"));
    const QByteArray expected = ReadAll(TestDataPath(QStringLiteral("config-new-default.ini")));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(written, expected);
    EXPECT_EQ(sheet->Files().currentFilePath, QStringLiteral("default.ini"));
    EXPECT_EQ(sheet->SheetSettings().LineBrightness, 80);
    EXPECT_EQ(sheet->SheetSettings().BackgroundBrightness, 25);
}

TEST_F(SheetTest, saveRightAfterNewWritesNewConfigurationFile)
{
    auto sheet = OpenSheet();
    QTest::keyClick(sheet.get(), Qt::Key_N, Qt::ControlModifier);
    QTest::qWait(20);
    EXPECT_EQ(sheet->Files().currentFilePath, QStringLiteral("Новая конфигурация"));
    QTest::keyClick(sheet.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(30);
    EXPECT_TRUE(QFile::exists(QStringLiteral("Новая конфигурация")));
    EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Tarvello S/N 0000000000 (демо-режим) - Сборка системы - [Новая конфигурация ]"));
}

TEST_F(SheetTest, loadThenSaveWritesBackToTheLoadedFile)
{
    auto sheet = OpenSheet();
    QDir().mkdir(QStringLiteral("cars"));
    const QString car = QDir::current().filePath(QStringLiteral("cars/golf.ini"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("default.ini"), car));
    {
        QFile f(car);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write("; installer's note\r\n");
    }
    // Move to another page first: Load returns to the first page.
    sheet->SetActivePage(WizardStep::LeftBord);
    ScriptedFileDialogs dialogs;
    dialogs.answer(car);
    QTest::keyClick(sheet.get(), Qt::Key_O, Qt::ControlModifier);
    QTest::qWait(30);
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].kind, FileDialogRequest::Kind::Open);
    EXPECT_EQ(dialogs.requests()[0].selectedFilter, 1);
    EXPECT_EQ(sheet->Files().currentFilePath, car);
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::SysAs));
    EXPECT_TRUE(sheet->windowTitle().endsWith(QStringLiteral("[golf.ini ]"))) << qPrintable(sheet->windowTitle());

    Change(*sheet, [](Settings &s) { s.SetPoint(3, 1.25, 7.5, 1); });
    sheet->StartTitleTimer();
    QTest::qWait(30);
    EXPECT_TRUE(sheet->windowTitle().endsWith(QStringLiteral("[golf.ini *]"))) << qPrintable(sheet->windowTitle());
    const QByteArray defaultBefore = ReadAll(QStringLiteral("default.ini"));
    QTest::keyClick(sheet.get(), Qt::Key_S, Qt::ControlModifier);
    QTest::qWait(30);
    const QByteArray saved = ReadAll(car);
    EXPECT_TRUE(saved.contains("Point0X=1.25\r\n"));
    EXPECT_TRUE(saved.contains("; installer's note\r\n")) << "the file keeps its own comments";
    EXPECT_EQ(ReadAll(QStringLiteral("default.ini")), defaultBefore) << "default.ini is not touched";
    EXPECT_TRUE(sheet->windowTitle().endsWith(QStringLiteral("[golf.ini ]")));
}

TEST_F(SheetTest, previewPagesShowEveryGuidePointOfTheSettings)
{
    auto sheet = OpenSheet();
    Change(*sheet, [&](Settings &w) {
        w.SetPoint(0, 1.0, 8.0, 1);
        w.SetPoint(20, 6.5, 3.0, 1);   // a right-curve point, not edited on the left border page
        w.SetPoint(12, 7.0, 2.0, 0);
    });
    sheet->MenuAction(Ids::ID_VIEW_LEFTBORD)->trigger();
    QTest::qWait(20);
    auto *page = qobject_cast<CPageViewControl *>(sheet->ActivePage());
    ASSERT_NE(page, nullptr);
    CGuideLinePreview *preview = page->Preview();
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->IsPointEnabled(0));
    EXPECT_TRUE(preview->IsPointEnabled(20));
    EXPECT_FALSE(preview->IsPointEnabled(12));
}

TEST_F(SheetTest, everyPageShowsItsHelpText)
{
    auto sheet = OpenSheet();
    for (int i = 0; i < CPageSheet::kPageCount; ++i) {
        sheet->SetActivePage(i);
        QTextBrowser *help = sheet->ActivePage()->findChild<QTextBrowser *>(Ids::ObjectName(Ids::IDC_HELPTEXT));
        ASSERT_NE(help, nullptr) << i;
        EXPECT_FALSE(help->toPlainText().trimmed().isEmpty()) << i;
    }
    sheet->SetActivePage(WizardStep::GridShift);
    EXPECT_TRUE(sheet->ActivePage()->findChild<QTextBrowser *>()->toPlainText().startsWith(
        QStringLiteral("Шаг 3. Настройка калибровочной сетки.")));
}

TEST_F(SheetTest, resizingKeepsHelpOnTopPictureLeftAndButtonsBottomRight)
{
    auto sheet = OpenSheet();
    sheet->SetActivePage(WizardStep::LeftBord);
    CPageView *page = sheet->ActivePage();
    QWidget *help = page->findChild<QWidget *>(Ids::ObjectName(Ids::IDC_HELPTEXT));
    QWidget *preview = page->findChild<QWidget *>(Ids::ObjectName(Ids::IDC_PREVIEW));
    ASSERT_TRUE(help && preview);
    const QRect helpBefore = help->geometry();
    const QRect previewBefore = preview->geometry();
    const QRect nextBefore = sheet->Button(Ids::ID_WIZNEXT)->geometry();
    const int rightGap = sheet->width() - nextBefore.right();

    sheet->resize(sheet->size() + QSize(200, 120));
    QTest::qWait(30);
    EXPECT_EQ(help->geometry().topLeft(), helpBefore.topLeft());
    EXPECT_EQ(help->width(), helpBefore.width() + 200);
    EXPECT_EQ(help->height(), helpBefore.height());
    EXPECT_EQ(preview->geometry().topLeft(), previewBefore.topLeft());
    EXPECT_EQ(preview->size(), previewBefore.size() + QSize(200, 120));
    EXPECT_EQ(sheet->width() - sheet->Button(Ids::ID_WIZNEXT)->geometry().right(), rightGap);
    EXPECT_EQ(sheet->Button(Ids::ID_WIZNEXT)->y(), nextBefore.y() + 120);
}

TEST_F(SheetTest, closingAsksBeforeChangesAreLostAndStayKeepsThem)
{
    enum Close { CancelButton, ExitItem, EscapeKey, CloseButton };
    const struct {
        const char *name;
        Close close;
        bool change, saveFirst;
        std::vector<int> answers;  // 0 save, 1 discard, 2 stay
        size_t asked;
        bool closed;
        bool fileHasChange;
    } cases[] = {
        {"nothing changed", CancelButton, false, false, {}, 0, true, false},
        {"stay, then discard", CancelButton, true, false, {2, 1}, 2, true, false},
        {"save and close", ExitItem, true, false, {0}, 1, true, true},
        {"saved before", EscapeKey, true, true, {}, 0, true, true},
        {"window's close button, stay", CloseButton, true, false, {2}, 1, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(QStringLiteral("default.ini"));
        auto sheet = OpenSheet();
        ScriptedQuestions questions;
        for (int answer : c.answers)
            questions.answer(answer);
        if (c.change)
            Change(*sheet, [](Settings &s) { s.SetPoint(4, 3.25, 6.5, 1); });
        if (c.saveFirst)
            QTest::keyClick(sheet.get(), Qt::Key_S, Qt::ControlModifier);
        for (size_t tries = 0; tries < std::max<size_t>(1, c.answers.size()); ++tries) {
            switch (c.close) {
            case CancelButton:
                sheet->Button(Ids::ID_CANCEL)->click();
                break;
            case ExitItem:
                sheet->MenuAction(Ids::ID_FILE_EXIT)->trigger();
                break;
            case EscapeKey:
                QTest::keyClick(sheet.get(), Qt::Key_Escape);
                break;
            case CloseButton:
                sheet->close();
                break;
            }
            QTest::qWait(20);
        }
        EXPECT_EQ(questions.asked().size(), c.asked);
        if (!questions.asked().empty()) {
            EXPECT_TRUE(questions.asked()[0].text.contains(QStringLiteral("default.ini")));
        }
        EXPECT_EQ(!sheet->isVisible(), c.closed);
        EXPECT_TRUE(ReadAll(QStringLiteral("default.ini")).contains("Point1X=3.25") == c.fileHasChange);
        if (c.change) {
            EXPECT_DOUBLE_EQ(sheet->SheetSettings().Points[4].x, 3.25 * 40) << "nothing lost";
        }
    }
}

// The title's mark and the closing question come from one comparison, also
// for an edit the record's own changed flag misses, after Save As.
TEST_F(SheetTest, titleMarkIsWhatClosingWouldAskAbout)
{
    auto sheet = OpenSheet();
    ScriptedFileDialogs dialogs;
    dialogs.answer(QDir::current().filePath(QStringLiteral("car.ini")));
    sheet->RunCommand(Ids::ID_FILE_SAVE_AS);
    Change(*sheet, [](Settings &s) { s.BaseLineText = QStringLiteral("1 м"); });
    sheet->StartTitleTimer();
    QTest::qWait(30);
    EXPECT_TRUE(sheet->windowTitle().endsWith(QStringLiteral("[car.ini *]"))) << qPrintable(sheet->windowTitle());
    ScriptedQuestions questions;
    questions.answer(2);
    sheet->Button(Ids::ID_CANCEL)->click();
    EXPECT_EQ(questions.asked().size(), 1u);
}

TEST_F(SheetTest, exitClosesTheWizard)
{
    auto sheet = OpenSheet();
    sheet->RunCommand(Ids::ID_FILE_EXIT);
    QTest::qWait(20);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(sheet->result(), QDialog::Rejected);
}

} // namespace

namespace {

// Grabs the sheet on a few pages at its start size and enlarged. With
// TARVELLO_SCREENSHOT_DIR set, the pictures are kept there to be looked at.
TEST_F(SheetTest, screenshotsShowHelpOnTopPictureLeftButtonsRight)
{
    auto sheet = OpenSheet();
    // Every built-in point entered, so that the preview shows its lines.
    Change(*sheet, [](Settings &s) {
        for (int slot = 0; slot <= 22; ++slot) {
            double x = 0, y = 0;
            unsigned char flag = 0;
            s.GetPoint(slot, x, y, flag);
            if (y >= 0)
                s.SetPoint(slot, x, y, 1);
        }
    });
    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    const std::pair<WizardStep, const char *> shots[] = {
        {WizardStep::SysAs, "sysas"}, {WizardStep::LeftBord, "leftbord"}, {WizardStep::Complete, "complete"}};
    for (const QSize grow : {QSize(0, 0), QSize(300, 200)}) {
        sheet->resize(sheet->size() + grow);
        for (const auto &[index, name] : shots) {
            sheet->SetActivePage(index);
            QTest::qWait(30);
            const QImage shot = sheet->grab().toImage();
            ASSERT_FALSE(shot.isNull());
            // The help text's button-face background runs across the top of
            // the page, right up to the right edge.
            CPageView *page = sheet->ActivePage();
            QWidget *help = page->findChild<QWidget *>(Ids::ObjectName(Ids::IDC_HELPTEXT));
            EXPECT_GE(help->mapTo(sheet.get(), QPoint(help->width(), 0)).x(), sheet->width() - 20);
            if (!keep.isEmpty())
                shot.save(QDir(keep).filePath(QStringLiteral("%1-%2x%3.png").arg(QLatin1String(name)).arg(shot.width()).arg(shot.height())));
        }
    }
    CAboutBox about(sheet.get());
    about.show();
    QTest::qWait(30);
    const QImage aboutShot = about.grab().toImage();
    EXPECT_FALSE(aboutShot.isNull());
    if (!keep.isEmpty())
        aboutShot.save(QDir(keep).filePath(QStringLiteral("about.png")));
}

} // namespace
