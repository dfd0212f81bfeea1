// The module simulator binary on a real pseudo-terminal, driven from the
// program's side of the line.

#include "SimHarness.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>
#include <sys/stat.h>

namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";

class ModuleSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(SimProcess::Program().isEmpty()) << "TARVELLO_MODULE_SIM is not set";
        ASSERT_TRUE(dir_.isValid());
    }
    std::string Path(const char *name) const { return dir_.filePath(QString::fromLatin1(name)).toStdString(); }
    QString QPath(const char *name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir_;
};

// Sends one command and returns everything up to the end of its answer.
std::string Exchange(RawPort &port, const std::string &command, std::size_t extra = 0)
{
    port.Write(command);
    return port.ReadReply(command.size(), extra);
}

} // namespace

TEST_F(ModuleSim, EchoesEveryCommandThenAnswersAndLogsIt)
{
    SimProcess sim({"--log", QPath("commands.log")});
    ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
    RawPort port(sim.SlavePath(), 57600);
    ASSERT_TRUE(port.IsOpen());

    const std::string frame = BlockFrame(0xD0000, 0x10);
    const std::string data = frame.substr(8, 256);
    struct Case {
        std::string sent;
        std::string reply;
    };
    const Case cases[] = {
        {"ATT\r", "ATT\rERROR\r\n"},
        {"ATS3\r", "ATS3\r" + kOk},
        {"ATG81\r", "ATG81\r" + kError},
        {"ATX\r", "ATX\r" + kError},
        {frame, frame + kOk},
        {"ATB0X000D0000\r", "ATB0X000D0000\r" + data + kOk},
        {"ATB0X000F0000\r", "ATB0X000F0000\r" + std::string(256, '\0') + kOk},
        {"ATE1\r", "ATE1\r" + kOk},
        {"ATB0X000D0000\r", "ATB0X000D0000\r" + std::string(256, '\0') + kOk},
        // The LF after a CR is echoed, after the answer, and is no command.
        {"ATW\r\n", "ATW\r" + kOk + "\n"},
    };
    for (const auto &c : cases) {
        port.Write(c.sent);
        EXPECT_EQ(port.ReadCount(c.reply.size()), c.reply) << c.sent;
    }

    const std::vector<std::string> expected = {
        "57600 ATT\\r",
        "57600 ATS3\\r",
        "57600 ATG81\\r",
        "57600 ATX\\r",
        "", // the frame, checked below
        "57600 ATB0X000D0000\\r",
        "57600 ATB0X000F0000\\r",
        "57600 ATE1\\r",
        "57600 ATB0X000D0000\\r",
        "57600 ATW\\r",
    };
    const auto lines = WaitForLines(Path("commands.log"), expected.size());
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (i != 4) {
            EXPECT_EQ(lines[i], expected[i]);
        }
    }
    // "ATA", address 00 00 0d 00 little-endian (0x0d is a CR), filler '0',
    // data 10 11 ... 0f, filler 00.
    EXPECT_TRUE(lines[4].starts_with("57600 ATA\\x00\\x00\\r\\x000\\x10\\x11\\x12")) << lines[4];
    EXPECT_NE(lines[4].find("Z[\\\\]^_`abc"), std::string::npos) << "a backslash is doubled";
    EXPECT_TRUE(lines[4].ends_with("\\x0c\\r\\x0e\\x0f\\x00")) << lines[4];
    EXPECT_EQ(sim.Stop(), 0);
}

TEST_F(ModuleSim, AnswersOnlyAtItsSpeedsAndLogsTheRestAsNoise)
{
    struct Case {
        QStringList speeds;
        int baud;
        bool answered;
    };
    const Case cases[] = {
        {{}, 9600, true},
        {{}, 57600, true},
        {{}, 19200, false},
        {{"--speeds", "57600"}, 9600, false},
        {{"--speeds", "9600,115200"}, 115200, true},
    };
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.baud);
        const QString log = QPath("speeds") + QString::number(index++) + ".log";
        SimProcess sim(QStringList{"--log", log} + c.speeds);
        ASSERT_TRUE(sim.Started());
        RawPort port(sim.SlavePath(), c.baud);
        ASSERT_TRUE(port.IsOpen());
        port.Write("ATT\r");
        const auto lines = WaitForLines(log.toStdString(), 1);
        ASSERT_EQ(lines.size(), 1u);
        if (c.answered) {
            EXPECT_EQ(lines[0], std::to_string(c.baud) + " ATT\\r");
            EXPECT_EQ(port.ReadReply(4), "ATT\rERROR\r\n");
        } else {
            EXPECT_EQ(lines[0], "NOISE " + std::to_string(c.baud) + " ATT\\r");
            // The log line is written after any echo would have been, so
            // nothing may be waiting now.
            EXPECT_EQ(port.Available(), "");
            // At a speed it accepts, the same line answers; nothing of the
            // noise shows up in front of the echo.
            ASSERT_TRUE(port.SetBaud(57600));
            if (c.speeds.isEmpty() || c.speeds[1].contains(QLatin1String("57600"))) {
                EXPECT_EQ(Exchange(port, "ATS1\r"), "ATS1\r" + kOk);
            }
        }
    }
}

TEST_F(ModuleSim, LinkServesThePortAcrossReopensAndIsRemovedOnExit)
{
    const std::string link = Path("com1");
    {
        SimProcess sim({"--link", QString::fromStdString(link)});
        ASSERT_TRUE(sim.Started());
        for (int round = 0; round < 3; ++round) {
            RawPort port(link, 57600);
            ASSERT_TRUE(port.IsOpen()) << round;
            EXPECT_EQ(Exchange(port, "ATT\r"), "ATT\rERROR\r\n") << round;
        }
        EXPECT_EQ(QFileInfo(QString::fromStdString(link)).symLinkTarget().toStdString(), sim.SlavePath());
        EXPECT_EQ(sim.Stop(), 0);
    }
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0) << "the symlink outlived the simulator";
}

TEST_F(ModuleSim, ServesAnExistingTtyAtTheFirstOfItsSpeeds)
{
    // A pty pair of the test's own stands in for a serial adapter: the
    // simulator takes the slave, the test plays the far end on the master.
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    {
        SimProcess sim({"--tty", QString::fromStdString(slave), "--speeds", "19200,57600", "--log", QPath("tty.log")});
        ASSERT_TRUE(sim.Started()) << sim.ErrorOutput().toStdString();
        EXPECT_EQ(sim.SlavePath(), slave);
        termios t{};
        ASSERT_EQ(tcgetattr(master, &t), 0);
        EXPECT_EQ(cfgetospeed(&t), B19200);
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u) << "the line is not raw";
        ASSERT_EQ(write(master, "ATT\r", 4), 4);
        std::string reply;
        while (reply.size() < 11) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, kWaitMs) <= 0)
                break;
            char buffer[64];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            reply.append(buffer, static_cast<std::size_t>(n));
        }
        EXPECT_EQ(reply, "ATT\rERROR\r\n");
        EXPECT_EQ(WaitForLines(Path("tty.log"), 1), std::vector<std::string>{"19200 ATT\\r"});
        EXPECT_EQ(sim.Stop(), 0);
    }
    close(master);
}

TEST_F(ModuleSim, RefusesToReplaceAFileThatIsNotASymlink)
{
    const std::string path = Path("regular");
    std::ofstream(path) << "keep me";
    SimProcess sim({"--link", QString::fromStdString(path)});
    EXPECT_FALSE(sim.Started());
    EXPECT_NE(sim.WaitForExit(), 0);
    EXPECT_EQ(ReadLines(path), std::vector<std::string>{"keep me"});
}

TEST_F(ModuleSim, HangsUpAfterTheGivenNumberOfReceivedBytes)
{
    SimProcess sim({"--hangup-after", "100", "--log", QPath("hangup.log")});
    ASSERT_TRUE(sim.Started());
    RawPort port(sim.SlavePath(), 57600);
    const std::string frame = BlockFrame(0xD0000, 0);
    port.Write(frame);
    const std::string echo = port.ReadUntil([](const std::string &) { return false; });
    EXPECT_TRUE(port.HungUp());
    EXPECT_EQ(echo, frame.substr(0, 100));
    EXPECT_EQ(sim.WaitForExit(), 0);
    EXPECT_TRUE(ReadLines(Path("hangup.log")).empty()) << "a partial frame is no command";
}

TEST_F(ModuleSim, FaultFlagsChangeTheRepliesAsScripted)
{
    struct Step {
        std::string sent;
        std::string reply;
    };
    struct Case {
        const char *name;
        QStringList flags;
        std::vector<Step> steps;
    };
    const std::string frame = BlockFrame(0xE0000, 1);
    const Case cases[] = {
        {"error on the 2nd screen command", {"--error-on", "S:2"},
         {{"ATS1\r", "ATS1\r" + kOk}, {"ATG50\r", "ATG50\r" + kOk}, {"ATS1\r", "ATS1\r" + kError},
          {"ATS1\r", "ATS1\r" + kOk}}},
        {"refused block write is not stored", {"--error-on", "A:1"},
         {{frame, frame + kError}, {"ATB0X000E0000\r", "ATB0X000E0000\r" + std::string(256, '\0') + kOk}}},
        // Without an answer the next command's reply follows the bare echo.
        {"no answer to brightness", {"--no-answer", "G"},
         {{"ATG50\r", "ATG50\r"}, {"ATG60\r", "ATG60\r"}, {"ATS1\r", "ATS1\r" + kOk}}},
        {"no answer to the first presence check only", {"--no-answer", "T:1"},
         {{"ATT\r", "ATT\r"}, {"ATT\r", "ATT\rERROR\r\n"}}},
        {"every third byte lost", {"--drop-every", "3"},
         // The count runs on across commands: bytes 3, 6, 9, then 12, 15, ...
         {{"ATS1\r", "AT1\r\nO\r\n"}, {"ATS1\r", "TS\r\rOK\n"}}},
        {"delayed answers", {"--delay-ms", "20"}, {{"ATS4\r", "ATS4\r" + kOk}}},
        {"paced line", {"--pace"},
         {{frame, frame + kOk}, {"ATB0X000E0000\r", "ATB0X000E0000\r" + frame.substr(8, 256) + kOk}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SimProcess sim(c.flags);
        ASSERT_TRUE(sim.Started());
        RawPort port(sim.SlavePath(), 57600);
        for (const auto &step : c.steps) {
            port.Write(step.sent);
            EXPECT_EQ(port.ReadCount(step.reply.size()), step.reply) << step.sent.substr(0, 5);
        }
        EXPECT_EQ(sim.Stop(), 0);
    }
}

TEST_F(ModuleSim, PartialCommandIsDroppedAfterAPause)
{
    SimProcess sim({"--idle-reset-ms", "50", "--log", QPath("idle.log")});
    ASSERT_TRUE(sim.Started());
    RawPort port(sim.SlavePath(), 57600);
    // The start of a block frame, then nothing: without the reset the next
    // command would be swallowed as frame data.
    const std::string partial = BlockFrame(0xD0000, 0).substr(0, 40);
    port.Write(partial);
    EXPECT_EQ(port.ReadCount(partial.size()), partial);
    QThread::msleep(300);
    EXPECT_EQ(Exchange(port, "ATT\r"), "ATT\rERROR\r\n");
    EXPECT_EQ(WaitForLines(Path("idle.log"), 1), std::vector<std::string>{"57600 ATT\\r"});
}

TEST_F(ModuleSim, GarbageFloodHoldsNoAnswerWord)
{
    SimProcess sim({"--garbage", "300"});
    ASSERT_TRUE(sim.Started());
    RawPort port(sim.SlavePath(), 57600);
    port.Write("ATT\r");
    const std::string reply = port.ReadCount(4 + 300);
    ASSERT_EQ(reply.size(), 304u);
    EXPECT_EQ(reply.substr(0, 4), "ATT\r");
    EXPECT_EQ(reply.find("OK"), std::string::npos);
    EXPECT_EQ(reply.find("ERROR"), std::string::npos);
}

TEST_F(ModuleSim, SilentModuleNeitherEchoesNorAnswersButLogs)
{
    SimProcess sim({"--silent", "--log", QPath("silent.log")});
    ASSERT_TRUE(sim.Started());
    RawPort port(sim.SlavePath(), 9600);
    port.Write("ATT\rATS1\r");
    EXPECT_EQ(WaitForLines(Path("silent.log"), 2), (std::vector<std::string>{"9600 ATT\\r", "9600 ATS1\\r"}));
    EXPECT_EQ(port.Available(), "");
}

TEST_F(ModuleSim, StoredStateSurvivesARestart)
{
    const QString state = QPath("module.state");
    const std::string frame = BlockFrame(0xD0100, 0x80);
    {
        SimProcess sim({"--state", state});
        ASSERT_TRUE(sim.Started());
        RawPort port(sim.SlavePath(), 57600);
        for (const char *c : {"ATQ1\r", "ATK42\r", "ATW\r", "ATK43\r"})
            EXPECT_EQ(Exchange(port, c), c + kOk);
        // The block is written after the store: not kept.
        EXPECT_EQ(Exchange(port, frame), frame + kOk);
        EXPECT_EQ(sim.Stop(), 0);
    }
    const auto lines = ReadLines(state.toStdString());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "mirroring=1"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "grid_shift_y=42"), lines.end());
    EXPECT_EQ(QFileInfo(state + ".mem").size(), 1 << 20);

    SimProcess again({"--state", state});
    ASSERT_TRUE(again.Started());
    RawPort port(again.SlavePath(), 57600);
    EXPECT_EQ(Exchange(port, "ATB0X000D0100\r", 256), "ATB0X000D0100\r" + std::string(256, '\0') + kOk);
    EXPECT_EQ(Exchange(port, frame), frame + kOk);
    EXPECT_EQ(Exchange(port, "ATW\r"), "ATW\r" + kOk);
    EXPECT_EQ(again.Stop(), 0);

    SimProcess third({"--state", state});
    ASSERT_TRUE(third.Started());
    RawPort port3(third.SlavePath(), 57600);
    EXPECT_EQ(Exchange(port3, "ATB0X000D0100\r", 256), "ATB0X000D0100\r" + frame.substr(8, 256) + kOk);
}

TEST_F(ModuleSim, CommandLineHelpAndErrors)
{
    QProcess help;
    help.start(SimProcess::Program(), {"--help"});
    ASSERT_TRUE(help.waitForFinished(kWaitMs));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("--hangup-after"));

    QProcess bad;
    bad.start(SimProcess::Program(), {"--error-on", "A"});
    ASSERT_TRUE(bad.waitForFinished(kWaitMs));
    EXPECT_EQ(bad.exitCode(), 2);
    EXPECT_TRUE(bad.readAllStandardError().contains("--error-on"));
}
