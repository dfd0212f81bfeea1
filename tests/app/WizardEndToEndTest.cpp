// The wizard on the offscreen platform talking to the module simulator over
// a real pseudo-terminal: what the pages put on the wire, read back from the
// simulator's command log.
#include "CGuideLinePreview.h"
#include "CPageLoadPicture.h"
#include "CPictureBox.h"
#include "ComPortLink.h"
#include "ModulePicture.h"
#include "ModuleSim.h"
#include "PreviewSettings.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SimulatorSheetFixture.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

class WizardEndToEnd : public SimulatorSheetTest {
protected:
    using SimulatorSheetTest::SimulatorSheetTest;
};

TEST_F(WizardEndToEnd, pointPagesAskForTheGridOnEveryActivationAndSendNothingElse)
{
    auto sheet = OpenSheet(&link);
    sheet->SetActivePage(WizardStep::GridShift);
    // F6 from the grid-shift page through every sub-step to the labels page.
    for (int presses = 0; sheet->ActiveIndex() < StepIndex(WizardStep::MarkPlace) && presses < 40; ++presses)
        Key(*sheet, Qt::Key_F6);
    ASSERT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::MarkPlace));
    // Base line, left border, (symmetry: nothing), right border, left and
    // right curve; line thickness and labels send nothing either. Whatever
    // the grid-shift page sent came before all of them.
    const QStringList log = sim.log(5);
    int last = static_cast<int>(log.size());
    while (last > 0 && log[last - 1] == QStringLiteral("9600 ATS3\\r"))
        --last;
    EXPECT_EQ(log.size() - last, 5) << qPrintable(log.join(QLatin1Char('\n')));
    EXPECT_EQ(messages_.count(), 0u);
}

TEST_F(WizardEndToEnd, walkingTheWholeWizardSendsTheUpdateSequenceOfTheDefaultConfiguration)
{
    auto sheet = OpenSheet(&link);  // an empty folder: the built-in configuration
    for (int presses = 0; sheet->ActiveIndex() < CPageSheet::kPageCount - 1 && presses < 80; ++presses)
        Key(*sheet, Qt::Key_F6);
    ASSERT_EQ(sheet->ActiveIndex(), CPageSheet::kPageCount - 1);
    const QStringList sequence = {
        "ATS1", "ATQ0", "ATG70", "ATH25",          // camera and monitor: shown
        "ATQ0", "ATW",                             // left
        "ATS3", "ATK45", "ATJ250",                 // grid shift: shown
        "ATK45", "ATJ250", "ATW",                  // left
        "ATS3", "ATS3",                            // base line, left border
        "ATS3", "ATS3", "ATS3",                    // right border, both curves
        "ATS1", "ATO0",                            // guide-line picture
        "ATS4",                                    // warning picture
        "ATS1", "ATO0", "ATR0", "ATP0",            // parking sensor: shown
        "ATO0", "ATR0", "ATP0", "ATW",             // left
        "ATS1", "ATG80", "ATH25",                  // warning time: shown
        "ATQ0", "ATK45", "ATJ250", "ATO0", "ATR0", "ATP0", "ATF0", "ATG80", "ATH25",
        "ATS1", "ATW", "ATS1",                     // left: every setting once more
    };
    QStringList expected;
    for (const QString &command : sequence)
        expected << QStringLiteral("9600 %1\\r").arg(command);
    EXPECT_EQ(sim.log(static_cast<int>(expected.size())), expected);
    EXPECT_EQ(messages_.count(), 0u);
}

// What the module holds at an address range, read back over the link.
ModulePicture::Buffer ReadPicture(DeviceLink &link, std::uint32_t base)
{
    ModulePicture::Buffer bytes{};
    for (int k = 0; k < 128; ++k)
        EXPECT_EQ(link.ReadBlock(base + 256u * k, bytes.data() + 256 * k), kLinkOk) << k;
    return bytes;
}

TEST_F(WizardEndToEnd, bothPicturesLandInTheModuleAsConverted)
{
    // The guide-line picture of a left border alone, written with the
    // picture reversed in the monitor.
    QImage exported;
    {
        auto sheet = OpenSheet(&link);
        EnterLeftBorder(*sheet);
        exported = RenderGuideLinePicture(sheet->SheetSettings());
        ASSERT_FALSE(ModulePicture::ModulePictureFromImage(exported, false) == ModulePicture::Buffer{});
        Change(*sheet, [](Settings &s) { s.Reflection = true; });
        sheet->SetActivePage(WizardStep::LoadBMP);
        auto *page = static_cast<CPageLoadPicture *>(sheet->ActivePage());
        QTest::mouseClick(page->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_BUTTON_WRITE)), Qt::LeftButton);
        EXPECT_EQ(page->ProgressBar()->value(), 128);
        const ModulePicture::Buffer held = ReadPicture(link, 0xD0000);
        EXPECT_TRUE(held == ModulePicture::ModulePictureFromImage(exported, true));
        EXPECT_FALSE(held == ModulePicture::ModulePictureFromImage(exported, false)) << "mirrored indeed";
    }
    auto sheet = OpenSheet(&link);
    sheet->SetActivePage(WizardStep::LoadWarn);
    auto *page = static_cast<CPageLoadPicture *>(sheet->ActivePage());
    QTest::mouseClick(page->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_BUTTON_WRITE)), Qt::LeftButton);
    const QImage warning = QImage(Ids::BitmapPath(Ids::BITMAP_WARNING)).convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(ReadPicture(link, 0xE0000) == ModulePicture::ModulePictureFromImage(warning, false));
    EXPECT_EQ(messages_.count(), 0u);
}

// A module that refuses the tenth block write and answers a little slowly.
class RefusingModule : public WizardEndToEnd {
protected:
    RefusingModule() : WizardEndToEnd({QStringLiteral("--error-on"), QStringLiteral("A:10"),
                                       QStringLiteral("--delay-ms"), QStringLiteral("3")}) {}
};

TEST_F(RefusingModule, refusedTenthBlockStopsTheLoopAndTheClosingCommandsStillGo)
{
    auto sheet = OpenSheet(&link);
    EnterLeftBorder(*sheet);
    sheet->SetActivePage(WizardStep::LoadBMP);
    auto *page = static_cast<CPageLoadPicture *>(sheet->ActivePage());
    // The page in the middle of its write, for the screenshots.
    const QString keep = qEnvironmentVariable("TARVELLO_SCREENSHOT_DIR");
    QTimer shot;
    shot.setInterval(5);
    QObject::connect(&shot, &QTimer::timeout, [&] {
        if (page->ProgressBar()->value() >= 6 && !keep.isEmpty()) {
            sheet->grab().save(QDir(keep).filePath(QStringLiteral("page12-loadbmp-writing.png")));
            shot.stop();
        }
    });
    shot.start();
    const int before = static_cast<int>(sim.log(1).size());
    QTest::mouseClick(page->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_BUTTON_WRITE)), Qt::LeftButton);
    EXPECT_EQ(page->ProgressBar()->value(), 9);
    const QStringList wire = sim.log(before + 2 + 19 + 2).mid(before);
    ASSERT_EQ(wire.size(), 2 + 19 + 2) << qPrintable(wire.join(QLatin1Char('\n')));
    EXPECT_EQ(wire.first(), QStringLiteral("9600 ATS0\\r"));
    EXPECT_EQ(wire[1], QStringLiteral("9600 ATE1\\r"));
    EXPECT_TRUE(wire[20].startsWith(QStringLiteral("9600 ATA"))) << "the refused tenth write";
    EXPECT_EQ(wire.mid(21), QStringList({"9600 ATS1\\r", "9600 ATW\\r"}));
    EXPECT_EQ(messages_.count(), 1u);
}

} // namespace
