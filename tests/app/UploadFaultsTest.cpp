// The guide-line picture written through its page into a module simulator
// that misbehaves: every fault ends within its time-outs, with one device
// error box per failed command and the progress bar where the block loop
// stopped; after a hang-up, the cable plugged back in, the next write works
// without restarting the program.
#include "CPageLoadPicture.h"
#include "ComPortLink.h"
#include "ModuleSim.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"

#include <QProgressBar>
#include <QPushButton>

namespace {

// Bytes the module receives before block k's frame: the page's activation
// ("ATS1\r", "ATO0\r"), then "ATS0\r" and "ATE1\r", then k block frames of
// 265 bytes each with its 14-byte read-back command.
constexpr int BytesBeforeBlock(int k)
{
    return 4 * 5 + k * (265 + 14);
}

class UploadFaults : public SheetTest {
protected:
    QString Line() const { return QDir::current().filePath(QStringLiteral("com1")); }

    // The page's "Запись" on a module started with these faults; the bar's
    // position and the boxes shown.
    std::pair<int, size_t> Write(CPageSheet &sheet)
    {
        messages_.clear();
        auto *page = static_cast<CPageLoadPicture *>(sheet.ActivePage());
        QTest::mouseClick(page->findChild<QPushButton *>(Ids::ObjectName(Ids::IDC_BUTTON_WRITE)), Qt::LeftButton);
        return {page->ProgressBar()->value(), messages_.count()};
    }

    ScopedEnv env;
};

TEST_F(UploadFaults, eachFaultEndsInTimeWithItsBoxesAndTheBarWhereTheLoopStopped)
{
    const struct {
        const char *name;
        QStringList faults;
        int bar;
        size_t boxes;
    } cases[] = {
        {"erase refused", {"--error-on", "E:1"}, 128, 1},
        {"erase unanswered", {"--no-answer", "E:1"}, 128, 1},
        {"tenth read-back refused", {"--error-on", "B:10"}, 9, 1},
        {"third read-back unanswered", {"--no-answer", "B:3"}, 2, 1},
        {"slow answers", {"--delay-ms", "5"}, 128, 0},
        // Hung up while a block is written: that write, then the two closing
        // commands, fail at once.
        {"hang-up at block 0", {"--hangup-after", QString::number(BytesBeforeBlock(0) + 100)}, 0, 3},
        {"hang-up at block 1", {"--hangup-after", QString::number(BytesBeforeBlock(1) + 100)}, 1, 3},
        {"hang-up at block 64", {"--hangup-after", QString::number(BytesBeforeBlock(64) + 100)}, 64, 3},
        {"hang-up at block 127", {"--hangup-after", QString::number(BytesBeforeBlock(127) + 100)}, 127, 3},
    };
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", QFile::encodeName(Line()));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ModuleSim faulty(QStringList{"--link", Line()} + c.faults);
        ASSERT_TRUE(faulty.started()) << qPrintable(faulty.error());
        ComPortLink link;
        ASSERT_EQ(link.Open(1), kLinkOk);
        auto sheet = OpenSheet(&link);
        sheet->SetActivePage(11);
        const auto [bar, boxes] = Write(*sheet);
        EXPECT_EQ(bar, c.bar);
        EXPECT_EQ(boxes, c.boxes);
        if (c.name == std::string("hang-up at block 64")) {
            // The cable plugged back in: a module on the same line again.
            ASSERT_TRUE(faulty.waitForExit(std::chrono::seconds(5)));
            ModuleSim back(QStringList{"--link", Line()});
            ASSERT_TRUE(back.started()) << qPrintable(back.error());
            const auto [againBar, againBoxes] = Write(*sheet);
            EXPECT_EQ(againBar, 128) << "the next write works without a restart";
            EXPECT_EQ(againBoxes, 0u);
        }
        link.Close();
    }
}

TEST_F(UploadFaults, aModuleVanishingInTheFullSettingsWriteGivesOneBoxPerCommandLeft)
{
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", QFile::encodeName(Line()));
    // Gone after the warning page's activation ("ATS1\r", "ATG80\r",
    // "ATH25\r") and the first command of the write ("ATQ0\r"), in the
    // middle of the second.
    ModuleSim vanishing(QStringList{"--link", Line(), "--hangup-after", QString::number(5 + 6 + 6 + 5 + 2)});
    ASSERT_TRUE(vanishing.started()) << qPrintable(vanishing.error());
    ComPortLink link;
    ASSERT_EQ(link.Open(1), kLinkOk);
    auto sheet = OpenSheet(&link);
    Settings &s = sheet->SheetSettings();
    s.Bright1 = 60;
    sheet->SetActivePage(14);
    messages_.clear();
    sheet->SetActivePage(15);  // leaving the warning page: the full settings write
    EXPECT_EQ(sheet->ActiveIndex(), 15);
    EXPECT_EQ(messages_.count(), 11u) << "the eleven commands after the first";
    EXPECT_EQ(s.Bright1, 60) << "nothing rolled back";
    link.Close();
}

} // namespace
