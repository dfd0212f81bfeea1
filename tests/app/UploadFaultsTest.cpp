// The guide-line picture written through its page into a module simulator
// that misbehaves: every fault ends within its time-outs, with one device
// error box per failed command and the progress bar where the block loop
// stopped; after a hang-up, the cable plugged back in, the next write works
// without restarting the program, over a serial port and over USB.
#include "CPageLoadPicture.h"
#include "ComPortLink.h"
#include "ModuleSim.h"
#include "ResourceIds.h"
#include "ScopedEnv.h"
#include "SheetFixture.h"
#include "UsbLink.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The block write waits 50 s for its answer (four times that over USB).
// The trials that wait it out use a link that waits this long instead, so
// that they take seconds; every other wait is the protocol's own.
constexpr unsigned kShortBlockWaitMs = 1500;

template <typename Link> class ShortBlockWait : public Link {
public:
    LinkResult Transact(const std::uint8_t *bytes, unsigned length, unsigned timeoutMs,
                        unsigned extraBytes) override
    {
        if (timeoutMs == Protocol::kBlockWriteTimeoutMs)
            timeoutMs = kShortBlockWaitMs;
        return Link::Transact(bytes, length, timeoutMs, extraBytes);
    }
};

// Bytes the module receives before block k's frame: the page's activation
// ("ATS1\r", "ATO0\r"), then "ATS0\r" and "ATE1\r", then k block frames of
// 265 bytes each with its 14-byte read-back command.
constexpr int BytesBeforeBlock(int k)
{
    return 4 * 5 + k * (265 + 14);
}

// Bytes the module sends before block k's frame: the echo of every command
// and its answer "\r\nOK\r\n" (a read-back answers its 256 bytes first).
constexpr int SentBeforeBlock(int k)
{
    return 4 * (5 + 6) + k * (265 + 6 + 14 + 256 + 6);
}
// The byte number (from 1, as --drop-every counts) of the "O" of block k's
// write answer, and of the middle of its read-back data.
constexpr int WriteAnswerO(int k) { return SentBeforeBlock(k) + 265 + 3; }
constexpr int ReadBackMiddle(int k) { return SentBeforeBlock(k) + 271 + 14 + 128; }
static_assert(2 * WriteAnswerO(64) > SentBeforeBlock(128) + 100, "one byte lost in the whole write");
static_assert(2 * ReadBackMiddle(64) > SentBeforeBlock(128) + 100, "one byte lost in the whole write");

// A module started with these faults, and where the write must end.
struct Trial {
    const char *name;
    QStringList faults;
    int bar;
    size_t boxes;
};

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

    // Each trial: a module with its faults on the line, the page's write
    // over a new link of this kind (opened with `port`), the bar and the
    // boxes checked; then `after`, with the sheet and the module.
    template <typename Link>
    void RunTrials(const std::vector<Trial> &trials, int port,
                   const std::function<void(const Trial &, CPageSheet &, ModuleSim &)> &after = {})
    {
        for (const Trial &t : trials) {
            SCOPED_TRACE(t.name);
            ModuleSim faulty(QStringList{"--link", Line()} + t.faults);
            ASSERT_TRUE(faulty.started()) << qPrintable(faulty.error());
            ShortBlockWait<Link> link;
            ASSERT_EQ(link.Open(port), kLinkOk);
            auto sheet = OpenSheet(&link);
            EnterLeftBorder(*sheet);
            sheet->SetActivePage(WizardStep::LoadBMP);
            const auto start = Clock::now();
            const auto [bar, boxes] = Write(*sheet);
            lastWrite_ = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
            EXPECT_EQ(bar, t.bar);
            EXPECT_EQ(boxes, t.boxes);
            if (after)
                after(t, *sheet, faulty);
            link.Close();
        }
    }

    ScopedEnv env;
    milliseconds lastWrite_{};  // how long the last trial's write took
};

TEST_F(UploadFaults, eachFaultEndsInTimeWithItsBoxesAndTheBarWhereTheLoopStopped)
{
    const std::vector<Trial> trials = {
        {"erase refused", {"--error-on", "E:1"}, 128, 1},
        {"erase unanswered", {"--no-answer", "E:1"}, 128, 1},
        {"tenth read-back refused", {"--error-on", "B:10"}, 9, 1},
        {"third read-back unanswered", {"--no-answer", "B:3"}, 2, 1},
        {"slow answers", {"--delay-ms", "5"}, 128, 0},
        // Every byte takes its time at the line speed: the answers trickle
        // in pieces (16 blocks, then a refusal that arrives the same way).
        {"trickling bytes, 17th read-back refused", {"--pace", "--error-on", "B:17"}, 16, 1},
        // A byte lost from a read-back: the upload goes on, and the block is
        // named as not matching once the write is over.
        {"byte lost in read-back 64", {"--drop-every", QString::number(ReadBackMiddle(64))}, 128, 1},
        // A byte lost from the "OK" of a block write: the block write waits
        // out its time.
        {"write answer 64 lost its O", {"--drop-every", QString::number(WriteAnswerO(64))}, 64, 1},
        // Hung up while a block is written: that write, then the two closing
        // commands, fail at once.
        {"hang-up at block 0", {"--hangup-after", QString::number(BytesBeforeBlock(0) + 100)}, 0, 3},
        {"hang-up at block 1", {"--hangup-after", QString::number(BytesBeforeBlock(1) + 100)}, 1, 3},
        {"hang-up at block 64", {"--hangup-after", QString::number(BytesBeforeBlock(64) + 100)}, 64, 3},
        {"hang-up at block 127", {"--hangup-after", QString::number(BytesBeforeBlock(127) + 100)}, 127, 3},
    };
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", QFile::encodeName(Line()));
    RunTrials<ComPortLink>(trials, 1, [this](const Trial &t, CPageSheet &sheet, ModuleSim &faulty) {
        if (t.name != std::string("hang-up at block 64"))
            return;
        // The cable plugged back in: a module on the same line again.
        ASSERT_TRUE(faulty.waitForExit(std::chrono::seconds(5)));
        ModuleSim back(QStringList{"--link", Line()});
        ASSERT_TRUE(back.started()) << qPrintable(back.error());
        const auto [againBar, againBoxes] = Write(sheet);
        EXPECT_EQ(againBar, 128) << "the next write works without a restart";
        EXPECT_EQ(againBoxes, 0u);
    });
}

TEST_F(UploadFaults, aSilentBlockWriteIsWaitedOutWithTheWindowPainted)
{
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", QFile::encodeName(Line()));
    ModuleSim faulty(QStringList{"--link", Line(), "--no-answer", "A:65"});
    ASSERT_TRUE(faulty.started()) << qPrintable(faulty.error());
    ShortBlockWait<ComPortLink> link;
    ASSERT_EQ(link.Open(1), kLinkOk);
    auto sheet = OpenSheet(&link);
    EnterLeftBorder(*sheet);
    sheet->SetActivePage(WizardStep::LoadBMP);
    // The window's own timers go on while the page waits for the module.
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(50);
    const auto start = Clock::now();
    const auto [bar, boxes] = Write(*sheet);
    const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    EXPECT_EQ(bar, 64);
    EXPECT_EQ(boxes, 1u);
    EXPECT_GE(took, milliseconds(kShortBlockWaitMs));
    EXPECT_GE(ticks, static_cast<int>(kShortBlockWaitMs / 50 / 2)) << "the window was not served while waiting";
    link.Close();
}

TEST_F(UploadFaults, overUsbAHangUpEndsTheWriteAtOnceAndTheCableBackWorksAgain)
{
    const QString fake = qEnvironmentVariable("TARVELLO_FAKE_D2XX");
    ASSERT_FALSE(fake.isEmpty()) << "TARVELLO_FAKE_D2XX is not set";
    env.set("TARVELLO_D2XX_LIBRARY", QFile::encodeName(fake));
    env.set("TARVELLO_FAKE_D2XX_PTY", QFile::encodeName(Line()));
    const std::vector<Trial> trials = {
        {"hang-up at block 0", {"--hangup-after", QString::number(BytesBeforeBlock(0) + 100)}, 0, 3},
        {"hang-up at block 1", {"--hangup-after", QString::number(BytesBeforeBlock(1) + 100)}, 1, 3},
        {"silent block write 2", {"--no-answer", "A:3"}, 2, 1},
    };
    RunTrials<UsbLink>(trials, 0, [this](const Trial &t, CPageSheet &sheet, ModuleSim &faulty) {
        if (t.faults.first() != "--hangup-after")
            return;
        EXPECT_LT(lastWrite_, milliseconds(5000)) << "a hang-up is not waited out";
        // A whole upload takes about a minute over the bridge: the module
        // back on the line is shown with the page's own commands.
        ASSERT_TRUE(faulty.waitForExit(std::chrono::seconds(5)));
        ModuleSim back(QStringList{"--link", Line()});
        ASSERT_TRUE(back.started()) << qPrintable(back.error());
        messages_.clear();
        sheet.SetActivePage(WizardStep::MarkPlace);
        sheet.SetActivePage(WizardStep::LoadBMP);
        EXPECT_EQ(messages_.count(), 0u) << "the page's commands reach the module again";
        EXPECT_FALSE(back.log(1).isEmpty());
    });
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
    const Settings &s = sheet->SheetSettings();
    Change(*sheet, [&](Settings &w) {
        w.LineBrightness = 60;
    });
    sheet->SetActivePage(WizardStep::Warning);
    messages_.clear();
    sheet->SetActivePage(WizardStep::Complete);  // leaving the warning page: the full settings write
    EXPECT_EQ(sheet->ActiveIndex(), StepIndex(WizardStep::Complete));
    EXPECT_EQ(messages_.count(), 11u) << "the eleven commands after the first";
    EXPECT_EQ(s.LineBrightness, 60) << "nothing rolled back";

    // Back on the warning page with the module gone: its three commands
    // fail at once, one box each, and a change is still kept.
    messages_.clear();
    const auto start = Clock::now();
    sheet->SetActivePage(WizardStep::Warning);
    EXPECT_EQ(messages_.count(), 3u);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "no time-out waited on a line that is gone";
    EXPECT_EQ(s.LineBrightness, 60);
    link.Close();
}

} // namespace
