// The manual and the ways to it (F1, the Help menu and button, command
// 32787), the program's own manual window when the desktop cannot show it,
// the manual's own files, Qt's standard texts in Russian and the menus'
// keyboard mnemonics. On the offscreen platform with real key events.
#include "CManualWindow.h"
#include "CPageSheet.h"
#include "CSetupApp.h"
#include "ProgramHelp.h"
#include "QtUserInterface.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QDirIterator>
#include <QFile>
#include <QLibraryInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>

#include <set>

namespace {

QString ManualDir()
{
    return QDir(qEnvironmentVariable("TARVELLO_SOURCE_DIR")).filePath(QStringLiteral("docs/manual"));
}

QString ManualPath()
{
    return QDir(ManualDir()).filePath(QStringLiteral("index.html"));
}

QString ReadManual()
{
    QFile file(ManualPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(file.readAll());
    return utf8.hasError() ? QString() : text;
}

QString ManualTitle(const QString &html)
{
    const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"));
    return title.match(html).captured(1).trimmed();
}

// The same file, however it is spelt.
QString Canonical(const QUrl &url)
{
    return QFileInfo(url.toLocalFile()).canonicalFilePath();
}

class HelpTest : public SheetTest {
protected:
    void SetUp() override
    {
        SheetTest::SetUp();
        env.unset("TARVELLO_MANUAL");
        previous = SetManualOpener([this](const QUrl &url) {
            opened.push_back(url);
            return desktopOpens;
        });
    }
    void TearDown() override
    {
        SetManualOpener(previous);
        SheetTest::TearDown();
    }

    static CManualWindow *ManualWindowOf(const CPageSheet &sheet)
    {
        const auto windows = sheet.findChildren<CManualWindow *>();
        return windows.size() == 1 ? windows[0] : nullptr;
    }

    std::vector<QUrl> opened;
    bool desktopOpens = true;
    ManualOpener previous;
    ScopedEnv env;
};

// The manual is one Russian HTML page with everything it shows beside it:
// no picture, link or anchor points nowhere, nothing comes from the network,
// and the images folder holds no picture that the page does not show.
TEST(Manual, isOneRussianPageWhosePicturesLinksAndAnchorsAllExist)
{
    const QString html = ReadManual();
    ASSERT_FALSE(html.isEmpty()) << "missing or not UTF-8: " << qPrintable(ManualPath());
    EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"ru\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("charset=\"utf-8\""), Qt::CaseInsensitive));
    EXPECT_FALSE(ManualTitle(html).isEmpty());

    std::set<QString> ids;
    const QRegularExpression id(QStringLiteral("\\bid=\"([^\"]+)\""));
    for (const auto &m : id.globalMatch(html))
        EXPECT_TRUE(ids.insert(m.captured(1)).second) << "id twice: " << qPrintable(m.captured(1));

    std::set<QString> shownImages;
    const QRegularExpression reference(QStringLiteral("\\b(src|href)=\"([^\"]*)\""));
    int references = 0;
    for (const auto &m : reference.globalMatch(html)) {
        ++references;
        const QString attribute = m.captured(1);
        const QString target = m.captured(2);
        const QUrl url(target);
        if (target.startsWith(QLatin1Char('#'))) {
            EXPECT_TRUE(ids.count(target.mid(1))) << "no anchor " << qPrintable(target);
            continue;
        }
        if (url.scheme() == QLatin1String("mailto")) {
            EXPECT_EQ(attribute, QStringLiteral("href"));
            continue;
        }
        EXPECT_TRUE(url.scheme().isEmpty()) << "from outside the manual: " << qPrintable(target);
        const QString file = QDir(ManualDir()).filePath(url.path());
        EXPECT_TRUE(QFileInfo(file).isFile()) << "missing: " << qPrintable(target);
        if (attribute == QLatin1String("src")) {
            EXPECT_FALSE(QImage(file).isNull()) << "not a picture: " << qPrintable(target);
            shownImages.insert(QFileInfo(file).fileName());
        }
    }
    EXPECT_GT(references, 20);
    EXPECT_FALSE(html.contains(QStringLiteral("<link"))) << "the style sheet is embedded";

    QDirIterator images(QDir(ManualDir()).filePath(QStringLiteral("images")), QDir::Files);
    int onDisk = 0;
    while (images.hasNext()) {
        images.next();
        ++onDisk;
        EXPECT_TRUE(shownImages.count(images.fileName())) << "not shown anywhere: " << qPrintable(images.fileName());
    }
    EXPECT_EQ(onDisk, static_cast<int>(shownImages.size()));
}

// Every wizard page has its section, named as the page is named.
TEST_F(HelpTest, manualHasASectionForEveryWizardPage)
{
    const QString html = ReadManual();
    auto sheet = OpenSheet();
    for (const PageRow &row : PageTable()) {
        const QString heading = QStringLiteral("<h3 id=\"%1\">").arg(QLatin1String(row.manualSection));
        const int at = html.indexOf(heading);
        ASSERT_GE(at, 0) << qPrintable(heading);
        const QString line = html.mid(at, html.indexOf(QStringLiteral("</h3>"), at) - at);
        EXPECT_TRUE(line.contains(sheet->Page(row.step)->Caption())) << qPrintable(line);
    }
}

// F1 (through the start-up's key filter), the Help menu item, the command
// without a menu item and the wizard's Help button all hand the manual to
// the desktop; in the build tree that is the source tree's manual.
TEST_F(HelpTest, everyWayToHelpHandsTheManualToTheDesktop)
{
    auto sheet = OpenSheet();
    CSetupApp startUp;
    qApp->installEventFilter(&startUp);
    const std::pair<const char *, std::function<void()>> ways[] = {
        {"F1", [&] { Key(*sheet, Qt::Key_F1); }},
        {"menu 32786", [&] { sheet->MenuAction(Ids::ID_HELP_CONTENTS)->trigger(); }},
        {"command 32787", [&] { sheet->RunCommand(Ids::ID_HELP_OTHER); }},
        {"Help button", [&] { QTest::mouseClick(sheet->Button(Ids::ID_HELP), Qt::LeftButton); }},
    };
    for (const auto &[name, press] : ways) {
        opened.clear();
        press();
        ASSERT_EQ(opened.size(), 1u) << name;
        EXPECT_EQ(Canonical(opened[0]), QFileInfo(ManualPath()).canonicalFilePath()) << name;
    }
    qApp->removeEventFilter(&startUp);
    EXPECT_EQ(ManualWindowOf(*sheet), nullptr);
    EXPECT_EQ(messages_.count(), 0u);
}

// Help works from every page (the screenshots the manual shows of the
// pages are kept with TARVELLO_SCREENSHOT_DIR set).
TEST_F(HelpTest, helpButtonOpensTheManualFromEveryPage)
{
    auto sheet = OpenSheet();
    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    for (int i = 0; i < CPageSheet::kPageCount; ++i) {
        sheet->SetActivePage(i);
        QTest::qWait(30);
        if (!keep.isEmpty())
            sheet->grab().save(QDir(keep).filePath(QStringLiteral("page%1.png").arg(i + 1, 2, 10, QLatin1Char('0'))));
        opened.clear();
        QTest::mouseClick(sheet->Button(Ids::ID_HELP), Qt::LeftButton);
        EXPECT_EQ(opened.size(), 1u) << i;
    }
}

// F1 and Help open the manual at the section of the page shown: for the
// desktop as the URL's fragment, in our own window scrolled to its heading.
TEST_F(HelpTest, helpOpensTheManualAtTheSectionOfThePageShown)
{
    const std::pair<WizardStep, const char *> pages[] = {
        {WizardStep::SysAs, "page01"}, {WizardStep::LeftBord, "page05"}, {WizardStep::LineBold, "page10"},
        {WizardStep::Complete, "page16"}};
    auto sheet = OpenSheet();
    CSetupApp startUp;
    qApp->installEventFilter(&startUp);
    for (const bool desktop : {true, false}) {
        desktopOpens = desktop;
        for (const auto &[page, anchor] : pages) {
            sheet->SetActivePage(page);
            for (const bool f1 : {true, false}) {
                SCOPED_TRACE(std::string(anchor) + (desktop ? " desktop" : " own window") + (f1 ? " F1" : " Help"));
                opened.clear();
                f1 ? Key(*sheet, Qt::Key_F1) : QTest::mouseClick(sheet->Button(Ids::ID_HELP), Qt::LeftButton);
                ASSERT_EQ(opened.size(), 1u);
                EXPECT_EQ(opened[0].fragment(), QLatin1String(anchor));
                if (desktop)
                    continue;
                ASSERT_NE(ManualWindowOf(*sheet), nullptr);
                QTextBrowser *browser = ManualWindowOf(*sheet)->Browser();
                ASSERT_TRUE(QTest::qWaitForWindowExposed(browser));
                // Scrolled where the browser puts that heading, below the contents.
                const int shown = browser->verticalScrollBar()->value();
                browser->verticalScrollBar()->setValue(0);  // read elsewhere; the next request goes back
                browser->scrollToAnchor(QLatin1String(anchor));
                EXPECT_EQ(shown, browser->verticalScrollBar()->value());
                EXPECT_GT(shown, 0);
                browser->verticalScrollBar()->setValue(0);
            }
        }
    }
    qApp->removeEventFilter(&startUp);
}

// No handler for HTML on the desktop: the manual shows in a window of our
// own, with its title, its pictures and its links followed; asking again
// brings back the same window.
TEST_F(HelpTest, withNoDesktopHandlerTheManualShowsInItsOwnWindow)
{
    desktopOpens = false;
    auto sheet = OpenSheet();
    QTest::mouseClick(sheet->Button(Ids::ID_HELP), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u) << "the desktop is asked first";
    CManualWindow *window = ManualWindowOf(*sheet);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowTitle(), ManualTitle(ReadManual()));
    QTextBrowser *browser = window->Browser();
    EXPECT_EQ(Canonical(browser->source()), QFileInfo(ManualPath()).canonicalFilePath());
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Шаг 1")));

    // Pictures resolve against the manual's folder.
    const QVariant picture = browser->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/page01-sysas.png")));
    EXPECT_FALSE(QImage::fromData(picture.toByteArray()).isNull());

    // A link of the contents, followed with the keyboard, moves within the manual.
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    QTest::qWait(20);
    EXPECT_FALSE(browser->source().fragment().isEmpty()) << qPrintable(browser->source().toString());
    EXPECT_TRUE(browser->isBackwardAvailable());

    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    if (!keep.isEmpty())
        window->grab().save(QDir(keep).filePath(QStringLiteral("manual-window.png")));

    // F1 or Help again: the same window, back at the section of the page.
    QTest::mouseClick(sheet->Button(Ids::ID_HELP), Qt::LeftButton);
    EXPECT_EQ(ManualWindowOf(*sheet), window);
    EXPECT_EQ(browser->source().fragment(), QStringLiteral("page01"));
    EXPECT_EQ(messages_.count(), 0u);
}

// TARVELLO_MANUAL names the one manual: a file that is there is opened, a
// file that is not gives a message naming it rather than another copy.
TEST_F(HelpTest, namedManualIsTheOnlyOneLookedFor)
{
    QFile named(dir_.filePath(QStringLiteral("manual.html")));
    ASSERT_TRUE(named.open(QIODevice::WriteOnly));
    named.write("<html><title>t</title></html>");
    named.close();
    const struct {
        QString path;
        bool found;
    } cases[] = {
        {named.fileName(), true},
        {dir_.filePath(QStringLiteral("missing/index.html")), false},
    };
    auto sheet = OpenSheet();
    for (const auto &c : cases) {
        opened.clear();
        messages_.clear();
        env.set("TARVELLO_MANUAL", c.path.toLocal8Bit());
        sheet->RunCommand(Ids::ID_HELP_CONTENTS);
        if (c.found) {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(Canonical(opened[0]), QFileInfo(c.path).canonicalFilePath());
            EXPECT_EQ(messages_.count(), 0u);
        } else {
            EXPECT_TRUE(opened.empty());
            ASSERT_EQ(messages_.count(), 1u);
            EXPECT_EQ(messages_.all()[0].icon, UserMessage::Icon::Warning);
            EXPECT_TRUE(messages_.all()[0].text.contains(QStringLiteral("TARVELLO_MANUAL")));
            EXPECT_TRUE(messages_.all()[0].details.contains(c.path)) << qPrintable(messages_.all()[0].details);
        }
        EXPECT_EQ(ManualWindowOf(*sheet), nullptr);
    }
}

// An installed copy (the prefix beside the program) is preferred to the
// source tree's, and the system's place comes last.
TEST(ManualLookup, installedCopyComesBeforeTheSourceTreeAndTheSystemLast)
{
    ScopedEnv env;
    env.unset("TARVELLO_MANUAL");
    const QStringList candidates = ProgramManualCandidates();
    ASSERT_EQ(candidates.size(), 3) << qPrintable(candidates.join(QLatin1Char('\n')));
    EXPECT_EQ(candidates[0], QDir::cleanPath(QCoreApplication::applicationDirPath()
                                              + QStringLiteral("/../share/doc/tarvello-setup/manual/index.html")));
    EXPECT_EQ(QFileInfo(candidates[1]).canonicalFilePath(), QFileInfo(ManualPath()).canonicalFilePath());
    EXPECT_EQ(candidates[2], QStringLiteral("/usr/share/doc/tarvello-setup/manual/index.html"));
}

// Alt with a Cyrillic letter, as the keyboard sends it: the key code is the
// capital letter, the text the small one.
void AltLetter(QWidget *widget, char16_t letter)
{
    const QChar capital(letter);
    QTest::sendKeyEvent(QTest::Click, widget, static_cast<Qt::Key>(letter), QString(capital.toLower()), Qt::AltModifier);
}

// Alt with the underlined letter opens each menu of the bar, and in the open
// File menu a letter runs its item, as a keyboard user works.
TEST_F(HelpTest, altWithTheUnderlinedLetterOpensItsMenu)
{
    auto sheet = OpenSheet();
    const QList<QAction *> menus = sheet->MenuBar()->actions();
    ASSERT_EQ(menus.size(), 4);
    const std::pair<char16_t, int> keys[] = {{u'Ф', 0}, {u'П', 1}, {u'В', 2}, {u'С', 3}};
    for (const auto &[letter, index] : keys) {
        AltLetter(sheet.get(), letter);
        QTest::qWait(20);
        EXPECT_EQ(QApplication::activePopupWidget(), menus[index]->menu()) << index;
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        QTest::qWait(20);
        ASSERT_TRUE(sheet->isVisible());
    }

    // Alt+Ф, then З: "Загрузить" asks for a file (answered: cancel).
    ScriptedFileDialogs dialogs;
    AltLetter(sheet.get(), u'Ф');
    QTest::qWait(20);
    QWidget *file = QApplication::activePopupWidget();
    ASSERT_NE(file, nullptr);
    QTest::sendKeyEvent(QTest::Click, file, static_cast<Qt::Key>(u'З'), QStringLiteral("з"), Qt::NoModifier);
    QTest::qWait(20);
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].kind, FileDialogRequest::Kind::Open);
}

// Within the bar and within each menu every entry has a letter of its own.
TEST_F(HelpTest, everyMenuEntryHasAMnemonicOfItsOwn)
{
    auto sheet = OpenSheet();
    std::vector<QList<QAction *>> lists = {sheet->MenuBar()->actions()};
    for (QAction *menu : sheet->MenuBar()->actions())
        lists.push_back(menu->menu()->actions());
    for (const QList<QAction *> &actions : lists) {
        std::set<int> letters;
        for (QAction *action : actions) {
            if (action->isSeparator())
                continue;
            const QKeySequence mnemonic = QKeySequence::mnemonic(action->text());
            ASSERT_FALSE(mnemonic.isEmpty()) << qPrintable(action->text());
            EXPECT_TRUE(letters.insert(mnemonic[0].toCombined()).second) << "taken twice: " << qPrintable(action->text());
        }
    }
}

// Qt's own buttons and dialogs, the file dialog's file types and dates and
// the month names speak Russian once the translation is installed, though
// the system speaks English (the test runs under LC_ALL=en_US.UTF-8);
// installing twice adds nothing. (Last: it stays installed.)
TEST(QtRussian, standardButtonsDialogTextsAndDatesAreRussianUnderAnEnglishSystem)
{
    ASSERT_EQ(QLocale::system().language(), QLocale::English);
    const QString dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(QDir(dir).filePath(QStringLiteral("qtbase_ru.qm"))))
        GTEST_SKIP() << "qtbase_ru.qm is not in " << qPrintable(dir) << " (Debian package qt6-translations-l10n)";
    InstallRussianTranslations(*qApp);
    InstallRussianTranslations(*qApp);
    EXPECT_EQ(qApp->findChildren<QTranslator *>().size(), 1);
    EXPECT_EQ(QLocale().toString(QDate(2024, 12, 1), QStringLiteral("d MMMM yyyy")).toStdString(), "1 декабря 2024");

    // The program's file dialog on a file last changed in December.
    QTemporaryDir folder;
    QFile car(folder.filePath(QStringLiteral("car.ini")));
    ASSERT_TRUE(car.open(QIODevice::WriteOnly) && car.write("[Common]\r\n") > 0 && car.flush());
    ASSERT_TRUE(car.setFileTime(QDateTime(QDate(2024, 12, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
    car.close();
    InstallQtUserInterface();
    QString date, type;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto *view = dialog->findChild<QTreeView *>();
        if (view && QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) == 1; })) {
            const QModelIndex file = view->model()->index(0, 0, view->rootIndex());
            type = file.siblingAtColumn(2).data().toString();
            date = file.siblingAtColumn(3).data().toString();
        }
        dialog->reject();
    });
    FileDialogRequest request =
        TypedFileDialog(FileDialogRequest::Kind::Open, QStringLiteral("Файлы конфигурации"), QStringLiteral("*.ini"));
    request.directory = folder.path();
    AskFileName(request);
    EXPECT_EQ(date.toStdString(), "01.12.2024 12:00");
    EXPECT_TRUE(type.contains(QRegularExpression(QStringLiteral("^[А-Яа-яЁё ]+")))) << qPrintable(type);

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Yes
                             | QDialogButtonBox::No);
    const std::pair<QDialogButtonBox::StandardButton, const char *> expected[] = {
        {QDialogButtonBox::Cancel, "Отмена"}, {QDialogButtonBox::Yes, "Да"}, {QDialogButtonBox::No, "Нет"}};
    for (const auto &[button, text] : expected)
        EXPECT_EQ(buttons.button(button)->text().remove(QLatin1Char('&')), QString::fromUtf8(text));

    QMessageBox box;
    box.setDetailedText(QStringLiteral("подробности"));
    bool russianDetails = false;
    for (QAbstractButton *button : box.buttons())
        russianDetails |= button->text().startsWith(QStringLiteral("Показать"));
    EXPECT_TRUE(russianDetails);
}

} // namespace
