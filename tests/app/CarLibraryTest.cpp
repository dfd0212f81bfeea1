#include "CCarLibraryWindow.h"
#include "Configuration.h"
#include "ResourceIds.h"
#include "SheetFixture.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The user's folders are the test's own: the recent-files list and the car
// library start empty.
class CarLibraryTest : public SheetTest {
protected:
    void SetUp() override
    {
        SheetTest::SetUp();
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_DATA_HOME", dir_.filePath(QStringLiteral("data")).toLocal8Bit());
        library_ = dir_.filePath(QStringLiteral("data/tarvello-setup/cars"));
    }

    // A whole configuration, its borders and curves wider by spread, with a
    // comment on top.
    static QString WriteCar(const QString &path, const char *comment, double spread)
    {
        QDir().mkpath(QFileInfo(path).path());
        Settings car;
        for (int i = 0; i < 5; ++i) {
            car.SetPoint(3 + i, 0.5 + (0.8 - spread) * i, 9 - 1.5 * i, 1);
            car.SetPoint(8 + i, 9.5 - (0.8 - spread) * i, 9 - 1.5 * i, 1);
        }
        for (int i = 0; i < 3; ++i) {
            car.SetPoint(13 + i, 1 + (3 + spread) * i, 7 - 2.5 * i, 1);
            car.SetPoint(18 + i, 9 - (3 + spread) * i, 7 - 2.5 * i, 1);
        }
        ConfigurationFiles files;
        EXPECT_TRUE(SaveConfiguration(car, files, path));
        IniFile::Clear();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadWrite));
        const QByteArray text = "; " + IniFile::ToFileEncoding(QString::fromUtf8(comment)) + "\r\n" + file.readAll();
        EXPECT_TRUE(file.seek(0) && file.write(text) == text.size());
        return QFileInfo(path).absoluteFilePath();
    }

    // Whether a thumbnail shows lines: light ones on black.
    static bool ShowsLines(const QIcon &icon)
    {
        const QImage image = icon.pixmap(kCarThumbnailWidth, kCarThumbnailHeight).toImage();
        bool dark = false, light = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                (qGray(image.pixel(x, y)) > 60 ? light : dark) = true;
        return dark && light;
    }

    static QStringList VisibleRows(QListWidget *list)
    {
        QStringList rows;
        for (int i = 0; i < list->count(); ++i)
            if (!list->item(i)->isHidden())
                rows << list->item(i)->text();
        return rows;
    }

    CCarLibraryWindow *OpenLibrary(CPageSheet &sheet)
    {
        sheet.RunCommand(Ids::ID_FILE_LIBRARY);
        CCarLibraryWindow *window = sheet.LibraryWindow();
        EXPECT_TRUE(window && QTest::qWaitForWindowExposed(window));
        window->WaitForEntries();
        return window;
    }

    QString library_;
};

TEST_F(CarLibraryTest, RecentFilesMenuLoadsMostRecentFirstAndDropsMissingFiles)
{
    const QString a = WriteCar(dir_.filePath(QStringLiteral("a&b.ini")), "A", 1.0);
    const QString b = WriteCar(dir_.filePath(QStringLiteral("b.ini")), "B", 2.0);
    auto sheet = OpenSheet();
    EXPECT_FALSE(sheet->MenuAction(Ids::ID_FILE_MRU_FILE1)->isVisible()) << "empty list: only \"(пусто)\"";
    ScriptedFileDialogs dialogs;
    for (const QString &path : {a, b, a, b}) {
        dialogs.answer(path);
        sheet->RunCommand(Ids::ID_FILE_LOAD);
    }
    auto second = OpenSheet();  // another window, or the next run, sees the same list
    EXPECT_EQ(second->MenuAction(Ids::ID_FILE_MRU_FILE1)->text(), QStringLiteral("&1 ") + b);
    EXPECT_EQ(second->MenuAction(Ids::ID_FILE_MRU_FILE2)->text(), QStringLiteral("&2 ") + QString(a).replace("&", "&&"));
    EXPECT_FALSE(second->MenuAction(Ids::ID_FILE_MRU_FILE3)->isVisible());

    second->RunCommand(Ids::ID_FILE_MRU_FILE2);
    EXPECT_EQ(QFileInfo(second->Files().currentFilePath).absoluteFilePath(), a);
    EXPECT_EQ(second->MenuAction(Ids::ID_FILE_MRU_FILE1)->text(), QStringLiteral("&1 ") + QString(a).replace("&", "&&"));

    ASSERT_TRUE(QFile::remove(b));
    second->RunCommand(Ids::ID_FILE_MRU_FILE2);
    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_TRUE(messages_.all()[0].text.contains(b)) << qPrintable(messages_.all()[0].text);
    EXPECT_FALSE(second->MenuAction(Ids::ID_FILE_MRU_FILE2)->isVisible()) << "the missing file is dropped";
    EXPECT_EQ(QFileInfo(second->Files().currentFilePath).absoluteFilePath(), a);
}

// With a settings folder the installer may not write, the list cannot be
// kept: that is said once, not at every file loaded or saved.
TEST_F(CarLibraryTest, RecentFilesThatCannotBeKeptAreSaidOnce)
{
    const QString car = WriteCar(dir_.filePath(QStringLiteral("car.ini")), "Car", 1.0);
    const QString settings = dir_.filePath(QStringLiteral("config/tarvello-setup"));
    ASSERT_TRUE(QDir().mkpath(settings));
    ASSERT_EQ(::chmod(QFile::encodeName(settings).constData(), 0555), 0);
    const OrdinaryFilePermissions asInstaller;
    auto sheet = OpenSheet();
    ScriptedFileDialogs dialogs;
    for (int i = 0; i < 2; ++i) {
        dialogs.answer(car);
        sheet->RunCommand(Ids::ID_FILE_LOAD);
    }
    sheet->RunCommand(Ids::ID_FILE_SAVE);
    ASSERT_EQ(messages_.count(), 1u);
    EXPECT_TRUE(messages_.all()[0].text.contains(settings + QStringLiteral("/tarvello-setup.conf")))
        << qPrintable(messages_.all()[0].text);
    EXPECT_FALSE(sheet->MenuAction(Ids::ID_FILE_MRU_FILE1)->isVisible());
}

TEST_F(CarLibraryTest, LibraryListsFiltersAndLoadsByEnter)
{
    const QString ford = WriteCar(library_ + QStringLiteral("/ford-focus.ini"), "Ford Focus 2012, камера над номером", 0);
    WriteCar(library_ + QStringLiteral("/lada-vesta.ini"), "Lada Vesta, камера в ручке багажника", 0.3);
    WriteCar(library_ + QStringLiteral("/gazelle.ini"), "ГАЗель Next, фургон", -0.4);
    const QString locked = WriteCar(library_ + QStringLiteral("/locked.ini"), "Locked", 0.1);
    QFile::setPermissions(locked, {});
    QFile notes(library_ + QStringLiteral("/notes.ini"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly) && notes.write("; to do\r\nplain text\r\n") > 0);
    notes.close();
    ASSERT_EQ(mkfifo(QFile::encodeName(library_ + QStringLiteral("/pipe.ini")).constData(), 0600), 0);
    auto sheet = OpenSheet();
    CCarLibraryWindow *window = OpenLibrary(*sheet);

    struct Row {
        const char *text;
        bool thumbnail;
    };
    std::vector<Row> rows = {{"ford-focus.ini\nFord Focus 2012, камера над номером", true},
                             {"gazelle.ini\nГАЗель Next, фургон", true},
                             {"locked.ini\nне читается: нет прав доступа", false},
                             {"pipe.ini\nне читается: это не обычный файл", false},
                             {"notes.ini\nв файле нет настроек конфигурации Tarvello", false}};
    if (geteuid() == 0)
        rows.erase(rows.begin() + 2);  // root reads it all the same
    if (const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR"); !keep.isEmpty()) {
        window->resize(560, 740);  // every row in sight
        window->grab().save(keep + QStringLiteral("/car-library.png"));
    }
    ASSERT_EQ(window->List()->count(), int(rows.size()) + (geteuid() == 0 ? 2 : 1));
    for (const Row &row : rows) {
        const auto found = window->List()->findItems(QString::fromUtf8(row.text), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << row.text;
        EXPECT_EQ(ShowsLines(found[0]->icon()), row.thumbnail) << row.text;
    }

    ASSERT_EQ(QApplication::focusWidget(), window->Filter());
    QTest::keyClicks(window->Filter(), QStringLiteral("F"));
    window->List()->setFocus();
    QTest::keyClicks(window->List(), QStringLiteral("oR"));  // typing in the list goes on in the filter
    EXPECT_EQ(window->Filter()->text(), QStringLiteral("FoR"));
    EXPECT_EQ(VisibleRows(window->List()), QStringList{QString::fromUtf8(rows[0].text)});

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::qWait(20);
    EXPECT_EQ(sheet->Files().currentFilePath, ford);
    EXPECT_TRUE(sheet->SheetSettings().SameConfiguration(ReadConfigurationSummary(ford).settings));
    EXPECT_FALSE(sheet->LibraryWindow() && sheet->LibraryWindow()->isVisible());
}

// Every name taken gives a file the list shows; a name whose file the
// list would not show is refused with a message and writes nothing.
TEST_F(CarLibraryTest, AddCurrentTakesOnlyNamesWhoseFileTheListShows)
{
    auto sheet = OpenSheet();
    CCarLibraryWindow *window = OpenLibrary(*sheet);
    const struct {
        const char *name;
        const char *file;  // nullptr: refused
    } cases[] = {
        {"Lada Vesta", "Lada Vesta.ini"}, {"Kia.INI", "Kia.INI"}, {"v1.2..", "v1.2...ini"}, {"a/b", nullptr},
        {" ", nullptr},  {"..", nullptr},  {".", nullptr},      {".ini", nullptr},          {".kia", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        messages_.clear();
        const qsizetype before = QDir(library_).entryList(QDir::Files | QDir::Hidden).size();
        window->SetNameQuestion([&](const QString &) { return std::optional<QString>(QString::fromUtf8(c.name)); });
        window->AddCurrent();
        EXPECT_EQ(messages_.count(), c.file ? 0u : 1u);
        EXPECT_EQ(QDir(library_).entryList(QDir::Files | QDir::Hidden).size(), before + (c.file ? 1 : 0));
        if (c.file) {
            EXPECT_EQ(window->List()->findItems(QString::fromUtf8(c.file) + "\n", Qt::MatchStartsWith).size(), 1);
        }
    }
}

TEST_F(CarLibraryTest, AddCurrentWritesACopyThatLoadsBackEqual)
{
    auto sheet = OpenSheet();
    EnterLeftBorder(*sheet);
    CCarLibraryWindow *window = OpenLibrary(*sheet);
    std::deque<QString> names = {"Kia Rio", "Kia Rio.ini"};
    window->SetNameQuestion([&](const QString &) { return std::optional<QString>(names.front()); });
    for (int i = 0; i < 2; ++i, names.pop_front())
        window->AddCurrent();

    EXPECT_EQ(messages_.count(), 0u);
    ASSERT_EQ(discardChanges_.asked().size(), 1u) << "replacing the file is asked first";
    EXPECT_TRUE(discardChanges_.asked()[0].text.contains(QStringLiteral("Kia Rio.ini")));
    EXPECT_EQ(QDir(library_).entryList(QDir::Files), QStringList{QStringLiteral("Kia Rio.ini")});
    const ConfigurationSummary copy = ReadConfigurationSummary(library_ + QStringLiteral("/Kia Rio.ini"));
    EXPECT_TRUE(copy.settings.SameConfiguration(sheet->SheetSettings()));
    EXPECT_EQ(VisibleRows(window->List()).size(), 1) << "the list shows the new file";
    EXPECT_EQ(sheet->Files().currentFilePath, QStringLiteral("default.ini")) << "the copy is not the current file";

    // Another folder, kept for the next time the library opens.
    const QString other = dir_.filePath(QStringLiteral("other"));
    QDir().mkpath(other);
    window->SetFolderQuestion([&](const QString &) { return std::optional<QString>(other); });
    window->ChooseFolder();
    EXPECT_EQ(window->List()->count(), 0);
    ConfigurationDocument document;
    EXPECT_EQ(CCarLibraryWindow(document).Folder(), other);
}

} // namespace
