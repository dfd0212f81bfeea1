// The command operations, the demo link, the device error box and the reply
// rule, without any transport.
#include "DeviceLink.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

struct SentCommand {
    std::string bytes;
    unsigned timeoutMs;
    unsigned extraBytes;
};

// Records what each command hands to Transact and answers as told.
class RecordingLink : public DeviceLink {
public:
    LinkResult Transact(const std::uint8_t *bytes, unsigned length, unsigned timeoutMs,
                        unsigned extraBytes) override
    {
        sent.push_back({std::string(reinterpret_cast<const char *>(bytes), length), timeoutMs, extraBytes});
        if (fillReply)
            fillReply(reply_);
        return answer;
    }
    std::vector<SentCommand> sent;
    LinkResult answer = kLinkOk;
    std::function<void(std::array<std::uint8_t, Protocol::kBufferSize> &)> fillReply;
};

// Exposes the reply rule on a reply buffer filled by the test.
class ReplyProbe : public DeviceLink {
public:
    ReplyVerdict Judge(const std::string &reply, unsigned sent, unsigned extra)
    {
        reply_.fill(0);
        std::copy(reply.begin(), reply.begin() + std::min(reply.size(), reply_.size()), reply_.begin());
        return JudgeReply(std::min(reply.size(), reply_.size()), sent, extra);
    }
    using DeviceLink::ReplyVerdict;
};

struct TextCommandCase {
    const char *name;
    std::function<LinkResult(DeviceLink &)> send;
    std::string bytes;
    unsigned timeoutMs;
    unsigned extraBytes;
};

}  // namespace

TEST(DeviceLinkCommands, EachTextCommandIsFormattedWithItsTimeoutAndExtraBytes)
{
    const std::vector<TextCommandCase> cases = {
        {"sensor on", [](DeviceLink &l) { return l.SetSensorIndicator(1); }, "ATO1\r\n", 1000, 0},
        {"indicator x", [](DeviceLink &l) { return l.SetIndicatorX(10); }, "ATR10\r\n", 1000, 0},
        {"indicator y", [](DeviceLink &l) { return l.SetIndicatorY(255); }, "ATP255\r\n", 1000, 0},
        {"screen", [](DeviceLink &l) { return l.SelectScreen(3); }, "ATS3\r\n", 200, 0},
        {"erase", [](DeviceLink &l) { return l.EraseArea(1); }, "ATE1\r\n", 1000, 0},
        {"read block", [](DeviceLink &l) { return l.ReadBlock(0xD0000, nullptr); }, "ATB0X000D0000\r\n", 5000, 256},
        {"read block hex", [](DeviceLink &l) { return l.ReadBlock(0xABCDEF12u, nullptr); }, "ATB0XABCDEF12\r\n", 5000, 256},
        {"line brightness", [](DeviceLink &l) { return l.SetLineBrightness(70); }, "ATG70\r\n", 200, 0},
        {"background brightness", [](DeviceLink &l) { return l.SetBackgroundBrightness(25); }, "ATH25\r\n", 200, 0},
        {"grid y 99", [](DeviceLink &l) { return l.SetGridShiftY(99); }, "ATK99\r\n", 200, 0},
        {"grid y 100", [](DeviceLink &l) { return l.SetGridShiftY(100); }, "ATK100\r\n", 200, 0},
        {"grid y 150 is 100", [](DeviceLink &l) { return l.SetGridShiftY(150); }, "ATK100\r\n", 200, 0},
        {"grid y negative is 100", [](DeviceLink &l) { return l.SetGridShiftY(static_cast<unsigned>(-1)); }, "ATK100\r\n", 200, 0},
        {"grid x", [](DeviceLink &l) { return l.SetGridShiftX(128); }, "ATJ128\r\n", 200, 0},
        {"mirroring", [](DeviceLink &l) { return l.SetMirroring(1); }, "ATQ1\r\n", 200, 0},
        {"warning time 0", [](DeviceLink &l) { return l.SetWarningTime(0); }, "ATF0\r\n", 200, 0},
        {"store", [](DeviceLink &l) { return l.StoreSettings(); }, "ATW\r\n", 1000, 0},
        {"command L", [](DeviceLink &l) { return l.CommandL(); }, "ATL\r\n", 1000, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLink link;
        link.answer = kLinkFail;
        EXPECT_EQ(c.send(link), kLinkFail) << "the result of the exchange is returned";
        ASSERT_EQ(link.sent.size(), 1u);
        EXPECT_EQ(link.sent[0].bytes, c.bytes);
        EXPECT_EQ(link.sent[0].timeoutMs, c.timeoutMs);
        EXPECT_EQ(link.sent[0].extraBytes, c.extraBytes);
    }
}

TEST(DeviceLinkCommands, BlockFrameCarriesLittleEndianAddressAndDataAndKeepsOldFillers)
{
    RecordingLink link;
    std::uint8_t data[256];
    for (int i = 0; i < 256; ++i)
        data[i] = static_cast<std::uint8_t>(255 - i);

    // A read-back first leaves "0" at frame offset 7; offset 264 was never written.
    link.ReadBlock(0xD0000, nullptr);
    ASSERT_EQ(link.WriteBlock(0x12345678u, data), kLinkOk);
    ASSERT_EQ(link.sent.size(), 2u);
    const std::string &frame = link.sent[1].bytes;
    ASSERT_EQ(frame.size(), 265u);
    EXPECT_EQ(frame.substr(0, 3), "ATA");
    EXPECT_EQ(frame.substr(3, 4), std::string("\x78\x56\x34\x12", 4));
    EXPECT_EQ(frame[7], '0');
    EXPECT_EQ(frame.substr(8, 256), std::string(reinterpret_cast<const char *>(data), 256));
    EXPECT_EQ(frame[264], '\0');
    EXPECT_EQ(link.sent[1].timeoutMs, 50000u);
    EXPECT_EQ(link.sent[1].extraBytes, 0u);

    // A second frame overwrites address and data only.
    link.WriteBlock(0xE0100, data);
    EXPECT_EQ(link.sent[2].bytes.substr(3, 5), std::string("\x00\x01\x0E\x00" "0", 5));
}

TEST(DeviceLinkCommands, ReadBlockCopiesTheBytesAfterTheEchoWhateverTheResult)
{
    for (const LinkResult answer : {kLinkOk, kLinkFail}) {
        RecordingLink link;
        link.answer = answer;
        link.fillReply = [](auto &reply) {
            for (std::size_t i = 0; i < reply.size(); ++i)
                reply[i] = static_cast<std::uint8_t>(i * 7);
        };
        std::uint8_t destination[256] = {};
        EXPECT_EQ(link.ReadBlock(0xD0000, destination), answer);
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ(destination[i], static_cast<std::uint8_t>((i + 14) * 7)) << i;
    }
}

TEST(DemoLink, EveryOperationSucceedsAndShowsNothing)
{
    RecordedMessages messages;
    DeviceLink link;
    std::uint8_t block[256] = {};
    EXPECT_EQ(link.Open(257), kLinkOk);
    EXPECT_EQ(link.Probe(), 0);
    const std::vector<LinkResult> results = {
        link.SetSensorIndicator(1), link.SetIndicatorX(3), link.SetIndicatorY(4), link.SelectScreen(4),
        link.EraseArea(0), link.WriteBlock(0xE0000, block), link.ReadBlock(0xE0000, block),
        link.SetLineBrightness(20), link.SetBackgroundBrightness(80), link.SetGridShiftY(7),
        link.SetGridShiftX(9), link.SetMirroring(0), link.SetWarningTime(5), link.StoreSettings(),
        link.CommandL()};
    for (const LinkResult result : results)
        EXPECT_EQ(link.ReportError(result), kLinkOk);
    EXPECT_EQ(link.Close(), 0);
    EXPECT_EQ(link.SerialNumber(), 0);
    EXPECT_EQ(messages.count(), 0u);
}

TEST(DeviceErrorBox, ShownOnceForEachFailedResultAndResultPassedThrough)
{
    RecordedMessages messages;
    DeviceLink link;
    EXPECT_EQ(link.ReportError(kLinkOk), kLinkOk);
    EXPECT_EQ(link.ReportError(1), 1);
    EXPECT_EQ(messages.count(), 0u);

    EXPECT_EQ(link.ReportError(kLinkFail), kLinkFail);
    EXPECT_EQ(link.ReportError(-1), -1);
    ASSERT_EQ(messages.count(), 2u);
    const UserMessage &box = messages.all()[0];
    EXPECT_EQ(box.caption, QStringLiteral("Программа настройки Tarvello"));
    EXPECT_EQ(box.text, QStringLiteral("При настройке устройства возникла ошибка.\n"
                                       "Проверьте соединительный кабель, питание и повторите операцию."));
    EXPECT_EQ(box.icon, UserMessage::Icon::Error);
}

TEST(ReplyRule, OkAndErrorCountOnlyAfterMoreBytesThanSentPlusExtra)
{
    using V = ReplyProbe::ReplyVerdict;
    struct Case {
        const char *name;
        std::string reply;
        unsigned sent;
        unsigned extra;
        V expected;
    };
    const std::string echo = "ATOK\r";  // an echo that itself holds "OK"
    const std::vector<Case> cases = {
        {"echo with OK alone", echo, 5, 0, V::Pending},
        {"one byte past the echo", echo + "x", 5, 0, V::Ok},
        {"ERROR after echo", "ATS3\r\r\nERROR\r\n", 5, 0, V::Error},
        {"OK wins over ERROR", "ATS3\r\r\nERROR\r\nOK", 5, 0, V::Ok},
        {"OK wins even when later", "ATS3\rERROR OK", 5, 0, V::Ok},
        {"data holding OK is not enough", "ATB0X000D0000\r" + std::string(254, 'x') + "OK", 14, 256, V::Pending},
        {"answer after the data", "ATB0X000D0000\r" + std::string(256, 'x') + "\r\nOK\r\n", 14, 256, V::Ok},
        {"O and K split by a zero byte", std::string("ATS3\r\r\nO\0K", 10), 5, 0, V::Pending},
        {"nothing", "", 5, 0, V::Pending},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ReplyProbe probe;
        EXPECT_EQ(probe.Judge(c.reply, c.sent, c.extra), c.expected);
    }
}

TEST(ReplyRule, LastByteOfAFullBufferIsNotPartOfTheText)
{
    using V = ReplyProbe::ReplyVerdict;
    ReplyProbe probe;
    std::string full(1022, 'x');
    EXPECT_EQ(probe.Judge(full + "OK", 5, 0), V::Pending);
    EXPECT_EQ(probe.Judge(std::string(1021, 'x') + "OK!", 5, 0), V::Ok);
}

TEST(BusyWait, WaitsAtLeastTheGivenTime)
{
    const auto start = std::chrono::steady_clock::now();
    DeviceLink::BusyWaitMicroseconds(2000);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::microseconds(2000));
}
