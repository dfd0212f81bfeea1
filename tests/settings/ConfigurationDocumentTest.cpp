// The configuration document without a window: the file commands against
// real files in a temporary current folder, a page host that records what it
// is asked to do, and scripted answers to the questions and file dialogs.
#include "ConfigurationDocument.h"
#include "SettingsTestSupport.h"
#include "TestSupport.h"

#include <QDir>

#include <cmath>
#include <functional>

namespace {

// Stands in for the window; its leave handler writes into the record, as a
// page storing its fields does.
class RecordingHost : public DocumentHost {
public:
    explicit RecordingHost(ConfigurationDocument &document) : document_(document) {}
    void CommitActivePage() override { calls += "commit "; }
    bool LeaveActivePage() override
    {
        calls += "leave ";
        if (!refuseLeave)
            document_.Edit([](ConfigurationEdit &e) { e.Set(&Settings::FontHeight, 33); });
        return !refuseLeave;
    }
    void ReturnToLeftPage() override { calls += "return "; }
    void ShowFirstPage() override { calls += "first "; }

    std::string calls;
    bool refuseLeave = false;

private:
    ConfigurationDocument &document_;
};

class ConfigurationDocumentTest : public StoreTest {
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        previousDir_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
        WriteBytes(Path("car.ini"), "[Camera]\r\nShiftX=100\r\nShiftY=45\r\n[Marker mode]\r\nFontHeight=20\r\n");
        ASSERT_TRUE(QDir().mkdir(QStringLiteral("folder.ini")));
    }
    void TearDown() override
    {
        QDir::setCurrent(previousDir_);
        StoreTest::TearDown();
    }
    QString previousDir_;
};

TEST_F(ConfigurationDocumentTest, FileCommandsAskLeaveReplaceAndSaveInOrder)
{
    using D = ConfigurationDocument;
    const struct {
        const char *name;
        bool (D::*command)();
        bool modified;                   // the record edited before the command
        std::vector<int> answers;        // to "save changes?": 0 save, 1 discard, 2 stay
        std::optional<const char *> file;  // the file dialog's answer (none: cancelled)
        bool refuseLeave;
        // Expected:
        const char *calls;
        bool result;
        const char *currentFile;
        int fontHeight;  // 25 built-in, 20 car.ini, 33 the page's leave handler
        bool modifiedAfter;
        bool defaultHasEdit;
    } cases[] = {
        {"new", &D::FileNew, false, {}, {}, false, "commit leave first ", true, "Новая конфигурация", 25, false, false},
        {"new, stay", &D::FileNew, true, {2}, {}, false, "commit ", false, "default.ini", 25, true, false},
        {"new, discard", &D::FileNew, true, {1}, {}, false, "commit leave first ", true, "Новая конфигурация", 25, false, false},
        {"new, save first", &D::FileNew, true, {0}, {}, false, "commit commit leave first ", true, "Новая конфигурация", 25, false, true},
        {"load", &D::FileLoad, false, {}, "car.ini", false, "commit leave first ", true, "car.ini", 20, false, false},
        {"load, save first", &D::FileLoad, true, {0}, "car.ini", false, "commit commit leave first ", true, "car.ini", 20, false, true},
        {"load, stay", &D::FileLoad, true, {2}, {}, false, "commit ", false, "default.ini", 25, true, false},
        {"load cancelled", &D::FileLoad, false, {}, std::nullopt, false, "commit ", false, "default.ini", 25, false, false},
        {"load fails", &D::FileLoad, false, {}, "folder.ini", false, "commit leave return ", false, "default.ini", 33, true, false},
        {"page stays", &D::FileLoad, false, {}, "car.ini", true, "commit leave ", false, "default.ini", 25, false, false},
        {"save", &D::FileSave, true, {}, {}, false, "commit ", true, "default.ini", 25, false, true},
        {"save as", &D::FileSaveAs, true, {}, "other.ini", false, "commit ", true, "other.ini", 25, false, false},
        {"save as cancelled", &D::FileSaveAs, true, {}, std::nullopt, false, "", false, "default.ini", 25, true, false},
        {"save as fails", &D::FileSaveAs, true, {}, "no/such/car.ini", false, "commit ", false, "default.ini", 25, true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        IniFile::Clear();
        QFile::remove(QStringLiteral("default.ini"));
        ConfigurationDocument document;
        RecordingHost host(document);
        document.OpenDefault();
        document.SetHost(&host);
        host.refuseLeave = c.refuseLeave;
        RecordedMessages messages;
        ScriptedQuestions questions;
        for (int answer : c.answers)
            questions.answer(answer);
        ScriptedFileDialogs dialogs;
        if (c.command == &D::FileLoad || c.command == &D::FileSaveAs)
            dialogs.answer(c.file ? std::optional(QDir::current().filePath(QString::fromUtf8(*c.file))) : std::nullopt);
        if (c.modified)
            document.Edit([](ConfigurationEdit &e) { e.SetPoint(4, 3.25, 6.5, 1); });

        EXPECT_EQ((document.*c.command)(), c.result);
        EXPECT_EQ(host.calls, c.calls);
        EXPECT_EQ(document.CurrentFileName(), QString::fromUtf8(c.currentFile));
        EXPECT_EQ(document.Record().FontHeight, c.fontHeight) << "the page is left before the record is replaced";
        EXPECT_EQ(document.IsModified(), c.modifiedAfter);
        EXPECT_EQ(questions.asked().size(), c.answers.size());
        EXPECT_EQ(ReadBytes(QStringLiteral("default.ini")).contains("Point1X=3.25\r\n"), c.defaultHasEdit);
        EXPECT_EQ(messages.count(), std::string(c.name).ends_with("fails") ? 1u : 0u);
        if (c.command == &D::FileLoad && c.answers != std::vector<int>{2})
            EXPECT_EQ(dialogs.requests().size(), 1u);
        else if (c.command == &D::FileSaveAs)
            EXPECT_EQ(dialogs.requests().at(0).defaultSuffix, QStringLiteral("ini"));
        else
            EXPECT_TRUE(dialogs.requests().empty()) << "no file dialog after staying";
        if (c.modified && !c.modifiedAfter && c.command != &D::FileSave && c.command != &D::FileSaveAs) {
            // What replaced the record is not asked about.
            EXPECT_TRUE(document.MayDiscardChanges());
            EXPECT_EQ(questions.asked().size(), c.answers.size());
        }
    }
}

// The default file at start-up: made when missing, then read; one that cannot
// be made or read is reported once and stays the file that Save writes.
TEST_F(ConfigurationDocumentTest, StartUpKeepsTheDefaultFileAsTheCurrentOne)
{
    const struct {
        const char *name;
        std::function<bool()> prepare;
        size_t messages;
        int shiftX;
    } cases[] = {
        {"missing", [] { return true; }, 0, 250},
        {"present", [] { return QFile::copy(QStringLiteral("car.ini"), QStringLiteral("default.ini")); }, 0, 100},
        {"cannot be made", [] { return QFile::link(QStringLiteral("gone/default.ini"), QStringLiteral("default.ini")); }, 1, 250},
        {"unreadable", [] { return QDir().mkdir(QStringLiteral("default.ini")); }, 1, 250},
        {"holding no numbers", [] {  // taken as built-in values, said once: the record equals itself
             WriteBytes(QStringLiteral("default.ini"), "[MirrorLine]\r\nMirrorY=nan\r\n"
                                                       "[CurveLeft]\r\nPoint4X=nan\r\nPoint4Y=3\r\nPoint4V=1\r\n");
             return true;
         }, 1, 250},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        IniFile::Clear();
        QFile::remove(QStringLiteral("default.ini"));
        QDir().rmdir(QStringLiteral("default.ini"));
        ASSERT_TRUE(c.prepare());
        RecordedMessages messages;
        ConfigurationDocument document;
        document.OpenDefault();
        EXPECT_EQ(messages.count(), c.messages);
        EXPECT_EQ(document.Files().currentFilePath, QStringLiteral("default.ini"));
        EXPECT_EQ(document.Record().CameraShiftX, c.shiftX);
        EXPECT_FALSE(document.IsModified());
    }
}

} // namespace

namespace {

// Every change reaches the observers once, with the fields it changed and
// the place it was made; an edit that changes nothing is none.
TEST(ConfigurationDocumentEdits, eachChangeIsToldOnceWithItsFieldsAndPlace)
{
    class Place : public RecordingHost {
    public:
        using RecordingHost::RecordingHost;
        EditPlace CurrentPlace() const override { return {7, 2, true}; }
    };
    using E = ConfigurationEdit;
    const struct {
        const char *name;
        std::function<void(E &)> edit;
        QStringList fields;  // "section/key" or "section#slot"
    } cases[] = {
        {"one field", [](E &e) { e.Set(&Settings::FontHeight, 30); }, {"Marker mode/FontHeight"}},
        {"a point and the one it shares", [](E &e) { e.SetPoint(0, 1, 8, 1); e.SetPoint(3, 1, 8, 1); },
         {"SideLineLeft#3", "BaseLine#0"}},
        {"beyond the range: brought within it", [](E &e) { e.Set(&Settings::LineBrightness, 10); }, {"Common/Bright1"}},
        {"a label text", [](E &e) { e.SetLabelText(2, QStringLiteral("3 м")); }, {"Marker mode/LabelLineText3"}},
        {"the same value", [](E &e) { e.Set(&Settings::CameraShiftX, 250); }, {}},
        {"no number", [](E &e) { e.Set(&Settings::MirrorX, std::nan("")); }, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ConfigurationDocument document;
        Place host(document);
        document.SetHost(&host);
        std::vector<QStringList> told;
        document.Observe([&](const DocumentChange &change) {
            EXPECT_EQ(change.origin, DocumentChange::Origin::Edit);
            EXPECT_EQ(change.place, (EditPlace{7, 2, true}));
            QStringList fields;
            for (const FieldRef &f : change.fields)
                fields << (f.slot < 0 ? QStringLiteral("%1/%2").arg(f.key->section, f.key->key)
                                      : QStringLiteral("%1#%2").arg(f.key->section).arg(f.slot));
            told.push_back(fields);
        });
        EXPECT_EQ(document.Edit(c.edit), !c.fields.isEmpty());
        ASSERT_EQ(told.size(), c.fields.isEmpty() ? 0u : 1u);
        if (!told.empty()) {
            EXPECT_EQ(told[0], c.fields);
        }
    }
    ConfigurationDocument document;
    document.Edit([](E &e) { e.Set(&Settings::LineBrightness, 10); });
    EXPECT_EQ(document.Record().LineBrightness, 20) << "the table's range";
}

} // namespace
