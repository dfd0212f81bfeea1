// The link end to end against the module simulator: bytes on the wire for
// every command, the module search over COM ports and USB, and faults.
#include "ComPortLink.h"
#include "ModuleFinder.h"
#include "ModuleSim.h"
#include "ScopedEnv.h"
#include "TestSupport.h"
#include "UsbLink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

milliseconds Timed(const std::function<void()> &action)
{
    const auto start = Clock::now();
    action();
    return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

std::string Block(int seed)
{
    std::string block(256, '\0');
    for (int i = 0; i < 256; ++i)
        block[i] = static_cast<char>((i * 31 + seed * 7) & 0xFF);
    return block;
}

const std::uint8_t *Bytes(const std::string &s) { return reinterpret_cast<const std::uint8_t *>(s.data()); }

// Every test starts from a machine with no module: COM 1..10 point at paths
// that do not exist (the machine's own ports are never touched) and there is
// no D2XX library.
class EndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (ModuleSim::Program().isEmpty())
            GTEST_FAIL() << "TARVELLO_MODULE_SIM is not set";
        env.set("TARVELLO_COM_ONLY_ENV", "1");
        for (int n = 1; n <= 10; ++n)
            env.set("TARVELLO_COM" + QByteArray::number(n), QFile::encodeName(scratch.filePath("absent-com")));
        env.set("TARVELLO_D2XX_LIBRARY", QFile::encodeName(scratch.filePath("absent-libftd2xx.so")));
        env.unset("TARVELLO_FAKE_D2XX_FAIL");
        env.unset("TARVELLO_FAKE_D2XX_NODEVICE");
        env.unset("TARVELLO_FAKE_D2XX_SERIAL");
        env.unset("TARVELLO_FAKE_D2XX_LOG");
        env.unset("TARVELLO_FAKE_D2XX_PTY");
    }

    // Starts a simulator and puts it on COM `number`.
    ModuleSim &simOnCom(int number, const QStringList &arguments = {})
    {
        sims.push_back(std::make_unique<ModuleSim>(arguments));
        ModuleSim &sim = *sims.back();
        EXPECT_TRUE(sim.started()) << qPrintable(sim.error());
        if (number > 0)
            env.set("TARVELLO_COM" + QByteArray::number(number), sim.slavePathBytes());
        return sim;
    }

    // Path of the fake D2XX library (or of its build without one entry point).
    static QString fakeD2xx(bool missingEntry = false)
    {
        const QString full = qEnvironmentVariable("TARVELLO_FAKE_D2XX");
        if (full.isEmpty() || !missingEntry)
            return full;
        return QFileInfo(full).dir().filePath(QStringLiteral("missing/libftd2xx.so"));
    }

    QStringList fakeLog() const
    {
        QFile file(scratch.filePath("d2xx.log"));
        QStringList lines;
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray &line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    lines << QString::fromUtf8(line);
        return lines;
    }

    // Points the D2XX library at the fake, backed by a simulator.
    ModuleSim &useFakeUsb(bool missingEntry = false, const QStringList &simArguments = {})
    {
        ModuleSim &sim = simOnCom(0, simArguments);
        env.set("TARVELLO_D2XX_LIBRARY", QFile::encodeName(fakeD2xx(missingEntry)));
        env.set("TARVELLO_FAKE_D2XX_PTY", sim.slavePathBytes());
        env.set("TARVELLO_FAKE_D2XX_LOG", QFile::encodeName(scratch.filePath("d2xx.log")));
        return sim;
    }

    QTemporaryDir scratch;
    ScopedEnv env;
    std::vector<std::unique_ptr<ModuleSim>> sims;
};

}  // namespace

TEST_F(EndToEnd, EveryCommandPutsItsExactBytesOnTheWire)
{
    ModuleSim &sim = simOnCom(1);
    ComPortLink link;
    ASSERT_EQ(link.Open(257), kLinkOk);
    const std::string block = Block(3);
    std::uint8_t readBack[256] = {};

    EXPECT_EQ(link.SetSensorIndicator(1), kLinkOk);
    EXPECT_EQ(link.SetIndicatorX(10), kLinkOk);
    EXPECT_EQ(link.SetIndicatorY(200), kLinkOk);
    EXPECT_EQ(link.SelectScreen(3), kLinkOk);
    EXPECT_EQ(link.EraseArea(1), kLinkOk);
    EXPECT_EQ(link.ReadBlock(0xD0000, nullptr), kLinkOk);  // leaves "0" at frame offset 7
    EXPECT_EQ(link.WriteBlock(0xD0100, Bytes(block)), kLinkOk);
    EXPECT_EQ(link.ReadBlock(0xD0100, readBack), kLinkOk);
    EXPECT_EQ(link.SetLineBrightness(70), kLinkOk);
    EXPECT_EQ(link.SetBackgroundBrightness(25), kLinkOk);
    EXPECT_EQ(link.SetGridShiftY(150), kLinkOk);
    EXPECT_EQ(link.SetGridShiftX(255), kLinkOk);
    EXPECT_EQ(link.SetMirroring(1), kLinkOk);
    EXPECT_EQ(link.SetWarningTime(0), kLinkOk);
    EXPECT_EQ(link.StoreSettings(), kLinkOk);
    EXPECT_EQ(link.CommandL(), kLinkOk);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(readBack), 256), block) << "stored and read back";

    std::string frame = std::string("ATA\x00\x01\x0D\x00", 7) + "0" + block + std::string(1, '\0');
    const QStringList expected = {
        "57600 ATO1\\r", "57600 ATR10\\r", "57600 ATP200\\r", "57600 ATS3\\r", "57600 ATE1\\r",
        "57600 ATB0X000D0000\\r", "57600 " + EscapeForLog(frame), "57600 ATB0X000D0100\\r",
        "57600 ATG70\\r", "57600 ATH25\\r", "57600 ATK100\\r", "57600 ATJ255\\r", "57600 ATQ1\\r",
        "57600 ATF0\\r", "57600 ATW\\r", "57600 ATL\\r"};
    EXPECT_EQ(sim.log(expected.size()), expected);
}

TEST_F(EndToEnd, ModuleOnCom3At57600IsFoundAfterTheSlowerAndEarlierTries)
{
    ModuleSim &com1 = simOnCom(1, {"--silent"});
    ModuleSim &com2 = simOnCom(2, {"--speeds", "19200"});
    ModuleSim &com3 = simOnCom(3, {"--speeds", "57600"});

    ProbeReport report;
    std::unique_ptr<DeviceLink> link = FindModule(false, &report);
    ASSERT_NE(link, nullptr);
    auto *com = dynamic_cast<ComPortLink *>(link.get());
    ASSERT_NE(com, nullptr);
    EXPECT_TRUE(com->IsOpen());
    EXPECT_EQ(com->BaudRate(), 57600);
    EXPECT_EQ(com->DevicePath(), com3.slavePath());

    struct Try {
        QString transport;
        int port;
        int baud;
        bool found;
    };
    const std::vector<Try> expected = {{"USB", 0, 57600, false}, {"COM", 1, 9600, false}, {"COM", 1, 57600, false},
                                       {"COM", 2, 9600, false},  {"COM", 2, 57600, false}, {"COM", 3, 9600, false},
                                       {"COM", 3, 57600, true}};
    ASSERT_EQ(report.attempts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(report.attempts[i].transport, expected[i].transport);
        EXPECT_EQ(report.attempts[i].port, expected[i].port);
        EXPECT_EQ(report.attempts[i].baud, expected[i].baud);
        EXPECT_EQ(report.attempts[i].found, expected[i].found);
    }

    EXPECT_EQ(com1.log(2), QStringList({"9600 ATT\\r", "57600 ATT\\r"}));
    EXPECT_EQ(JoinNoise(com2.log(8, milliseconds(300))), QStringList({"NOISE 9600 ATT\\r", "NOISE 57600 ATT\\r"}));
    // The link stays open where the module answered, and is used there.
    EXPECT_EQ(link->SelectScreen(1), kLinkOk);
    EXPECT_EQ(JoinNoise(com3.log(6, milliseconds(300))), QStringList({"NOISE 9600 ATT\\r", "57600 ATT\\r", "57600 ATS1\\r"}));
    link->Close();
}

TEST_F(EndToEnd, NoModuleAnywhereReportsEveryTryAndWhy)
{
    simOnCom(2, {"--silent"});
    // COM 3 is held open by another program without a lock, as a terminal
    // program left running does; the simulators keep their own ports open
    // too, and are not taken for such a program.
    ModuleSim &held = simOnCom(3);
    QProcess holder;
    holder.setStandardInputFile(held.slavePath());
    holder.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(holder.waitForStarted(5000));
    const qint64 pid = holder.processId();
    const QString holderText = QStringLiteral("занят программой sleep (PID %1)").arg(pid);

    ProbeReport report;
    EXPECT_EQ(FindModule(false, &report), nullptr);
    holder.kill();
    holder.waitForFinished(5000);

    ASSERT_EQ(report.attempts.size(), 21u);
    for (const ProbeAttempt &attempt : report.attempts) {
        SCOPED_TRACE(qPrintable(attempt.transport + QString::number(attempt.port)));
        EXPECT_FALSE(attempt.found);
        EXPECT_FALSE(attempt.reason.isEmpty());
    }
    EXPECT_TRUE(report.attempts[0].reason.contains("absent-libftd2xx.so")) << qPrintable(report.attempts[0].reason);
    EXPECT_TRUE(report.attempts[1].reason.contains("нет")) << qPrintable(report.attempts[1].reason);
    EXPECT_TRUE(report.attempts[3].reason.contains("не ответил")) << qPrintable(report.attempts[3].reason);
    for (const ProbeAttempt &com3 : {report.attempts[5], report.attempts[6]}) {
        EXPECT_TRUE(com3.cause == ProbeAttempt::Cause::Busy && com3.reason.contains(holderText)) << qPrintable(com3.reason);
        EXPECT_TRUE(com3.holder && com3.holder->pid == pid && com3.holder->name == "sleep");
    }
    EXPECT_EQ(held.log(0, milliseconds(0)), QStringList()) << "a held port gets no bytes";

    const UserMessage message = ModuleNotFoundMessage(report);
    EXPECT_TRUE(message.text.contains(QStringLiteral("порт ") + holderText)) << qPrintable(message.text);
    EXPECT_TRUE(message.details.contains("COM3 (9600, 57600")) << qPrintable(message.details);
    EXPECT_TRUE(message.details.contains("COM10 (9600, 57600")) << qPrintable(message.details);
}

TEST_F(EndToEnd, SomethingAnsweringOtherwiseIsToldApartFromSilence)
{
    const struct {
        QStringList simArguments;
        ProbeAttempt::Cause cause;
        const char *said;
    } cases[] = {
        {{"--silent"}, ProbeAttempt::Cause::NoAnswer, "не ответил"},
        {{"--garbage", "12"}, ProbeAttempt::Cause::WrongAnswer, "не такой, как у модуля"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.simArguments.join(' ').toStdString());
        simOnCom(1, c.simArguments);
        ProbeReport report;
        EXPECT_EQ(FindModule(false, &report), nullptr);
        ASSERT_GE(report.attempts.size(), 3u);
        for (std::size_t i : {1u, 2u}) {  // COM1 at both speeds
            EXPECT_EQ(report.attempts[i].cause, c.cause);
            EXPECT_TRUE(report.attempts[i].reason.contains(QString::fromUtf8(c.said)))
                << qPrintable(report.attempts[i].reason);
        }
        sims.clear();
    }
}

TEST_F(EndToEnd, UsbModuleIsUsedWithTheOpenSequenceAndNoComPortIsTouched)
{
    ModuleSim &usbSim = useFakeUsb();
    ModuleSim &com1 = simOnCom(1);
    ModuleSim &com2 = simOnCom(2);
    env.set("TARVELLO_FAKE_D2XX_SERIAL", "00420815");

    ProbeReport report;
    std::unique_ptr<DeviceLink> link = FindModule(false, &report);
    ASSERT_NE(link, nullptr);
    ASSERT_NE(dynamic_cast<UsbLink *>(link.get()), nullptr);
    EXPECT_EQ(link->SerialNumber(), 420815);
    ASSERT_EQ(report.attempts.size(), 1u);
    EXPECT_TRUE(report.attempts[0].found);

    const QStringList open = {
        "FT_OpenEx \"Tarvello parking system\" 2 ptr",
        "FT_SetBaudRate ptr 57600",
        "FT_SetDataCharacteristics ptr 8 0 0",
        "FT_SetFlowControl ptr 0 0 0",
        "FT_SetTimeouts ptr 10 10",
        "FT_SetTimeouts ptr 100 100",
        "FT_SetUSBParameters ptr 4096 4096",
        "FT_SetLatencyTimer ptr 2",
    };
    QStringList log = fakeLog();
    ASSERT_GE(log.size(), open.size() + 1) << qPrintable(log.join('\n'));
    EXPECT_EQ(log.mid(0, open.size()), open);
    EXPECT_TRUE(log[open.size()].startsWith("FT_GetDeviceInfo ptr")) << qPrintable(log[open.size()]);
    EXPECT_EQ(log.size(), open.size() + 1) << "the presence check exchanges nothing";

    // A command over USB: purge, the text in chunks of 4 without its "\n".
    EXPECT_EQ(link->SelectScreen(3), kLinkOk);
    log = fakeLog().mid(open.size() + 1);
    ASSERT_GE(log.size(), 4);
    EXPECT_EQ(log[0], "FT_Purge ptr 3");
    EXPECT_TRUE(log[1].startsWith("FT_Write ptr ptr 4")) << qPrintable(log[1]);
    EXPECT_TRUE(log[2].startsWith("FT_Write ptr ptr 1")) << qPrintable(log[2]);
    EXPECT_TRUE(log[3].startsWith("FT_Read ptr ptr 512")) << qPrintable(log[3]);

    const std::string block = Block(9);
    std::uint8_t readBack[256] = {};
    EXPECT_EQ(link->WriteBlock(0xE0000, Bytes(block)), kLinkOk);
    EXPECT_EQ(link->ReadBlock(0xE0000, readBack), kLinkOk);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(readBack), 256), block);
    EXPECT_EQ(usbSim.log(3).mid(0, 1), QStringList({"57600 ATS3\\r"}));

    EXPECT_EQ(link->Close(), 0);
    EXPECT_TRUE(fakeLog().value(fakeLog().size() - 1).startsWith("FT_Close ptr"));
    EXPECT_EQ(link->Probe(), 1);
    EXPECT_EQ(com1.log(0, milliseconds(200)), QStringList());
    EXPECT_EQ(com2.log(0, milliseconds(0)), QStringList());
}

TEST_F(EndToEnd, UsbFailuresFallBackToComPortsAndSayWhy)
{
    if (fakeD2xx().isEmpty())
        GTEST_FAIL() << "TARVELLO_FAKE_D2XX is not set";
    struct Case {
        const char *name;
        bool missingEntry;
        QByteArray failCall;
        bool noDevice;
        UsbError error;
        QString detail;
    };
    const std::vector<Case> cases = {
        {"entry point missing", true, {}, false, UsbError::EntryPointMissing, "FT_SetLatencyTimer"},
        {"no device", false, {}, true, UsbError::NoDevice, "FT_OpenEx"},
        {"a call fails", false, "FT_SetUSBParameters", false, UsbError::CallFailed, "FT_SetUSBParameters"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        useFakeUsb(c.missingEntry);
        if (!c.failCall.isEmpty())
            env.set("TARVELLO_FAKE_D2XX_FAIL", c.failCall);
        else
            env.unset("TARVELLO_FAKE_D2XX_FAIL");
        if (c.noDevice)
            env.set("TARVELLO_FAKE_D2XX_NODEVICE", "1");
        else
            env.unset("TARVELLO_FAKE_D2XX_NODEVICE");

        UsbLink usb;
        EXPECT_EQ(usb.Open(0), kLinkFail);
        EXPECT_EQ(usb.LastError(), c.error);
        EXPECT_EQ(usb.LastErrorDetail(), c.detail);
        EXPECT_EQ(usb.Probe(), 1);
        EXPECT_EQ(usb.SelectScreen(1), kLinkFail);
        if (c.error == UsbError::CallFailed) {
            EXPECT_EQ(usb.LastStatus(), 4u);
            EXPECT_TRUE(fakeLog().value(fakeLog().size() - 1).startsWith("FT_Close ptr"))
                << "no device handle stays open";
        }

        ModuleSim &com = simOnCom(1);
        ProbeReport report;
        std::unique_ptr<DeviceLink> link = FindModule(false, &report);
        ASSERT_NE(dynamic_cast<ComPortLink *>(link.get()), nullptr);
        EXPECT_EQ(report.attempts.size(), 2u);
        EXPECT_FALSE(report.attempts[0].found);
        EXPECT_EQ(com.log(1), QStringList({"9600 ATT\\r"}));
        link->Close();
    }
}

TEST_F(EndToEnd, NonNumericUsbSerialNumberLeavesZero)
{
    useFakeUsb();
    env.set("TARVELLO_FAKE_D2XX_SERIAL", "A1B2");
    UsbLink usb;
    ASSERT_EQ(usb.Open(0), kLinkOk);
    EXPECT_EQ(usb.SerialNumber(), 0);
    usb.Close();
}

TEST_F(EndToEnd, SilentModuleFailsEachCommandWithinItsDeadlineAndEachFailureShowsOneBox)
{
    simOnCom(1, {"--silent"});
    RecordedMessages messages;
    ComPortLink link;
    ASSERT_EQ(link.Open(1), kLinkOk);
    struct Case {
        const char *name;
        std::function<LinkResult()> send;
        unsigned deadlineMs;
    };
    const std::vector<Case> cases = {
        {"screen", [&] { return link.SelectScreen(1); }, 200},
        {"sensor", [&] { return link.SetSensorIndicator(0); }, 1000},
        {"read-back", [&] { return link.ReadBlock(0xD0000, nullptr); }, 5000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LinkResult result = kLinkOk;
        const milliseconds took = Timed([&] { result = link.ReportError(c.send()); });
        EXPECT_EQ(result, kLinkFail);
        EXPECT_GE(took, milliseconds(c.deadlineMs));
        EXPECT_LT(took, milliseconds(c.deadlineMs + 1000));
    }
    EXPECT_EQ(messages.count(), cases.size());
    link.Close();
}

TEST_F(EndToEnd, FaultsFromTheModuleFailOnlyTheCommandsTheyHit)
{
    struct Case {
        const char *name;
        QStringList simArguments;
        std::function<void(ComPortLink &)> check;
    };
    const std::string block = Block(1);
    const std::vector<Case> cases = {
        {"garbage flood longer than the reply buffer", {"--garbage", "2000"},
         [](ComPortLink &link) {
             LinkResult result = kLinkOk;
             const milliseconds took = Timed([&] { result = link.SelectScreen(1); });
             EXPECT_EQ(result, kLinkFail);
             EXPECT_LT(took, milliseconds(200 + 1000));
         }},
        {"no answer to the second screen command", {"--no-answer", "S:2"},
         [](ComPortLink &link) {
             EXPECT_EQ(link.SelectScreen(1), kLinkOk);
             EXPECT_EQ(link.SelectScreen(3), kLinkFail);
             EXPECT_EQ(link.SelectScreen(4), kLinkOk) << "the link recovers";
         }},
        {"answers later than a display command may wait", {"--delay-ms", "400"},
         [](ComPortLink &link) {
             EXPECT_EQ(link.SelectScreen(1), kLinkFail);
             EXPECT_EQ(link.StoreSettings(), kLinkOk) << "1000 ms are enough";
         }},
        {"out-of-range value refused", {},
         [](ComPortLink &link) { EXPECT_EQ(link.SetLineBrightness(81), kLinkFail); }},
        {"refused 10th block write stops an upload after 9 pairs", {"--error-on", "A:10"},
         [&block](ComPortLink &link) {
             int completed = 0;
             LinkResult result = kLinkOk;
             const milliseconds took = Timed([&] {
                 for (int k = 0; k < 128; ++k) {
                     result = link.WriteBlock(0xD0000 + 256 * k, Bytes(block));
                     if (result < 0)
                         break;
                     result = link.ReadBlock(0xD0000 + 256 * k, nullptr);
                     if (result < 0)
                         break;
                     ++completed;
                 }
             });
             EXPECT_EQ(completed, 9);
             EXPECT_EQ(result, kLinkFail);
             EXPECT_LT(took, milliseconds(50000)) << "refused, not timed out";
         }},
        {"hang-up in the middle of a block frame", {"--hangup-after", "100"},
         [&block](ComPortLink &link) {
             LinkResult result = kLinkOk;
             const milliseconds took = Timed([&] { result = link.WriteBlock(0xD0000, Bytes(block)); });
             EXPECT_EQ(result, kLinkFail);
             EXPECT_LT(took, milliseconds(5000)) << "the block write deadline is 50 s";
             const milliseconds next = Timed([&] { result = link.SelectScreen(1); });
             EXPECT_EQ(result, kLinkFail);
             EXPECT_LT(next, milliseconds(200 + 1000));
         }},
    };
    int number = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        simOnCom(number, c.simArguments);
        ComPortLink link;
        ASSERT_EQ(link.Open(256 + number), kLinkOk);
        c.check(link);
        link.Close();
        ++number;
    }
}

TEST_F(EndToEnd, UsbWaitsFourTimesTheTimeoutAndAHangUpEndsTheExchangeAtOnce)
{
    {
        useFakeUsb(false, {"--silent"});
        UsbLink usb;
        ASSERT_EQ(usb.Open(0), kLinkOk);
        LinkResult result = kLinkOk;
        const milliseconds took = Timed([&] { result = usb.SelectScreen(1); });
        EXPECT_EQ(result, kLinkFail);
        EXPECT_GE(took, milliseconds(4 * 200));
        EXPECT_LT(took, milliseconds(4 * 200 + 1000));
        usb.Close();
    }
    {
        useFakeUsb(false, {"--hangup-after", "100"});
        UsbLink usb;
        ASSERT_EQ(usb.Open(0), kLinkOk);
        const std::string block = Block(5);
        LinkResult result = kLinkOk;
        const milliseconds took = Timed([&] { result = usb.WriteBlock(0xD0000, Bytes(block)); });
        EXPECT_EQ(result, kLinkFail);
        EXPECT_LT(took, milliseconds(5000)) << "the block write waits up to 200 s over USB";
        usb.Close();
    }
}

TEST_F(EndToEnd, UsbCablePulledAndPluggedBackGoesOnWithoutOpeningTheLinkAgain)
{
    // The bridge appears under the same name each time it is plugged in.
    const QString line = scratch.filePath(QStringLiteral("ftdi"));
    env.set("TARVELLO_D2XX_LIBRARY", QFile::encodeName(fakeD2xx()));
    env.set("TARVELLO_FAKE_D2XX_PTY", QFile::encodeName(line));
    UsbLink usb;
    {
        ModuleSim pulled(QStringList{"--link", line, "--hangup-after", "7"});
        ASSERT_TRUE(pulled.started()) << qPrintable(pulled.error());
        ASSERT_EQ(usb.Open(0), kLinkOk);
        EXPECT_EQ(usb.SelectScreen(1), kLinkOk);
        EXPECT_EQ(usb.SelectScreen(2), kLinkFail) << "pulled in the middle of the command";
        ASSERT_TRUE(pulled.waitForExit(std::chrono::seconds(5)));
        EXPECT_EQ(usb.SelectScreen(3), kLinkFail) << "nothing plugged in yet";
    }
    ModuleSim back(QStringList{"--link", line});
    ASSERT_TRUE(back.started()) << qPrintable(back.error());
    EXPECT_EQ(usb.SelectScreen(4), kLinkOk);
    EXPECT_EQ(back.log(1), QStringList{"57600 ATS4\\r"});
    usb.Close();
}
