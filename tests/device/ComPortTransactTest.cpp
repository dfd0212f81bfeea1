// The COM port transport against a pseudo-terminal whose far end the test
// plays: line settings, bytes on the wire, the reply rule, time-outs,
// floods, hang-ups and a port held by someone else.
#include "ComPortLink.h"
#include "PtyPeer.h"
#include "ScopedEnv.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include <sys/file.h>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Lets the tests look at the buffers after an exchange.
class InspectableComLink : public ComPortLink {
public:
    std::string reply(std::size_t n) const { return std::string(reinterpret_cast<const char *>(reply_.data()), n); }
    std::string command(std::size_t n) const
    {
        return std::string(reinterpret_cast<const char *>(command_.data()), n);
    }
    LinkResult send(const std::string &bytes, unsigned timeoutMs, unsigned extra = 0)
    {
        std::memcpy(command_.data(), bytes.data(), bytes.size());
        return Transact(command_.data(), static_cast<unsigned>(bytes.size()), timeoutMs, extra);
    }
};

class ComPortTransact : public ::testing::Test {
protected:
    void SetUp() override
    {
        env.set("TARVELLO_COM_ONLY_ENV", "1");
        env.set("TARVELLO_COM1", QByteArray::fromStdString(peer.slavePath()));
        ASSERT_EQ(link.Open(257), kLinkOk) << qPrintable(link.LastOpenErrorText());
    }
    void TearDown() override { link.Close(); }

    milliseconds timed(const std::function<void()> &action)
    {
        const auto start = Clock::now();
        action();
        return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
    }

    ScopedEnv env;
    PtyPeer peer;
    InspectableComLink link;
};

}  // namespace

TEST_F(ComPortTransact, OpenPutsTheLineInRaw8N1AtTheChosenSpeed)
{
    termios settings{};
    ASSERT_EQ(::tcgetattr(peer.master(), &settings), 0);
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B57600));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
    EXPECT_EQ(link.DevicePath().toStdString(), peer.slavePath());

    link.Close();
    ASSERT_EQ(link.Open(1), kLinkOk);
    ASSERT_EQ(::tcgetattr(peer.master(), &settings), 0);
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B9600));
}

TEST_F(ComPortTransact, TextCommandGoesOutUpToItsCarriageReturnAndFrameGoesOutWhole)
{
    peer.serve([](PtyPeer &p) {
        const std::string command = p.read(5);
        p.write(command + "\r\nOK\r\n");
    });
    EXPECT_EQ(link.SelectScreen(3), kLinkOk);
    peer.wait();
    EXPECT_EQ(peer.drain(), "") << "nothing after the carriage return";

    std::uint8_t data[256];
    for (int i = 0; i < 256; ++i)
        data[i] = static_cast<std::uint8_t>(i);
    std::string frame;
    peer.serve([&frame](PtyPeer &p) {
        frame = p.read(265);
        p.write(frame + "\r\nOK\r\n");
    });
    EXPECT_EQ(link.WriteBlock(0x000D0100, data), kLinkOk);
    peer.wait();
    ASSERT_EQ(frame.size(), 265u);
    EXPECT_EQ(frame.substr(0, 7), std::string("ATA\x00\x01\x0D\x00", 7));
    EXPECT_EQ(frame.substr(8, 256), std::string(reinterpret_cast<const char *>(data), 256));
    EXPECT_EQ(peer.drain(), "");
}

TEST_F(ComPortTransact, ReplyRulesOnTheWire)
{
    struct Case {
        const char *name;
        std::string command;  // as handed to Transact (its last byte is dropped)
        unsigned extra;
        std::string answer;   // after the echo
        LinkResult expected;
        unsigned timeoutMs;
    };
    const std::vector<Case> cases = {
        {"echo holding OK alone fails at the deadline", "ATOK\r\n", 0, "", kLinkFail, 300},
        {"one byte beyond the echo lets OK count", "ATOK\r\n", 0, "x", kLinkOk, 20000},
        {"ERROR fails before the deadline", "ATS3\r\n", 0, "\r\nERROR\r\n", kLinkFail, 20000},
        {"OK wins over ERROR", "ATS3\r\n", 0, "\r\nERROR\r\n\r\nOK\r\n", kLinkOk, 20000},
        {"OK inside the expected data does not count", "ATB0X000D0000\r\n", 256,
         std::string(100, 'd') + "OK" + std::string(154, 'd'), kLinkFail, 300},
        {"OK after the expected data counts", "ATB0X000D0000\r\n", 256,
         std::string(256, 'd') + "\r\nOK\r\n", kLinkOk, 20000},
        {"garbage without a verdict fails at the deadline", "ATW\r\n", 0, "\r\nWHAT?\r\n", kLinkFail, 300},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t sent = c.command.size() - 1;
        peer.serve([&c, sent](PtyPeer &p) {
            const std::string echo = p.read(sent);
            p.write(echo + c.answer);
        });
        LinkResult result = 0;
        const milliseconds took = timed([&] { result = link.send(c.command, c.timeoutMs, c.extra); });
        peer.wait();
        EXPECT_EQ(result, c.expected);
        if (c.timeoutMs < 1000)
            EXPECT_GE(took, milliseconds(c.timeoutMs)) << "waited out its deadline";
        else
            EXPECT_LT(took, milliseconds(c.timeoutMs / 2)) << "decided by the reply, not the deadline";
        EXPECT_EQ(link.reply(sent), c.command.substr(0, sent)) << "the reply starts with the echo";
    }
}

TEST_F(ComPortTransact, ReadBlockCopiesTheDataAfterTheEcho)
{
    std::string data(256, '\0');
    for (int i = 0; i < 256; ++i)
        data[i] = static_cast<char>(255 - i);
    peer.serve([&data](PtyPeer &p) {
        const std::string echo = p.read(14);
        p.write(echo + data + "\r\nOK\r\n");
    });
    std::uint8_t destination[256] = {};
    EXPECT_EQ(link.ReadBlock(0xD0000, destination), kLinkOk);
    peer.wait();
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(destination), 256), data);
}

// A read for a copy of the module's memory counts only when its reply is
// the echo, the 256 bytes and the answer, whatever arrives in between.
TEST_F(ComPortTransact, ExactBlockReadTakesOnlyTheEchoTheDataAndAnAnswer)
{
    std::string data(256, '\0');
    for (int i = 0; i < 256; ++i)
        data[i] = static_cast<char>(255 - i);
    data.replace(100, 2, "OK");  // the data may hold the answer's word
    const std::string echo = "ATB0X000D0000\r", noise(100, '\x55');
    // A plain command first: its answer shows how this module answers.
    peer.serve([](PtyPeer &p) { p.write(p.read(5) + "\r\nOK\r\n"); });
    ASSERT_EQ(link.SelectScreen(1), kLinkOk);
    peer.wait();
    const struct {
        const char *name;
        std::vector<std::string> pieces;  // written with a pause between them
        LinkResult result;
    } cases[] = {
        {"exact", {echo + data + "\r\nOK\r\n"}, kLinkOk},
        {"the answer after a pause", {echo + data + "\r", "\nOK\r\n"}, kLinkOk},
        {"noise in the data", {echo + data.substr(0, 128) + noise + data.substr(128) + "\r\nOK\r\n"}, kLinkFail},
        {"noise before the answer", {echo + data + noise + "\r\nOK\r\n"}, kLinkFail},
        {"a byte lost", {echo + data.substr(1) + "\r\nOK\r\n"}, kLinkFail},
        {"two bytes lost", {echo + data.substr(2) + "\r\nOK\r\n"}, kLinkFail},
        {"another echo", {"ATB0X000E0000\r" + data + "\r\nOK\r\n"}, kLinkFail},
        {"refused", {echo + data + "\r\nERROR\r\n"}, kLinkFail},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        peer.serve([&c](PtyPeer &p) {
            p.read(14);
            for (const std::string &piece : c.pieces) {
                p.write(piece);
                std::this_thread::sleep_for(milliseconds(50));
            }
        });
        std::uint8_t destination[256] = {};
        EXPECT_EQ(link.ReadBlockExact(0xD0000, destination), c.result);
        peer.wait();
        if (c.result == kLinkOk) {
            EXPECT_EQ(std::string(reinterpret_cast<const char *>(destination), 256), data);
        }
        peer.drain();
    }
}

TEST_F(ComPortTransact, SilenceFailsWithinTheDeadline)
{
    for (const unsigned timeoutMs : {100u, 200u}) {
        SCOPED_TRACE(timeoutMs);
        LinkResult result = 0;
        const milliseconds took = timed([&] { result = link.send("ATS1\r\n", timeoutMs); });
        EXPECT_EQ(result, kLinkFail);
        EXPECT_GE(took, milliseconds(timeoutMs));
        EXPECT_LT(took, milliseconds(timeoutMs + 1000));
        peer.drain();
    }
}

TEST_F(ComPortTransact, FloodLongerThanTheReplyBufferNeverOverrunsIt)
{
    const std::string command = "ATG70\r\n";
    peer.serve([](PtyPeer &p) {
        // The echo alone first, so that later reads do not land on 512-byte
        // boundaries: a read that asked for more than the room left would
        // run past the buffer.
        const std::string echo = p.read(6);
        p.write(echo);
        std::this_thread::sleep_for(milliseconds(50));
        for (int i = 0; i < 6; ++i)
            p.write(std::string(500, 'z'));
    });
    LinkResult result = 0;
    const milliseconds took = timed([&] { result = link.send(command, 500); });
    peer.wait();
    EXPECT_EQ(result, kLinkFail);
    EXPECT_GE(took, milliseconds(500));
    EXPECT_LT(took, milliseconds(1500));
    EXPECT_EQ(link.reply(6), "ATG70\r");
    EXPECT_EQ(link.reply(1024), "ATG70\r" + std::string(1018, 'z'));
    // The command buffer lies right after the reply buffer: still intact.
    EXPECT_EQ(link.command(command.size()), command);
}

TEST_F(ComPortTransact, HangUpEndsTheExchangeAsAFailureLongBeforeItsDeadline)
{
    std::uint8_t data[256] = {};
    struct Case {
        const char *name;
        std::size_t hangUpAfter;  // bytes of the frame read before the far end vanishes
        bool echoFirst;
    };
    for (const Case &c : {Case{"in the middle of the frame", 100, false}, Case{"after the echo", 265, true}}) {
        SCOPED_TRACE(c.name);
        PtyPeer vanishing;
        env.set("TARVELLO_COM2", QByteArray::fromStdString(vanishing.slavePath()));
        ComPortLink port;
        ASSERT_EQ(port.Open(2), kLinkOk);
        vanishing.serve([&c](PtyPeer &p) {
            const std::string got = p.read(c.hangUpAfter);
            if (c.echoFirst)
                p.write(got);
            p.hangUp();
        });
        LinkResult result = 0;
        milliseconds took = timed([&] { result = port.WriteBlock(0xD0000, data); });
        vanishing.wait();
        EXPECT_EQ(result, kLinkFail);
        EXPECT_LT(took, milliseconds(5000)) << "the block write deadline is 50 s";
        // Later commands on the dead line fail as quickly.
        took = timed([&] { result = port.SelectScreen(1); });
        EXPECT_EQ(result, kLinkFail);
        EXPECT_LT(took, milliseconds(1000));
        port.Close();
    }
}

TEST_F(ComPortTransact, ProbeWantsTheEchoFollowedDirectlyByError)
{
    struct Case {
        const char *name;
        std::string answer;
        int expected;
    };
    for (const Case &c : {Case{"echo then ERROR", "ERROR", 0}, Case{"ERROR after a line break", "\r\nERROR\r\n", 1},
                          Case{"OK", "\r\nOK\r\n", 1}}) {
        SCOPED_TRACE(c.name);
        peer.serve([&c](PtyPeer &p) {
            const std::string echo = p.read(4);
            p.write(echo + c.answer);
        });
        EXPECT_EQ(link.Probe(), c.expected);
        peer.wait();
        EXPECT_EQ(link.command(5), "ATT\r\n");
    }
    EXPECT_EQ(link.Probe(), 1) << "silence";
}

TEST_F(ComPortTransact, PortHeldByAnotherOpenIsReportedBusy)
{
    link.Close();
    const int holder = ::open(peer.slavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    ComPortLink second;
    EXPECT_EQ(second.Open(1), kLinkFail);
    EXPECT_EQ(second.LastOpenError(), OpenError::Busy);
    EXPECT_FALSE(second.IsOpen());
    ::close(holder);

    // Two links of our own exclude one another too, and closing frees the port.
    ASSERT_EQ(link.Open(1), kLinkOk);
    EXPECT_EQ(second.Open(1), kLinkFail);
    EXPECT_EQ(second.LastOpenError(), OpenError::Busy);
    link.Close();
    EXPECT_EQ(second.Open(1), kLinkOk);
    EXPECT_EQ(second.LastOpenError(), OpenError::None);
    second.Close();
}
