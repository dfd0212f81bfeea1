// The module's own pictures on the picture pages, against the module
// simulator on a pseudo-terminal: the copy saved before the first write of
// each picture, reading and saving the module's picture, a module that
// vanishes during the copy, and a copy written back.
#include "CBackupCopyDialog.h"
#include "CPageLoadPicture.h"
#include "CPictureBox.h"
#include "ComPortLink.h"
#include "GuideLineRenderer.h"
#include "ModulePicture.h"
#include "ModulePictureBackupStore.h"
#include "ModuleSim.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"

#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QPushButton>
#include <QRegularExpression>

namespace {

// Each picture's page, its area in the module and the picture held there.
struct PictureCase {
    const char *name;
    WizardStep step;
    std::uint32_t address;
    int seed;
};

const PictureCase kPictures[] = {
    {"lines", WizardStep::LoadBMP, 0xD0000, 1},
    {"warning", WizardStep::LoadWarn, 0xE0000, 0},
};

// A picture of its own for each area, not what the pages would write.
ModulePicture::Buffer KnownPicture(int seed)
{
    QImage image(ModulePicture::kPictureWidth, ModulePicture::kPictureHeight, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.fillRect(20 + 30 * seed, 40, 90, 60 + 20 * seed, Qt::white);
    painter.fillRect(300, 200 - 50 * seed, 15, 80, Qt::white);
    return ModulePicture::ModulePictureFromImage(image, false);
}

class ModulePictures : public SheetTest {
protected:
    void SetUp() override
    {
        SheetTest::SetUp();
        env.set("TARVELLO_COM_ONLY_ENV", "1");
        env.set("TARVELLO_COM1", QFile::encodeName(Line()));
        previousStore_ = SetProgramBackupStore(&store);
        // The module's memory: a known picture in each area.
        QByteArray memory(1 << 20, '\0');
        for (const PictureCase &c : kPictures) {
            const ModulePicture::Buffer bytes = KnownPicture(c.seed);
            std::copy(bytes.begin(), bytes.end(), memory.begin() + c.address);
        }
        QFile mem(State() + QStringLiteral(".mem"));
        ASSERT_TRUE(mem.open(QIODevice::WriteOnly));
        mem.write(memory);
    }
    void TearDown() override
    {
        if (link_)
            link_->Close();
        SetProgramBackupStore(previousStore_);
        SheetTest::TearDown();
    }

    // A module on the line (with faults), the link to it, and the sheet.
    std::unique_ptr<CPageSheet> Start(const QStringList &faults = {})
    {
        if (link_)
            link_->Close();
        sim_.reset();  // the line's name is free again
        sim_ = std::make_unique<ModuleSim>(QStringList{"--link", Line(), "--state", State()} + faults);
        EXPECT_TRUE(sim_->started()) << qPrintable(sim_->error());
        link_ = std::make_unique<ComPortLink>();
        EXPECT_EQ(link_->Open(1), kLinkOk);
        return OpenSheet(link_.get());
    }

    QString Line() const { return dir_.filePath(QStringLiteral("com1")); }
    QString State() const { return dir_.filePath(QStringLiteral("module.state")); }
    ModulePicture::Buffer Memory(std::uint32_t address) const
    {
        QFile mem(State() + QStringLiteral(".mem"));
        ModulePicture::Buffer bytes{};
        if (mem.open(QIODevice::ReadOnly) && mem.seek(address))
            mem.read(reinterpret_cast<char *>(bytes.data()), bytes.size());
        return bytes;
    }
    // Every file under the copies' folder.
    QStringList Copies() const
    {
        QStringList files;
        for (QDirIterator it(store.Root(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
            files << it.next();
        return files;
    }
    static void Click(CPageSheet &sheet, int id)
    {
        QTest::mouseClick(sheet.ActivePage()->findChild<QPushButton *>(Ids::ObjectName(id)), Qt::LeftButton);
    }
    static CPageLoadPicture &Page(CPageSheet &sheet) { return *static_cast<CPageLoadPicture *>(sheet.ActivePage()); }
    // The commands the module got while action ran.
    QStringList During(const std::function<void()> &action) const
    {
        const int before = static_cast<int>(sim_->log(0, std::chrono::milliseconds(300)).size());
        action();
        QStringList commands;
        for (const QString &line : sim_->log(0, std::chrono::milliseconds(300)).mid(before))
            commands << line.section(QLatin1Char(' '), 1);  // without the line speed
        return commands;
    }

    ScopedEnv env;
    QTemporaryDir data_;
    ModulePictureBackupStore store{data_.filePath(QStringLiteral("backups")),
                                   data_.filePath(QStringLiteral("tarvello-setup.conf"))};
    ModulePictureBackupStore *previousStore_ = nullptr;
    std::unique_ptr<ModuleSim> sim_;
    std::unique_ptr<ComPortLink> link_;
};

TEST_F(ModulePictures, theModulesPictureIsCopiedBeforeTheFirstWriteOfEachPictureOnly)
{
    auto sheet = Start();
    EnterLeftBorder(*sheet);
    for (const PictureCase &c : kPictures) {
        SCOPED_TRACE(c.name);
        sheet->SetActivePage(c.step);
        const QString read0 = QStringLiteral("ATB0X%1\\r").arg(c.address, 8, 16, QLatin1Char('0')).toUpper();
        for (int write = 0; write < 2; ++write) {
            const QStringList commands = During([&] { Click(*sheet, Ids::IDC_BUTTON_WRITE); });
            const int copyReads = static_cast<int>(commands.indexOf(QStringLiteral("ATS0\\r")));
            ASSERT_GE(copyReads, 0) << "the upload ran";
            EXPECT_EQ(copyReads, write == 0 ? PictureUpload::kBlocks : 0) << "the copy's reads come first, once";
            if (write == 0) {
                EXPECT_EQ(commands.first().toUpper(), read0);
            }
        }
        const QStringList files = Copies().filter(QStringLiteral("-%1.bmp").arg(c.name));
        ASSERT_EQ(files.size(), 1);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("/backups/0000000000/\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d-%1\\.bmp$")
                                           .arg(c.name))
                        .match(files[0])
                        .hasMatch())
            << qPrintable(files[0]);
        EXPECT_TRUE(ModulePicture::ModulePictureFromImage(QImage(files[0]), false) == KnownPicture(c.seed))
            << "the copy is the module's memory";
        EXPECT_TRUE(Page(*sheet).BackupNote()->text().contains(QDir::toNativeSeparators(files[0])));
    }
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(ModulePictures, withTheCopyTurnedOffNothingIsReadAndTheChoiceIsRemembered)
{
    auto sheet = Start();
    EnterLeftBorder(*sheet);
    sheet->SetActivePage(WizardStep::LoadBMP);
    QCheckBox *check = Page(*sheet).BackupCheck();
    ASSERT_TRUE(check->isChecked()) << "on unless turned off";
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, check->height() / 2));
    const QStringList commands = During([&] { Click(*sheet, Ids::IDC_BUTTON_WRITE); });
    EXPECT_EQ(commands.indexOf(QStringLiteral("ATS0\\r")), 0) << "no read before the upload";
    EXPECT_TRUE(Copies().isEmpty());
    EXPECT_FALSE(ModulePictureBackupStore(store.Root(), data_.filePath(QStringLiteral("tarvello-setup.conf"))).Enabled());
}

// With TARVELLO_SCREENSHOT_DIR set, the page is kept there with the
// module's older picture (the left border alone) beside the new one.
TEST_F(ModulePictures, readShowsTheModulesPictureAndSavesItAsBmp)
{
    Settings older;
    EnterLeftBorder(older);
    const ModulePicture::Buffer inModule = ModulePicture::ModulePictureFromImage(RenderGuideLinePicture(older), false);
    {
        QFile mem(State() + QStringLiteral(".mem"));
        ASSERT_TRUE(mem.open(QIODevice::ReadWrite) && mem.seek(0xD0000));
        mem.write(reinterpret_cast<const char *>(inModule.data()), inModule.size());
    }
    auto sheet = Start();
    Change(*sheet, [](Settings &s) {
        for (int slot = 0; slot <= 22; ++slot) {  // every built-in point
            double x = 0, y = 0;
            unsigned char flag = 0;
            s.GetPoint(slot, x, y, flag);
            s.SetPoint(slot, x, y, 1);
        }
    });
    sheet->SetActivePage(WizardStep::LoadBMP);
    auto *save = sheet->ActivePage()->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_SAVE_MODULE_PICTURE));
    EXPECT_FALSE(save->isEnabled()) << "nothing read yet";
    Click(*sheet, Ids::IDC_READ_MODULE);
    EXPECT_TRUE(ModulePicture::ModulePictureFromImage(Page(*sheet).ModulePictureBox()->FullSizeBitmap(), false)
                == inModule);
    if (const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR"); !keep.isEmpty())
        sheet->grab().save(QDir(keep).filePath(QStringLiteral("page12-module-picture.png")));
    ScriptedFileDialogs dialogs;
    dialogs.answer(QDir::current().filePath(QStringLiteral("module.bmp")));
    ASSERT_TRUE(save->isEnabled());
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_TRUE(ModulePicture::ModulePictureFromImage(QImage(QStringLiteral("module.bmp")), false) == inModule);
    EXPECT_EQ(messages_.count(), 0u);
}

// Faults while the copy is read: a block counts only when read cleanly, a
// spoilt read is repeated, and without a clean copy the installer decides.
TEST_F(ModulePictures, aCopyIsKeptOnlyWhenEveryBlockReadsCleanlyElseTheInstallerDecides)
{
    // Before block 50's read: the page's "ATS1\r" and "ATO0\r", 50 reads.
    const int beforeRead50 = 2 * 5 + 50 * 14;
    const QStringList thrice = {"B:51", "B:52", "B:53"};
    const auto each = [](const char *flag, const QStringList &specs) {
        QStringList faults;
        for (const QString &spec : specs)
            faults << flag << spec;
        return faults;
    };
    const struct {
        const char *name;
        QStringList faults;
        bool copied;
        int answer;  // to the question without a copy: 0 write, 1 cancel
        bool written;
    } trials[] = {
        {"noise in read 50", {"--noise-on", "B:51"}, true, -1, true},
        {"read 50 refused once", {"--error-on", "B:51"}, true, -1, true},
        {"read 50 noisy every time, cancelled", each("--noise-on", thrice), false, 1, false},
        {"read 50 noisy every time, written anyway", each("--noise-on", thrice), false, 0, true},
        {"hang-up at read 50", {"--hangup-after", QString::number(beforeRead50 + 5)}, false, 1, false},
    };
    for (const auto &t : trials) {
        SCOPED_TRACE(t.name);
        for (const QString &file : Copies())
            QFile::remove(file);
        auto sheet = Start(t.faults);
        EnterLeftBorder(*sheet);
        sheet->SetActivePage(WizardStep::LoadBMP);
        messages_.clear();
        ScriptedQuestions questions;
        if (t.answer >= 0)
            questions.answer(t.answer);
        const ModulePicture::Buffer before = Memory(0xD0000);
        const QStringList commands = During([&] { Click(*sheet, Ids::IDC_BUTTON_WRITE); });
        const QStringList files = Copies();
        if (t.copied) {
            EXPECT_TRUE(questions.asked().empty());
            ASSERT_EQ(files.size(), 2) << "the picture and the area's bytes";
            const QString bmp = files.filter(QStringLiteral(".bmp")).value(0);
            const auto kept = ModulePictureBackupStore::ReadCopy(bmp);
            EXPECT_TRUE(kept && *kept == before) << "exactly the module's bytes";
            EXPECT_EQ(messages_.count(), 0u);
        } else {
            EXPECT_TRUE(files.isEmpty()) << qPrintable(files.join(QLatin1Char(' ')));
            ASSERT_EQ(questions.asked().size(), 1u);
            EXPECT_TRUE(questions.asked()[0].text.startsWith(
                QStringLiteral("Не удалось сохранить копию картинки модуля: ")));
            EXPECT_TRUE(questions.asked()[0].text.endsWith(QStringLiteral(". Записать без копии?")));
            EXPECT_EQ(questions.asked()[0].answers, (QStringList{"Записать", "Отмена"}));
            EXPECT_EQ(std::pair(questions.asked()[0].defaultAnswer, questions.asked()[0].escapeAnswer), std::pair(1, 1));
            EXPECT_EQ(messages_.count(), 1u) << "the read's device error box";
        }
        EXPECT_EQ(commands.contains(QStringLiteral("ATE1\\r")), t.written) << qPrintable(commands.join(QLatin1Char(' ')));
        if (!t.written) {
            EXPECT_EQ(Page(*sheet).Estimate()->text(), QStringLiteral("Прочитано: 50 из 128 блоков")) << "no time left";
            EXPECT_TRUE(Page(*sheet).ModulePictureBox()->FullSizeBitmap().isNull()) << "no half-read picture shown";
        }
    }
}

// Every module on a serial port reports serial 0: each new link to one is
// owed a copy of its own. After a verified write the page shows what the
// module now holds.
TEST_F(ModulePictures, everyNewLinkGetsItsOwnCopyAndTheWrittenPictureIsShownAsTheModules)
{
    for (int link = 0; link < 2; ++link) {
        SCOPED_TRACE(link);
        auto sheet = Start();
        EnterLeftBorder(*sheet);
        sheet->SetActivePage(WizardStep::LoadBMP);
        const QStringList commands = During([&] { Click(*sheet, Ids::IDC_BUTTON_WRITE); });
        EXPECT_EQ(commands.indexOf(QStringLiteral("ATS0\\r")), PictureUpload::kBlocks) << "the copy's reads first";
        EXPECT_EQ(Copies().filter(QStringLiteral(".bmp")).size(), link + 1);
        const ModulePicture::Buffer written = Memory(0xD0000);
        EXPECT_FALSE(written == KnownPicture(1)) << "a new picture went in";
        EXPECT_TRUE(ModulePicture::ModulePictureFromImage(Page(*sheet).ModulePictureBox()->FullSizeBitmap(), false)
                    == written);
    }
}

// "Восстановить...": the page's own copies, newest first, then a question;
// a copy goes back exactly as the area was read, rows beyond the picture
// too. Without kept copies a file is chosen as any picture is.
TEST_F(ModulePictures, restoreListsThePagesCopiesNewestFirstAsksAndWritesTheAreaBackExactly)
{
    auto sheet = Start();
    const Settings &s = sheet->SheetSettings();
    Change(*sheet, [&](Settings &w) {
        w.Reflection = 1;  // a copy is the module's memory: never mirrored again
    });
    store.SetEnabled(false);
    sheet->SetActivePage(WizardStep::LoadBMP);

    // No copies yet: a file, asked for in this module's folder.
    const QString file = QDir::current().filePath(QStringLiteral("copy.bmp"));
    ASSERT_TRUE(ModulePictureBackupStore::SaveModuleBytes(file, KnownPicture(0)));
    ASSERT_TRUE(QDir().mkpath(store.ModuleFolder(0)));
    {
        ScriptedFileDialogs dialogs;
        dialogs.answer(file);
        ScriptedQuestions questions;
        questions.answer(0);
        Click(*sheet, Ids::IDC_RESTORE_PICTURE);
        ASSERT_EQ(dialogs.requests().size(), 1u);
        EXPECT_EQ(dialogs.requests()[0].directory, store.ModuleFolder(0)) << "opens in this module's copies";
        EXPECT_TRUE(Memory(0xD0000) == KnownPicture(0)) << "the module holds the copy's bytes";
    }

    // Kept copies: two of the guide lines (the newer with bytes past the
    // picture's rows), one of the warning picture.
    ModulePicture::Buffer newest = KnownPicture(1);
    newest[ModulePicture::kBytes - 5] = 0xA5;
    const QDateTime at(QDate(2026, 12, 7), QTime(10, 0));
    const auto older = store.Save(0, 7, PictureUpload::Picture::GuideLines, KnownPicture(0), at);
    const auto newer = store.Save(0, 7, PictureUpload::Picture::GuideLines, newest, at.addSecs(60));
    ASSERT_TRUE(store.Save(1, 7, PictureUpload::Picture::Warning, KnownPicture(0), at.addSecs(120)));
    ASSERT_TRUE(older && newer);
    for (const int answer : {1, 0}) {  // cancelled, then written
        SCOPED_TRACE(answer);
        QStringList listed;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<CBackupCopyDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            for (int row = 0; row < dialog->List()->count(); ++row)
                listed << dialog->List()->item(row)->data(Qt::UserRole).toString();
            EXPECT_FALSE(dialog->List()->item(0)->icon().isNull()) << "shown with its picture";
            if (const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR"); !keep.isEmpty() && answer == 1)
                dialog->grab().save(QDir(keep).filePath(QStringLiteral("restore-copies.png")));
            QTest::keyClick(dialog->List(), Qt::Key_Return);
        });
        ScriptedQuestions questions;
        questions.answer(answer);
        const QStringList commands = During([&] { Click(*sheet, Ids::IDC_RESTORE_PICTURE); });
        EXPECT_EQ(listed, (QStringList{*newer, *older}));
        ASSERT_EQ(questions.asked().size(), 1u);
        EXPECT_TRUE(questions.asked()[0].text.contains(QFileInfo(*newer).fileName()));
        EXPECT_EQ(commands.isEmpty(), answer == 1) << "nothing written before the installer agrees";
    }
    EXPECT_TRUE(Memory(0xD0000) == newest) << "the area as it was read, not only the picture";
    EXPECT_TRUE(s.CustomFileLines.isEmpty()) << "the page's own picture stays";
    EXPECT_EQ(messages_.count(), 0u);
}

} // namespace
