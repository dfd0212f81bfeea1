// The module simulator's command interpreter, framing, fault counting and
// command line, without a line.

#include "CommandFramer.h"
#include "Escape.h"
#include "FaultPlan.h"
#include "LineSession.h"
#include "ModuleExecutor.h"
#include "SimOptions.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

using namespace ModuleSim;

namespace {

const std::string kOk(ModuleExecutor::kOkAnswer);
const std::string kError(ModuleExecutor::kErrorAnswer);

std::string BlockFrame(std::uint32_t address, std::uint8_t firstByte, char filler = '0')
{
    std::string frame = "ATA";
    for (int i = 0; i < 4; ++i)
        frame += static_cast<char>((address >> (8 * i)) & 0xFF);
    frame += filler;
    for (int i = 0; i < 256; ++i)
        frame += static_cast<char>(static_cast<std::uint8_t>(firstByte + i));
    frame += filler;
    return frame;
}

std::string ReadCommand(std::uint32_t address)
{
    char text[32];
    std::snprintf(text, sizeof text, "ATB0X%08X\r", address);
    return text;
}

struct OptionCase {
    const char *command;
    bool ok;
};

} // namespace

TEST(ModuleExecutor, OptionCommandsAcceptTheirRangeAndRefuseTheRest)
{
    const OptionCase cases[] = {
        {"ATS0\r", true},   {"ATS1\r", true},   {"ATS2\r", false},  {"ATS3\r", true},   {"ATS4\r", true},
        {"ATS5\r", false},  {"ATE0\r", true},   {"ATE1\r", true},   {"ATE2\r", false},  {"ATG19\r", false},
        {"ATG20\r", true},  {"ATG80\r", true},  {"ATG81\r", false}, {"ATH20\r", true},  {"ATH80\r", true},
        {"ATH19\r", false}, {"ATH81\r", false}, {"ATJ0\r", true},   {"ATJ255\r", true}, {"ATJ256\r", false},
        {"ATK0\r", true},   {"ATK100\r", true}, {"ATK101\r", false}, {"ATQ0\r", true},  {"ATQ1\r", true},
        {"ATQ2\r", false},  {"ATF0\r", true},   {"ATF5\r", true},   {"ATF6\r", false},  {"ATO0\r", true},
        {"ATO1\r", true},   {"ATO2\r", false},  {"ATR0\r", true},   {"ATR10\r", true},  {"ATR11\r", false},
        {"ATP0\r", true},   {"ATP255\r", true}, {"ATP256\r", false}, {"ATW\r", true},   {"ATL\r", true},
    };
    for (const auto &c : cases) {
        ModuleExecutor executor;
        const Reply reply = executor.Execute(c.command);
        EXPECT_EQ(reply.ok, c.ok) << c.command;
        EXPECT_EQ(reply.bytes, c.ok ? kOk : kError) << c.command;
        EXPECT_EQ(reply.kind, c.command[2]) << c.command;
    }
}

TEST(ModuleExecutor, MalformedAndUnknownCommandsAreRefused)
{
    const char *commands[] = {
        "ATS\r",      "ATS-1\r",     "ATS 1\r",   "ATS1x\r",    "ATS1234567\r", "ats1\r",  "ATZ1\r",
        "AT\r",       "\r",          "XYZ\r",     "ATW1\r",     "ATL0\r",       "ATG+50\r", "ATS1",
        "ATB0X000D000\r", "ATB0X000D00000\r", "ATB000D0000\r", "ATB0X000G0000\r", "ATB0x000D0000\r",
    };
    for (const char *command : commands) {
        ModuleExecutor executor;
        const ModuleSettings before = executor.Settings();
        const Reply reply = executor.Execute(command);
        EXPECT_FALSE(reply.ok) << command;
        EXPECT_EQ(reply.bytes, kError) << command;
        EXPECT_EQ(executor.Settings(), before) << command;
    }
}

TEST(ModuleExecutor, OptionCommandsChangeOnlyTheirOwnValue)
{
    ModuleExecutor executor;
    ModuleSettings expected;
    const std::pair<const char *, int ModuleSettings::*> steps[] = {
        {"ATS3\r", &ModuleSettings::screen},           {"ATG33\r", &ModuleSettings::lineBrightness},
        {"ATH44\r", &ModuleSettings::backgroundBrightness}, {"ATJ200\r", &ModuleSettings::gridShiftX},
        {"ATK99\r", &ModuleSettings::gridShiftY},      {"ATQ1\r", &ModuleSettings::mirroring},
        {"ATF4\r", &ModuleSettings::warningTime},      {"ATO1\r", &ModuleSettings::sensorIndicator},
        {"ATR7\r", &ModuleSettings::indicatorX},       {"ATP129\r", &ModuleSettings::indicatorY},
    };
    for (const auto &[command, field] : steps) {
        ASSERT_TRUE(executor.Execute(command).ok) << command;
        expected.*field = std::stoi(std::string(command + 3));
        EXPECT_EQ(executor.Settings(), expected) << command;
    }
    // A refused value leaves the old one.
    EXPECT_FALSE(executor.Execute("ATG90\r").ok);
    EXPECT_EQ(executor.Settings().lineBrightness, 33);
}

TEST(ModuleExecutor, PresenceCheckIsAnsweredWithErrorStraightAway)
{
    ModuleExecutor executor;
    const Reply reply = executor.Execute("ATT\r");
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.bytes, "ERROR\r\n");
    // What the program looks for in echo plus answer.
    EXPECT_NE(("ATT\r" + reply.bytes).find("ATT\rERROR"), std::string::npos);
    EXPECT_EQ(ModuleExecutor::RefusalFor('T'), "ERROR\r\n");
    EXPECT_EQ(ModuleExecutor::RefusalFor('S'), kError);
}

TEST(ModuleExecutor, BlockReadReturnsTheBytesOfTheBlockWrite)
{
    ModuleExecutor executor;
    const std::string frame = BlockFrame(0xD0100, 7);
    ASSERT_EQ(frame.size(), 265u);
    const Reply written = executor.Execute(frame);
    EXPECT_TRUE(written.ok);
    EXPECT_EQ(written.bytes, kOk);

    const Reply read = executor.Execute(ReadCommand(0xD0100));
    ASSERT_TRUE(read.ok);
    ASSERT_EQ(read.bytes.size(), 256u + kOk.size());
    EXPECT_EQ(read.bytes.substr(0, 256), frame.substr(8, 256));
    EXPECT_EQ(read.bytes.substr(256), kOk);

    // The neighbouring blocks stay as they were, and the fillers are not stored.
    EXPECT_EQ(executor.Memory()[0xD00FF], ModuleExecutor::kErasedByte);
    EXPECT_EQ(executor.Memory()[0xD0200], ModuleExecutor::kErasedByte);
    // Lower-case hexadecimal digits address the same block.
    EXPECT_EQ(executor.Execute("ATB0X000d0100\r").bytes, read.bytes);
}

TEST(ModuleExecutor, BlockAddressesMustLieInsideTheMemory)
{
    ModuleExecutor executor;
    EXPECT_TRUE(executor.Execute(BlockFrame(0xFFF00, 1)).ok);  // last whole block
    EXPECT_FALSE(executor.Execute(BlockFrame(0xFFF01, 1)).ok); // runs past the end
    EXPECT_FALSE(executor.Execute(BlockFrame(0x100000, 1)).ok);
    EXPECT_FALSE(executor.Execute(BlockFrame(0xFFFFFFFF, 1)).ok);
    EXPECT_TRUE(executor.Execute(ReadCommand(0xFFF00)).ok);
    EXPECT_FALSE(executor.Execute(ReadCommand(0xFFF01)).ok);
    EXPECT_FALSE(executor.Execute(ReadCommand(0xFFFFFFFF)).ok);
    // An unaligned block inside the memory is fine.
    EXPECT_TRUE(executor.Execute(BlockFrame(0x12345, 9)).ok);
    EXPECT_EQ(executor.Memory()[0x12345], 9);
}

TEST(ModuleExecutor, EraseClearsExactlyItsPictureArea)
{
    ModuleExecutor executor;
    // Fill the guide-line area, the warning area and the block before each.
    for (std::uint32_t a : {0xCFF00u, 0xD0000u, 0xD7F00u, 0xD8000u, 0xDFF00u, 0xE0000u, 0xE7F00u, 0xE8000u})
        ASSERT_TRUE(executor.Execute(BlockFrame(a, 1)).ok);
    ASSERT_TRUE(executor.Execute("ATE1\r").ok);
    const auto &m = executor.Memory();
    EXPECT_NE(m[0xCFF00 + 5], ModuleExecutor::kErasedByte); // the block below stays
    EXPECT_EQ(m[0xD0005], ModuleExecutor::kErasedByte);
    EXPECT_EQ(m[0xD7F05], ModuleExecutor::kErasedByte);
    EXPECT_NE(m[0xD8005], ModuleExecutor::kErasedByte); // past the 32768 bytes
    EXPECT_NE(m[0xE0005], ModuleExecutor::kErasedByte); // the warning area stays

    ASSERT_TRUE(executor.Execute("ATE0\r").ok);
    EXPECT_NE(m[0xDFF05], ModuleExecutor::kErasedByte);
    EXPECT_EQ(m[0xE0005], ModuleExecutor::kErasedByte);
    EXPECT_EQ(m[0xE7F05], ModuleExecutor::kErasedByte);
    EXPECT_NE(m[0xE8005], ModuleExecutor::kErasedByte);
}

TEST(ModuleExecutor, StoreWritesStateThatANewModuleLoads)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string state = dir.filePath("module.state").toStdString();
    {
        ModuleExecutor executor(state);
        for (const char *c : {"ATQ1\r", "ATG41\r", "ATH52\r", "ATJ17\r", "ATK88\r", "ATF3\r", "ATO1\r", "ATR9\r",
                              "ATP200\r", "ATS4\r"})
            ASSERT_TRUE(executor.Execute(c).ok) << c;
        ASSERT_TRUE(executor.Execute(BlockFrame(0xE0000, 42)).ok);
        ASSERT_TRUE(executor.Execute("ATW\r").ok);
        // Changes after the store are not kept.
        ASSERT_TRUE(executor.Execute("ATG77\r").ok);
    }
    ModuleExecutor reloaded(state);
    std::vector<std::string> problems;
    EXPECT_TRUE(reloaded.LoadState(&problems));
    EXPECT_TRUE(problems.empty());
    ModuleSettings expected;
    expected.mirroring = 1;
    expected.lineBrightness = 41;
    expected.backgroundBrightness = 52;
    expected.gridShiftX = 17;
    expected.gridShiftY = 88;
    expected.warningTime = 3;
    expected.sensorIndicator = 1;
    expected.indicatorX = 9;
    expected.indicatorY = 200;
    expected.screen = 4;
    EXPECT_EQ(reloaded.Settings(), expected);
    EXPECT_EQ(reloaded.Execute(ReadCommand(0xE0000)).bytes, BlockFrame(0xE0000, 42).substr(8, 256) + kOk);
}

TEST(ModuleExecutor, DamagedStateFileKeepsWhatIsValid)
{
    QTemporaryDir dir;
    const std::string state = dir.filePath("hand-edited.state").toStdString();
    {
        std::ofstream out(state);
        out << "# comment\nline_brightness=33\r\nmirroring=7\ngrid_shift_x=abc\nnonsense\nbogus_key=1\n"
               "indicator_y=12\n";
        std::ofstream mem(state + ".mem", std::ios::binary);
        mem << "too short";
    }
    ModuleExecutor executor(state);
    std::vector<std::string> problems;
    EXPECT_FALSE(executor.LoadState(&problems));
    EXPECT_EQ(problems.size(), 5u); // mirroring, grid_shift_x, nonsense, bogus_key, .mem
    EXPECT_EQ(executor.Settings().lineBrightness, 33);
    EXPECT_EQ(executor.Settings().indicatorY, 12);
    EXPECT_EQ(executor.Settings().mirroring, ModuleSettings{}.mirroring);
    EXPECT_EQ(executor.Settings().gridShiftX, ModuleSettings{}.gridShiftX);
    EXPECT_EQ(executor.Memory()[0], ModuleExecutor::kErasedByte);
}

// Switched on with reverse gear engaged: the warning for the stored time,
// then the normal display; a screen the program selects meanwhile stays.
TEST(ModuleExecutor, PowerOnShowsTheWarningForTheStoredTimeThenTheNormalDisplay)
{
    using namespace std::chrono_literals;
    // Warning time, a command sent just before it is up, screens at power-on, before and after it is up.
    const std::tuple<int, const char *, std::array<int, 3>> cases[] = {
        {0, "ATG40\r", {1, 1, 1}}, {2, "ATG40\r", {4, 4, 1}}, {5, "ATF1\r", {4, 4, 1}}, {3, "ATS3\r", {4, 3, 3}}};
    for (const auto &[seconds, command, screens] : cases) {
        ModuleExecutor executor;
        ASSERT_TRUE(executor.Execute("ATS3\r").ok && executor.Execute("ATF" + std::to_string(seconds) + "\r").ok);
        const auto on = ModuleExecutor::Clock::time_point{} + 1h, up = on + std::chrono::seconds(seconds);
        executor.PowerOn(on);
        EXPECT_EQ(executor.Settings().screen, screens[0]) << seconds;
        EXPECT_FALSE(executor.AdvanceTo(up - 1ms));
        EXPECT_TRUE(executor.Execute(command).ok);
        EXPECT_EQ(executor.Settings().screen, screens[1]) << seconds;
        EXPECT_EQ(executor.AdvanceTo(up), screens[1] != screens[2]) << seconds;
        EXPECT_EQ(executor.Settings().screen, screens[2]) << seconds;
    }
}

TEST(ModuleExecutor, StoreThatCannotWriteAnswersError)
{
    ModuleExecutor executor("/nonexistent-folder/for/sure/module.state");
    EXPECT_FALSE(executor.Execute("ATW\r").ok);
    // Without a state file the store has nothing to write and succeeds.
    ModuleExecutor plain;
    EXPECT_TRUE(plain.Execute("ATW\r").ok);
    std::vector<std::string> problems;
    EXPECT_TRUE(plain.LoadState(&problems));
}

TEST(CommandFramer, CutsTextCommandsAtTheCarriageReturnAndSkipsTheLineFeed)
{
    CommandFramer framer;
    std::vector<std::string> commands;
    for (char c : std::string("ATS1\r\nATG20\rATT\r\n\n")) {
        if (auto command = framer.Feed(c))
            commands.push_back(*command);
    }
    EXPECT_EQ(commands, (std::vector<std::string>{"ATS1\r", "ATG20\r", "ATT\r"}));
    EXPECT_EQ(framer.PendingLength(), 0u);
}

TEST(CommandFramer, TakesABlockFrameWholeWhateverItHolds)
{
    // Data full of CR and LF bytes must not cut the frame.
    std::string frame = BlockFrame(0xD0000, 0, '\r');
    for (std::size_t i = 8; i < 264; i += 2)
        frame[i] = '\r';
    CommandFramer framer;
    std::vector<std::string> commands;
    for (char c : frame + "ATS1\r") {
        if (auto command = framer.Feed(c))
            commands.push_back(*command);
    }
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0], frame);
    EXPECT_EQ(commands[1], "ATS1\r");
}

TEST(CommandFramer, EndlessLineIsHandedOnAtItsLimitAndResetDropsAPartialCommand)
{
    CommandFramer framer;
    int handed = 0;
    for (std::size_t i = 0; i < 3 * CommandFramer::kMaxTextLength; ++i) {
        if (auto command = framer.Feed('x')) {
            ++handed;
            EXPECT_EQ(command->size(), CommandFramer::kMaxTextLength);
        }
    }
    EXPECT_EQ(handed, 3);
    for (char c : std::string("ATA12"))
        framer.Feed(c);
    EXPECT_EQ(framer.PendingLength(), 5u);
    framer.Reset();
    std::optional<std::string> command;
    for (char c : std::string("ATS1\r"))
        command = framer.Feed(c);
    ASSERT_TRUE(command.has_value());
    EXPECT_EQ(*command, "ATS1\r");
}

TEST(FaultPlan, ErrorOnCountsCommandsOfItsKindFromOne)
{
    FaultPlan plan;
    ASSERT_TRUE(plan.AddErrorOn("A:3"));
    ASSERT_TRUE(plan.AddNoAnswer("b:2")); // lower case names the same kind
    std::vector<FaultPlan::Action> actions;
    for (char kind : {'A', 'B', 'S', 'A', 'B', 'A', 'B', 'A'})
        actions.push_back(plan.Next(kind));
    using A = FaultPlan::Action;
    EXPECT_EQ(actions, (std::vector<A>{A::Answer, A::Answer, A::Answer, A::Answer, A::NoAnswer, A::Refuse,
                                        A::Answer, A::Answer}));
}

TEST(FaultPlan, NoAnswerWithoutCountSilencesEveryCommandOfTheKind)
{
    FaultPlan plan;
    ASSERT_TRUE(plan.AddNoAnswer("T"));
    ASSERT_TRUE(plan.AddErrorOn("T:2"));
    EXPECT_EQ(plan.Next('T'), FaultPlan::Action::NoAnswer);
    EXPECT_EQ(plan.Next('T'), FaultPlan::Action::Refuse); // refusal wins
    EXPECT_EQ(plan.Next('T'), FaultPlan::Action::NoAnswer);
    EXPECT_EQ(plan.Next('S'), FaultPlan::Action::Answer);
}

TEST(FaultPlan, RejectsMalformedSpecifications)
{
    FaultPlan plan;
    for (const char *spec : {"", ":3", "A:", "A:0", "A:x", "AB", "A3", "1:2", "A:-1", "A:123456789012"}) {
        EXPECT_FALSE(plan.AddNoAnswer(spec)) << spec;
        EXPECT_FALSE(plan.AddErrorOn(spec)) << spec;
    }
    EXPECT_FALSE(plan.AddErrorOn("A")); // the count is required here
    EXPECT_TRUE(plan.Empty());
}

TEST(Escape, LogEscapingKeepsPrintableTextAndEscapesTheRest)
{
    EXPECT_EQ(EscapeBytes("ATS1\r"), "ATS1\\r");
    EXPECT_EQ(EscapeBytes("a\\b\n"), "a\\\\b\\n");
    EXPECT_EQ(EscapeBytes(std::string("\x00\x1f\x7f\xff ~", 6)), "\\x00\\x1f\\x7f\\xff ~");
}

TEST(Garbage, NeverHoldsTheAnswerWordsEvenNextToAnEcho)
{
    std::uint32_t seed = 1;
    const std::string garbage = LineSession::Garbage(100000, &seed);
    ASSERT_EQ(garbage.size(), 100000u);
    for (char c : {'O', 'K', 'E', 'R'})
        EXPECT_EQ(garbage.find(c), std::string::npos) << c;
    // It is not one repeated byte either.
    EXPECT_NE(garbage.find_first_not_of(garbage[0]), std::string::npos);
}

TEST(SimOptions, ParsesEveryFlag)
{
    const char *argv[] = {"module-sim", "--link", "/tmp/x", "--speeds=57600", "--pace", "--log", "l.txt",
                          "--state", "s.txt", "--silent", "--no-answer", "S", "--error-on", "A:10",
                          "--garbage", "5", "--drop-every", "7", "--delay-ms", "30", "--hangup-after", "100",
                          "--idle-reset-ms", "0", "--monitor", "--monitor-png", "m.png", "--camera-height", "1.25",
                          "--camera-tilt=40", "--camera-fov", "90", "--camera-offset", "-0.3", "--car-width", "2",
                          "--monitor-mirrors", "--tape", "white/red", "--mark-style=corners"};
    SimOptions o;
    ASSERT_EQ(ParseCommandLine(static_cast<int>(std::size(argv)), argv, &o), "");
    EXPECT_EQ(o.linkPath, "/tmp/x");
    EXPECT_EQ(o.speeds, std::vector<int>{57600});
    EXPECT_TRUE(o.pace);
    EXPECT_TRUE(o.silent);
    EXPECT_EQ(o.logPath, "l.txt");
    EXPECT_EQ(o.statePath, "s.txt");
    EXPECT_EQ(o.garbage, 5);
    EXPECT_EQ(o.dropEvery, 7);
    EXPECT_EQ(o.delayMs, 30);
    EXPECT_EQ(o.hangupAfter, 100);
    EXPECT_EQ(o.idleResetMs, 0);
    EXPECT_TRUE(o.monitorWindow);
    EXPECT_EQ(o.monitorPng, "m.png");
    SceneSetup scene;
    scene.cameraHeightM = 1.25;
    scene.cameraTiltDeg = 40;
    scene.cameraFovDeg = 90;
    scene.cameraOffsetM = -0.3;
    scene.carWidthM = 2;
    scene.monitorMirrors = true;
    scene.lineTape = TapeColour::White;
    scene.curveTape = TapeColour::Red;
    scene.marks = MarkStyle::Corners;
    EXPECT_EQ(o.scene, scene);
    EXPECT_EQ(o.faults.Next('S'), FaultPlan::Action::NoAnswer);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(o.faults.Next('A'), FaultPlan::Action::Answer);
    EXPECT_EQ(o.faults.Next('A'), FaultPlan::Action::Refuse);
}

TEST(SimOptions, RejectsBadValuesWithAMessage)
{
    const std::vector<std::vector<const char *>> bad = {
        {"--speeds", "9600,"}, {"--speeds", "12345"}, {"--speeds", ""}, {"--garbage", "0"},
        {"--drop-every", "-1"}, {"--delay-ms", "x"}, {"--hangup-after"}, {"--error-on", "A"},
        {"--no-answer", "A:0"}, {"--frobnicate"}, {"--pace=1"}, {"--log"},
        {"--monitor=1"}, {"--monitor-png"}, {"--camera-tilt", "90"}, {"--camera-height", "0.2"},
        {"--camera-fov", "nan"}, {"--camera-offset", "1.5"}, {"--car-width", "-"}, {"--camera-height", "1.0.0"},
        {"--tape", "green"}, {"--tape", "white/"}, {"--tape", "by-seed"}, {"--mark-style", "dots"}, {"--mark-style"},
    };
    for (const auto &args : bad) {
        std::vector<const char *> argv{"module-sim"};
        argv.insert(argv.end(), args.begin(), args.end());
        SimOptions o;
        EXPECT_NE(ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &o), "") << args[0];
    }
}

TEST(SimOptions, HelpNamesEveryFlag)
{
    const std::string help = UsageText();
    for (const char *flag : {"--pty", "--tty", "--link", "--speeds", "--pace", "--log", "--state", "--silent",
                             "--no-answer", "--error-on", "--garbage", "--drop-every", "--delay-ms",
                             "--hangup-after", "--idle-reset-ms", "--monitor", "--monitor-png", "--camera-height",
                             "--camera-tilt", "--camera-fov", "--camera-offset", "--car-width", "--monitor-mirrors",
                             "--tape", "--mark-style", "--help"})
        EXPECT_NE(help.find(flag), std::string::npos) << flag;
}
