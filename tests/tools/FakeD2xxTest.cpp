// The fake libftd2xx.so, loaded with dlopen as the program loads the real
// one, talking to a module simulator on a pty.

#include "SimHarness.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <dlfcn.h>

namespace {

typedef unsigned long FT_STATUS;
typedef void *FT_HANDLE;
typedef unsigned long DWORD;

constexpr FT_STATUS kOk = 0;
constexpr FT_STATUS kInvalidHandle = 1;
constexpr FT_STATUS kDeviceNotFound = 2;
constexpr FT_STATUS kDeviceNotOpened = 3;
constexpr FT_STATUS kIoError = 4;
constexpr DWORD kByDescription = 2;
const char kDescription[] = "Tarvello parking system";

const char *const kEntryPoints[] = {
    "FT_OpenEx",     "FT_Close",     "FT_Read",         "FT_Write",           "FT_SetBaudRate", "FT_SetDataCharacteristics",
    "FT_SetFlowControl", "FT_Purge", "FT_SetTimeouts",  "FT_SetBitMode",      "FT_SetUSBParameters", "FT_SetDtr",
    "FT_ClrDtr",     "FT_SetRts",    "FT_ClrRts",       "FT_SetLatencyTimer", "FT_GetDeviceInfo",
};

// The entry points the tests call, bound by name.
struct D2xx {
    void *library = nullptr;
    FT_STATUS (*OpenEx)(void *, DWORD, FT_HANDLE *) = nullptr;
    FT_STATUS (*Close)(FT_HANDLE) = nullptr;
    FT_STATUS (*Read)(FT_HANDLE, void *, DWORD, DWORD *) = nullptr;
    FT_STATUS (*Write)(FT_HANDLE, void *, DWORD, DWORD *) = nullptr;
    FT_STATUS (*SetBaudRate)(FT_HANDLE, unsigned long) = nullptr;
    FT_STATUS (*SetDataCharacteristics)(FT_HANDLE, unsigned char, unsigned char, unsigned char) = nullptr;
    FT_STATUS (*Purge)(FT_HANDLE, unsigned long) = nullptr;
    FT_STATUS (*SetTimeouts)(FT_HANDLE, unsigned long, unsigned long) = nullptr;
    FT_STATUS (*SetLatencyTimer)(FT_HANDLE, unsigned char) = nullptr;
    FT_STATUS (*GetDeviceInfo)(FT_HANDLE, unsigned long *, DWORD *, char *, char *, void *) = nullptr;

    template <typename F>
    void Bind(F *&f, const char *name)
    {
        f = reinterpret_cast<F *>(dlsym(library, name));
    }
    explicit D2xx(const QString &path)
    {
        library = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!library)
            return;
        Bind(OpenEx, "FT_OpenEx");
        Bind(Close, "FT_Close");
        Bind(Read, "FT_Read");
        Bind(Write, "FT_Write");
        Bind(SetBaudRate, "FT_SetBaudRate");
        Bind(SetDataCharacteristics, "FT_SetDataCharacteristics");
        Bind(Purge, "FT_Purge");
        Bind(SetTimeouts, "FT_SetTimeouts");
        Bind(SetLatencyTimer, "FT_SetLatencyTimer");
        Bind(GetDeviceInfo, "FT_GetDeviceInfo");
    }
    bool Complete() const
    {
        return library && OpenEx && Close && Read && Write && SetBaudRate && SetDataCharacteristics && Purge
            && SetTimeouts && SetLatencyTimer && GetDeviceInfo;
    }

    FT_STATUS Open(FT_HANDLE *handle) { return OpenEx(const_cast<char *>(kDescription), kByDescription, handle); }
    FT_STATUS Send(FT_HANDLE h, std::string bytes)
    {
        DWORD written = 0;
        const FT_STATUS status = Write(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written);
        return status == kOk && written == bytes.size() ? kOk : kIoError;
    }
    // Reads in calls of up to 512 bytes until `want` bytes came, a read
    // fails, or the deadline passes.
    std::string Receive(FT_HANDLE h, std::size_t want, FT_STATUS *last = nullptr)
    {
        std::string got;
        for (int i = 0; i < kWaitMs / 10 && got.size() < want; ++i) {
            char buffer[512];
            DWORD n = 0;
            const FT_STATUS status = Read(h, buffer, static_cast<DWORD>(std::min<std::size_t>(512, want - got.size())), &n);
            got.append(buffer, n);
            if (last)
                *last = status;
            if (status != kOk)
                break;
        }
        return got;
    }
};

QString FakeLibrary()
{
    return qEnvironmentVariable("TARVELLO_FAKE_D2XX");
}

class FakeD2xx : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(FakeLibrary().isEmpty()) << "TARVELLO_FAKE_D2XX is not set";
        ASSERT_TRUE(api_.Complete()) << dlerror();
        ASSERT_TRUE(dir_.isValid());
        qputenv("TARVELLO_FAKE_D2XX_LOG", QFile::encodeName(dir_.filePath("d2xx.log")));
    }
    void TearDown() override
    {
        for (const char *name : {"TARVELLO_FAKE_D2XX_PTY", "TARVELLO_FAKE_D2XX_LOG", "TARVELLO_FAKE_D2XX_FAIL",
                                 "TARVELLO_FAKE_D2XX_NODEVICE", "TARVELLO_FAKE_D2XX_SERIAL"})
            qunsetenv(name);
    }
    void UseLine(const std::string &path) { qputenv("TARVELLO_FAKE_D2XX_PTY", QByteArray::fromStdString(path)); }
    std::string Path(const char *name) const { return dir_.filePath(QString::fromLatin1(name)).toStdString(); }
    std::vector<std::string> CallLog() const { return ReadLines(Path("d2xx.log")); }

    D2xx api_{FakeLibrary()};
    QTemporaryDir dir_;
};

} // namespace

TEST_F(FakeD2xx, ExportsEveryEntryPointAndTheMissingBuildLacksOnlyTheLatencyTimer)
{
    for (const char *name : kEntryPoints)
        EXPECT_NE(dlsym(api_.library, name), nullptr) << name;

    const QString missing = QFileInfo(FakeLibrary()).absolutePath() + "/missing/libftd2xx.so";
    void *other = dlopen(missing.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(other, nullptr) << dlerror();
    EXPECT_NE(other, api_.library);
    for (const char *name : kEntryPoints) {
        if (std::strcmp(name, "FT_SetLatencyTimer") == 0) {
            EXPECT_EQ(dlsym(other, name), nullptr);
        } else {
            EXPECT_NE(dlsym(other, name), nullptr) << name;
        }
    }
    dlclose(other);
}

TEST_F(FakeD2xx, ExchangesBytesWithTheSimulatorAndLogsEveryCall)
{
    SimProcess sim({"--log", QString::fromStdString(Path("module.log"))});
    ASSERT_TRUE(sim.Started());
    UseLine(sim.SlavePath());

    FT_HANDLE h = nullptr;
    ASSERT_EQ(api_.Open(&h), kOk);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(api_.SetBaudRate(h, 57600), kOk);
    EXPECT_EQ(api_.SetDataCharacteristics(h, 8, 0, 0), kOk);
    EXPECT_EQ(api_.SetTimeouts(h, 100, 100), kOk);
    EXPECT_EQ(api_.SetLatencyTimer(h, 2), kOk);
    EXPECT_EQ(api_.Purge(h, 3), kOk);

    EXPECT_EQ(api_.Send(h, "ATT\r"), kOk);
    EXPECT_EQ(api_.Receive(h, 11), "ATT\rERROR\r\n");
    const std::string frame = BlockFrame(0xD0000, 5);
    EXPECT_EQ(api_.Send(h, frame), kOk);
    EXPECT_EQ(api_.Receive(h, 265 + 6), frame + "\r\nOK\r\n");
    EXPECT_EQ(api_.Send(h, "ATB0X000D0000\r"), kOk);
    EXPECT_EQ(api_.Receive(h, 14 + 256 + 6), "ATB0X000D0000\r" + frame.substr(8, 256) + "\r\nOK\r\n");

    unsigned long type = 0;
    DWORD id = 0;
    char serial[16];
    char description[64];
    std::memset(serial, 'x', sizeof serial);
    EXPECT_EQ(api_.GetDeviceInfo(h, &type, &id, serial, description, nullptr), kOk);
    EXPECT_STREQ(serial, "12345678");
    EXPECT_STREQ(description, kDescription);
    EXPECT_EQ(api_.Close(h), kOk);

    const auto calls = CallLog();
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(calls[0], "FT_OpenEx \"Tarvello parking system\" 2 ptr");
    EXPECT_EQ(calls[1], "FT_SetBaudRate ptr 57600");
    EXPECT_EQ(calls[2], "FT_SetDataCharacteristics ptr 8 0 0");
    EXPECT_EQ(calls[3], "FT_SetTimeouts ptr 100 100");
    EXPECT_EQ(calls[4], "FT_SetLatencyTimer ptr 2");
    EXPECT_EQ(calls[5], "FT_Purge ptr 3");
    EXPECT_EQ(calls[6], "FT_Write ptr ptr 4 ptr");
    EXPECT_EQ(calls[7], "FT_Read ptr ptr 11 ptr");
    EXPECT_EQ(calls[calls.size() - 2], "FT_GetDeviceInfo ptr ptr ptr ptr ptr null");
    EXPECT_EQ(calls.back(), "FT_Close ptr");

    // The simulator saw the commands at the speed the library set.
    EXPECT_EQ(WaitForLines(Path("module.log"), 3)[0], "57600 ATT\\r");
}

TEST_F(FakeD2xx, SerialNumberComesFromTheEnvironmentAndFitsItsBuffer)
{
    SimProcess sim({});
    ASSERT_TRUE(sim.Started());
    UseLine(sim.SlavePath());
    FT_HANDLE h = nullptr;
    ASSERT_EQ(api_.Open(&h), kOk);
    const std::pair<const char *, const char *> cases[] = {
        {"A1B2", "A1B2"},
        {"0000012345", "0000012345"},
        {"123456789012345678901234567890", "123456789012345"}, // 15 characters and the terminator
    };
    for (const auto &[value, expected] : cases) {
        qputenv("TARVELLO_FAKE_D2XX_SERIAL", value);
        char serial[16 + 8];
        std::memset(serial, '#', sizeof serial);
        char description[64];
        ASSERT_EQ(api_.GetDeviceInfo(h, nullptr, nullptr, serial, description, nullptr), kOk);
        EXPECT_STREQ(serial, expected);
        EXPECT_EQ(serial[16], '#') << "wrote past the 16-byte serial buffer";
    }
    EXPECT_EQ(api_.Close(h), kOk);
}

TEST_F(FakeD2xx, OpenFindsOnlyTheModuleByItsDescription)
{
    SimProcess sim({});
    ASSERT_TRUE(sim.Started());
    FT_HANDLE h = reinterpret_cast<FT_HANDLE>(1);

    // No line configured, a line that does not exist, no device switch.
    EXPECT_EQ(api_.Open(&h), kDeviceNotFound);
    EXPECT_EQ(h, nullptr);
    UseLine(Path("no-such-pty"));
    EXPECT_EQ(api_.Open(&h), kDeviceNotFound);
    UseLine(sim.SlavePath());
    qputenv("TARVELLO_FAKE_D2XX_NODEVICE", "1");
    EXPECT_EQ(api_.Open(&h), kDeviceNotFound);
    qunsetenv("TARVELLO_FAKE_D2XX_NODEVICE");

    // Another description, or opening by serial number (flag 1).
    char other[] = "Some other bridge";
    EXPECT_EQ(api_.OpenEx(other, kByDescription, &h), kDeviceNotFound);
    EXPECT_EQ(api_.OpenEx(const_cast<char *>(kDescription), 1, &h), kDeviceNotFound);

    // The right one opens once; a second open while it is held is refused.
    ASSERT_EQ(api_.Open(&h), kOk);
    FT_HANDLE second = nullptr;
    EXPECT_EQ(api_.Open(&second), kDeviceNotOpened);
    EXPECT_EQ(api_.Close(h), kOk);
    // A closed handle is no handle any more.
    EXPECT_EQ(api_.Close(h), kInvalidHandle);
    EXPECT_EQ(api_.Purge(h, 3), kInvalidHandle);
    ASSERT_EQ(api_.Open(&second), kOk);
    EXPECT_EQ(api_.Close(second), kOk);
}

TEST_F(FakeD2xx, FailSwitchMakesTheNamedCallsReturnIoError)
{
    SimProcess sim({});
    ASSERT_TRUE(sim.Started());
    UseLine(sim.SlavePath());
    FT_HANDLE h = nullptr;
    ASSERT_EQ(api_.Open(&h), kOk);
    qputenv("TARVELLO_FAKE_D2XX_FAIL", "FT_Purge, FT_SetLatencyTimer");
    EXPECT_EQ(api_.Purge(h, 3), kIoError);
    EXPECT_EQ(api_.SetLatencyTimer(h, 2), kIoError);
    EXPECT_EQ(api_.SetBaudRate(h, 57600), kOk);
    EXPECT_EQ(api_.SetTimeouts(h, 10, 10), kOk);
    qputenv("TARVELLO_FAKE_D2XX_FAIL", "FT_OpenEx");
    FT_HANDLE second = nullptr;
    EXPECT_EQ(api_.Open(&second), kIoError);
    qunsetenv("TARVELLO_FAKE_D2XX_FAIL");
    EXPECT_EQ(api_.Purge(h, 3), kOk);
    EXPECT_EQ(api_.Close(h), kOk);
    // Failed calls are logged like any other.
    const auto calls = CallLog();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "FT_SetLatencyTimer ptr 2"), calls.end());
}

TEST_F(FakeD2xx, BaudRateDecidesWhetherTheSimulatorAnswers)
{
    SimProcess sim({"--speeds", "57600", "--log", QString::fromStdString(Path("module.log"))});
    ASSERT_TRUE(sim.Started());
    UseLine(sim.SlavePath());
    FT_HANDLE h = nullptr;
    ASSERT_EQ(api_.Open(&h), kOk);
    ASSERT_EQ(api_.SetBaudRate(h, 9600), kOk);
    ASSERT_EQ(api_.Send(h, "ATT\r"), kOk);
    EXPECT_EQ(WaitForLines(Path("module.log"), 1), std::vector<std::string>{"NOISE 9600 ATT\\r"});
    DWORD got = 99;
    char buffer[16];
    EXPECT_EQ(api_.Read(h, buffer, sizeof buffer, &got), kOk);
    EXPECT_EQ(got, 0u);

    ASSERT_EQ(api_.SetBaudRate(h, 57600), kOk);
    ASSERT_EQ(api_.Send(h, "ATT\r"), kOk);
    EXPECT_EQ(api_.Receive(h, 11), "ATT\rERROR\r\n");
    EXPECT_EQ(api_.Close(h), kOk);
}

TEST_F(FakeD2xx, HangUpOfTheModuleIsAnIoError)
{
    SimProcess sim({"--hangup-after", "4"});
    ASSERT_TRUE(sim.Started());
    UseLine(sim.SlavePath());
    FT_HANDLE h = nullptr;
    ASSERT_EQ(api_.Open(&h), kOk);
    ASSERT_EQ(api_.Send(h, "ATT\r"), kOk);
    FT_STATUS last = kOk;
    // The reply to the last command still arrives, then the line is gone.
    EXPECT_EQ(api_.Receive(h, 1000, &last), "ATT\rERROR\r\n");
    EXPECT_EQ(last, kIoError);
    EXPECT_EQ(sim.WaitForExit(), 0);
    EXPECT_EQ(api_.Close(h), kOk);
}
