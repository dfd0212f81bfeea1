// Port naming, the reasons a port or the USB bridge failed, and the message
// shown when no module was found.
#include "ComPortLink.h"
#include "ComPortNames.h"
#include "ModuleFinder.h"
#include "UsbLink.h"
#include "ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>

namespace {

void Touch(const QString &path, const QByteArray &content = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

}  // namespace

TEST(ComPortNaming, MachineDevicesInUsbAcmThenUartOrderNumericallySorted)
{
    QTemporaryDir root;
    const QString dev = root.filePath("dev");
    const QString sys = root.filePath("sys");
    for (const char *name : {"ttyS1", "ttyUSB10", "ttyACM0", "ttyUSB2", "ttyS0", "ttyS10", "ttyUSBx", "tty1", "ttyS2"})
        Touch(dev + "/" + name);
    Touch(sys + "/ttyS1/type", "0\n");  // no UART behind it
    Touch(sys + "/ttyS0/type", "4\n");
    Touch(sys + "/ttyS2/type", "4\n");

    const QStringList expected = {dev + "/ttyUSB2", dev + "/ttyUSB10", dev + "/ttyACM0",
                                  dev + "/ttyS0",   dev + "/ttyS2",    dev + "/ttyS10"};
    EXPECT_EQ(MachineSerialDevices(dev, sys), expected);
}

TEST(ComPortNaming, EnvironmentWinsAndOnlyEnvModeHasNoFallback)
{
    ScopedEnv env;
    env.set("TARVELLO_COM3", "/tmp/some-port");
    env.unset("TARVELLO_COM4");
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    EXPECT_EQ(ComPortPath(3), QStringLiteral("/tmp/some-port"));
    EXPECT_TRUE(ComPortPath(4).isEmpty());
    EXPECT_TRUE(ComPortPath(0).isEmpty());
    EXPECT_TRUE(ComPortPath(-2).isEmpty());
}

TEST(ComPortLinkOpen, ReasonsAndSpeedFromTheArgument)
{
    ScopedEnv env;
    QTemporaryDir dir;
    const QString plainFile = dir.filePath("not-a-tty");
    Touch(plainFile, "x");
    env.set("TARVELLO_COM_ONLY_ENV", "1");
    env.set("TARVELLO_COM1", QFile::encodeName(dir.filePath("absent")));
    env.set("TARVELLO_COM2", QFile::encodeName(plainFile));
    env.unset("TARVELLO_COM3");

    struct Case {
        int port;
        OpenError error;
        int baud;
        int portArgumentCom;
    };
    for (const Case &c : {Case{1, OpenError::Missing, 9600, 1}, Case{257, OpenError::Missing, 57600, 1},
                          Case{2, OpenError::NotATerminal, 9600, 2}, Case{258 + 512, OpenError::NotATerminal, 57600, 2},
                          Case{3, OpenError::Missing, 9600, 3}}) {
        SCOPED_TRACE(c.port);
        ComPortLink link;
        EXPECT_EQ(link.Open(c.port), kLinkFail);
        EXPECT_EQ(link.LastOpenError(), c.error);
        EXPECT_EQ(link.BaudRate(), c.baud);
        EXPECT_FALSE(link.IsOpen());
        // A link without a port fails at once, and Probe says absent.
        EXPECT_EQ(link.SelectScreen(1), kLinkFail);
        EXPECT_EQ(link.Probe(), 1);
        EXPECT_EQ(link.Close(), 0);
    }
}

TEST(ComPortLinkOpen, ErrnoClassification)
{
    EXPECT_EQ(OpenErrorFromErrno(ENOENT), OpenError::Missing);
    EXPECT_EQ(OpenErrorFromErrno(ENXIO), OpenError::Missing);
    EXPECT_EQ(OpenErrorFromErrno(ENODEV), OpenError::Missing);
    EXPECT_EQ(OpenErrorFromErrno(EBUSY), OpenError::Busy);
    EXPECT_EQ(OpenErrorFromErrno(EWOULDBLOCK), OpenError::Busy);
    EXPECT_EQ(OpenErrorFromErrno(EACCES), OpenError::PermissionDenied);
    EXPECT_EQ(OpenErrorFromErrno(EPERM), OpenError::PermissionDenied);
    EXPECT_EQ(OpenErrorFromErrno(ENOTTY), OpenError::NotATerminal);
    EXPECT_EQ(OpenErrorFromErrno(EIO), OpenError::Other);
}

TEST(UsbSerialNumber, DecimalAtTheStartOrNothing)
{
    EXPECT_EQ(ParseD2xxSerialNumber("12345678"), 12345678);
    EXPECT_EQ(ParseD2xxSerialNumber("  42abc"), 42);
    EXPECT_EQ(ParseD2xxSerialNumber("+7"), 7);
    EXPECT_EQ(ParseD2xxSerialNumber("-15"), -15);
    EXPECT_EQ(ParseD2xxSerialNumber("2147483647"), 2147483647);
    EXPECT_EQ(ParseD2xxSerialNumber("A1B2"), std::nullopt);
    EXPECT_EQ(ParseD2xxSerialNumber(""), std::nullopt);
    EXPECT_EQ(ParseD2xxSerialNumber("99999999999"), std::nullopt);
    EXPECT_EQ(ParseD2xxSerialNumber(nullptr), std::nullopt);
}

TEST(UsbLinkOpen, MissingLibraryIsReportedAndLeavesTheLinkClosed)
{
    ScopedEnv env;
    env.set("TARVELLO_D2XX_LIBRARY", "/nonexistent/libftd2xx.so");
    UsbLink link;
    EXPECT_EQ(link.Open(0), kLinkFail);
    EXPECT_EQ(link.LastError(), UsbError::LibraryMissing);
    EXPECT_EQ(link.Probe(), 1);
    EXPECT_EQ(link.SelectScreen(1), kLinkFail);
    EXPECT_EQ(link.Close(), 0);
    EXPECT_EQ(link.SerialNumber(), 0);
}

// The loader's English reason in the installer's words: a library that is
// not there, a file that is no library, one built for 32 bits.
TEST(FindModule, UsbLibraryThatDoesNotLoadIsExplainedInRussian)
{
    QTemporaryDir dir;
    Touch(dir.filePath("garbage/libftd2xx.so"), QByteArray(100, 'x'));
    // The ELF header of a 32-bit x86 shared object.
    Touch(dir.filePath("elf32/libftd2xx.so"), QByteArray("\x7f" "ELF\x01\x01\x01", 7).append(9, '\0')
                                                  .append("\x03\x00\x03\x00\x01\x00\x00\x00", 8).append(64, '\0'));
    const std::pair<QString, const char *> cases[] = {
        {"libftd2xx-not-installed.so", "библиотека USB-адаптера FTDI D2XX (libftd2xx-not-installed.so) не установлена"},
        {dir.filePath("garbage/libftd2xx.so"), "не является библиотекой"},
        {dir.filePath("elf32/libftd2xx.so"), "собрана для другой разрядности (32 или 64 бита)"},
    };
    ScopedEnv env;
    env.set("TARVELLO_COM_ONLY_ENV", "1");  // and no TARVELLO_COM<N>: no port at all
    for (const auto &[library, reason] : cases) {
        env.set("TARVELLO_D2XX_LIBRARY", QFile::encodeName(library));
        ProbeReport report;
        EXPECT_EQ(FindModule(false, &report), nullptr);
        ASSERT_FALSE(report.attempts.empty());
        const QString said = report.attempts[0].reason;
        EXPECT_TRUE(said.contains(QString::fromUtf8(reason)) && said.contains(library)) << qPrintable(said);
        for (const char *english : {"cannot", "No such", "ELF", "invalid", "too short"})
            EXPECT_FALSE(said.contains(QLatin1String(english))) << qPrintable(said);
    }
}

TEST(DemoSwitch, ExactCaseSensitiveSubstringOfTheArguments)
{
    const struct {
        QStringList arguments;
        bool demo;
    } cases[] = {
        {{"/demo"}, true},
        {{"/demonstration"}, true},
        {{"-x", "a/demob"}, true},
        {{"/DEMO"}, false},
        {{"/Demo"}, false},
        {{"demo"}, false},
        {{}, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsDemoCommandLine(c.arguments), c.demo) << c.arguments.join(' ').toStdString();
}

TEST(FindModule, DemoGivesThePlainLinkWithoutTouchingAnything)
{
    ProbeReport report;
    const std::unique_ptr<DeviceLink> link = FindModule(true, &report);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(dynamic_cast<ComPortLink *>(link.get()), nullptr);
    EXPECT_EQ(dynamic_cast<UsbLink *>(link.get()), nullptr);
    EXPECT_TRUE(report.attempts.empty());
    EXPECT_EQ(link->SelectScreen(3), kLinkOk);
}

TEST(ModuleNotFoundMessage, ExactTextCaptionIconAndDetailsWithFixes)
{
    ProbeReport report;
    report.attempts.push_back({"USB", 0, 57600, false, "библиотека не загружена", ""});
    report.attempts.push_back({"COM", 1, 9600, false, "нет доступа к порту /dev/ttyUSB0 (Permission denied)",
                               "добавьте пользователя в группу dialout и войдите в систему заново"});
    report.attempts.push_back({"COM", 1, 57600, false, "нет доступа к порту /dev/ttyUSB0 (Permission denied)",
                               "добавьте пользователя в группу dialout и войдите в систему заново"});
    report.attempts.push_back({"COM", 2, 9600, false, "порт /dev/ttyS0 занят", "порт занят другой программой"});
    report.attempts.push_back({"COM", 2, 57600, false, "порт /dev/ttyS0 открыт, модуль не ответил", ""});

    const UserMessage message = ModuleNotFoundMessage(report);
    EXPECT_EQ(message.text, QStringLiteral("Устройство TRX-G-K4 не найдено.\n"
                                           "Подключите устройство, включите задний ход и запустите программу снова."));
    EXPECT_EQ(message.caption, QStringLiteral("Программа настройки Tarvello"));
    EXPECT_EQ(message.icon, UserMessage::Icon::Error);
    const QStringList lines = message.details.split('\n');
    ASSERT_EQ(lines.size(), 5) << qPrintable(message.details);
    EXPECT_TRUE(lines[1].startsWith("USB")) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[2].contains("COM1 (9600, 57600")) << qPrintable(lines[2]);
    EXPECT_TRUE(lines[2].contains("dialout"));
    EXPECT_TRUE(lines[3].contains("COM2 (9600") && lines[3].contains("занят")) << qPrintable(lines[3]);
    EXPECT_TRUE(lines[4].contains("COM2 (57600") && lines[4].contains("не ответил")) << qPrintable(lines[4]);

    EXPECT_TRUE(ModuleNotFoundMessage(ProbeReport{}).details.isEmpty()) << "no tries, no details";
}

TEST(ModuleNotFoundMessage, LeadsWithTheCauseEveryPortSharedAndAdvisesTheUsbLibraryOnlyWhenItMatters)
{
    using Cause = ProbeAttempt::Cause;
    const ProbeAttempt usbLibrary{"USB", 0, 57600, false, "библиотека не загружена", "установите libftd2xx",
                                  Cause::UsbLibrary};
    auto com = [](int port, Cause cause) {
        return ProbeAttempt{"COM", port, 9600, false, "причина", "", cause};
    };
    const struct {
        const char *name;
        std::vector<ProbeAttempt> attempts;
        const char *lead;  // in the text; empty: the general text
        bool usbAdvice;
    } cases[] = {
        {"nothing connected", {usbLibrary, com(1, Cause::NoPort), com(2, Cause::NoPort)}, "ни один последовательный адаптер", true},
        {"no permission", {usbLibrary, com(1, Cause::NoPermission), com(2, Cause::NoPort)}, "dialout", false},
        {"busy", {usbLibrary, com(1, Cause::Busy), com(1, Cause::Busy)}, "занят другой программой", false},
        {"silent", {com(1, Cause::NoAnswer), com(3, Cause::NoAnswer)}, "никто не ответил", false},
        {"another device", {com(1, Cause::WrongAnswer), com(1, Cause::WrongAnswer)}, "другое устройство", false},
        {"mixed", {usbLibrary, com(1, Cause::Busy), com(2, Cause::NoAnswer)}, "", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ProbeReport report;
        report.attempts = c.attempts;
        const UserMessage message = ModuleNotFoundMessage(report);
        EXPECT_TRUE(message.text.startsWith(QStringLiteral("Устройство TRX-G-K4 не найдено")));
        if (*c.lead)
            EXPECT_TRUE(message.text.contains(QString::fromUtf8(c.lead))) << qPrintable(message.text);
        else
            EXPECT_EQ(message.text, QStringLiteral("Устройство TRX-G-K4 не найдено.\n"
                                                   "Подключите устройство, включите задний ход и запустите программу снова."));
        EXPECT_EQ(message.details.contains(QStringLiteral("libftd2xx")), c.usbAdvice) << qPrintable(message.details);
    }
}
