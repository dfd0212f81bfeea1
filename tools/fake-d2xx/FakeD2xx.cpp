// A stand-in for FTDI's libftd2xx.so for tests: the entry points the setup
// program binds, with the signatures of the public D2XX programmer's guide,
// speaking to the module simulator through the pty slave named by
// TARVELLO_FAKE_D2XX_PTY.
//
// Switches (read at every call, so a test may change them between calls):
//   TARVELLO_FAKE_D2XX_PTY       path of the line to open (the simulator's pty)
//   TARVELLO_FAKE_D2XX_LOG       file; one line per call "FT_Name arg ...":
//                                numbers decimal, strings quoted, pointers
//                                "ptr" or "null"
//   TARVELLO_FAKE_D2XX_FAIL      FT_Name[,FT_Name...]: those calls return
//                                FT_IO_ERROR without doing anything
//   TARVELLO_FAKE_D2XX_NODEVICE  1: FT_OpenEx finds no device
//   TARVELLO_FAKE_D2XX_SERIAL    the serial-number string (default "12345678")
//
// Built twice: the second build (FAKE_D2XX_WITHOUT_LATENCY_TIMER) lacks
// FT_SetLatencyTimer, for tests of a library with an entry point missing.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

// Types as the programmer's guide names them; the same widths as the
// program's own declarations.
typedef unsigned long FT_STATUS;
typedef void *FT_HANDLE;
typedef unsigned long DWORD;
typedef unsigned short USHORT;
typedef unsigned char UCHAR;
typedef unsigned long ULONG;
typedef unsigned long FT_DEVICE;
typedef void *PVOID;
typedef void *LPVOID;
typedef DWORD *LPDWORD;
typedef char *PCHAR;

#define FAKE_D2XX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
};

constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
constexpr DWORD FT_PURGE_RX = 1;
constexpr DWORD FT_PURGE_TX = 2;
constexpr FT_DEVICE FT_DEVICE_232R = 5;
constexpr DWORD kDeviceId = 0x04036001; // vendor 0403, product 6001
constexpr const char *kDescription = "Tarvello parking system";
constexpr const char *kDefaultSerial = "12345678";
// The serial buffer of the guide holds 16 bytes, the description 64.
constexpr std::size_t kSerialRoom = 16;
constexpr std::size_t kDescriptionRoom = 64;
// Read and write time-outs until FT_SetTimeouts, ms.
constexpr DWORD kDefaultTimeoutMs = 10;

struct Device {
    int fd = -1;
    DWORD readTimeoutMs = kDefaultTimeoutMs;
    DWORD writeTimeoutMs = kDefaultTimeoutMs;
};

std::mutex g_mutex;            // guards g_devices and the log
std::set<Device *> g_devices;  // every open handle
FILE *g_log = nullptr;
std::string g_logPath;

std::string Env(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

std::string Ptr(const void *p)
{
    return p ? "ptr" : "null";
}

std::string Quote(const char *s)
{
    if (s == nullptr)
        return "null";
    std::string out = "\"";
    for (const char *c = s; *c; ++c) {
        if (*c == '"' || *c == '\\')
            out += '\\';
        out += *c;
    }
    return out + "\"";
}

void Log(const std::string &line)
{
    const std::string path = Env("TARVELLO_FAKE_D2XX_LOG");
    std::lock_guard lock(g_mutex);
    if (path != g_logPath) {
        if (g_log)
            std::fclose(g_log);
        g_log = path.empty() ? nullptr : std::fopen(path.c_str(), "a");
        g_logPath = path;
    }
    if (g_log) {
        std::fputs(line.c_str(), g_log);
        std::fputc('\n', g_log);
        std::fflush(g_log);
    }
}

// Logs the call; true when the test asked this call to fail.
bool Called(const char *name, const std::string &args)
{
    Log(args.empty() ? std::string(name) : std::string(name) + " " + args);
    std::string fail = "," + Env("TARVELLO_FAKE_D2XX_FAIL") + ",";
    std::erase_if(fail, [](char c) { return c == ' ' || c == '\t'; });
    return fail.find("," + std::string(name) + ",") != std::string::npos;
}

Device *Find(FT_HANDLE handle)
{
    std::lock_guard lock(g_mutex);
    auto *device = static_cast<Device *>(handle);
    return g_devices.count(device) ? device : nullptr;
}

speed_t SpeedOf(DWORD baud)
{
    switch (baud) {
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
    }
}

// Applies a change to the line settings; false when the line refuses.
template <typename Change>
bool ChangeLine(int fd, Change change)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    change(t);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

int Remaining(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

} // namespace

FAKE_D2XX_EXPORT FT_STATUS FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE *pHandle)
{
    const char *arg = static_cast<const char *>(pArg1);
    if (Called("FT_OpenEx", (Flags == FT_OPEN_BY_DESCRIPTION ? Quote(arg) : Ptr(pArg1)) + " "
                                + std::to_string(Flags) + " " + Ptr(pHandle)))
        return FT_IO_ERROR;
    if (pHandle == nullptr)
        return FT_INVALID_PARAMETER;
    *pHandle = nullptr;
    if (Env("TARVELLO_FAKE_D2XX_NODEVICE") == "1" || Flags != FT_OPEN_BY_DESCRIPTION || arg == nullptr
        || std::strcmp(arg, kDescription) != 0)
        return FT_DEVICE_NOT_FOUND;
    const std::string path = Env("TARVELLO_FAKE_D2XX_PTY");
    if (path.empty())
        return FT_DEVICE_NOT_FOUND;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? FT_DEVICE_NOT_FOUND : FT_DEVICE_NOT_OPENED;
    // One process at a time, as with the real bridge.
    const bool ready = flock(fd, LOCK_EX | LOCK_NB) == 0 && ChangeLine(fd, [](termios &t) {
        cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
        cfsetispeed(&t, B57600);
        cfsetospeed(&t, B57600);
    });
    if (!ready) {
        close(fd);
        return FT_DEVICE_NOT_OPENED;
    }
    auto *device = new Device;
    device->fd = fd;
    {
        std::lock_guard lock(g_mutex);
        g_devices.insert(device);
    }
    *pHandle = device;
    return FT_OK;
}

FAKE_D2XX_EXPORT FT_STATUS FT_Close(FT_HANDLE ftHandle)
{
    if (Called("FT_Close", Ptr(ftHandle)))
        return FT_IO_ERROR;
    std::lock_guard lock(g_mutex);
    auto *device = static_cast<Device *>(ftHandle);
    if (g_devices.erase(device) == 0)
        return FT_INVALID_HANDLE;
    close(device->fd);
    delete device;
    return FT_OK;
}

FAKE_D2XX_EXPORT FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned)
{
    if (Called("FT_Read", Ptr(ftHandle) + " " + Ptr(lpBuffer) + " " + std::to_string(dwBytesToRead) + " "
                              + Ptr(lpBytesReturned)))
        return FT_IO_ERROR;
    Device *device = Find(ftHandle);
    if (device == nullptr)
        return FT_INVALID_HANDLE;
    if (lpBytesReturned == nullptr || (lpBuffer == nullptr && dwBytesToRead > 0))
        return FT_INVALID_PARAMETER;
    *lpBytesReturned = 0;
    auto *out = static_cast<char *>(lpBuffer);
    DWORD got = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(device->readTimeoutMs);
    while (got < dwBytesToRead) {
        const ssize_t n = read(device->fd, out + got, dwBytesToRead - got);
        if (n > 0) {
            got += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN) {
            // The far end is gone (EIO on a pty whose master closed).
            *lpBytesReturned = got;
            return FT_IO_ERROR;
        }
        const int left = Remaining(deadline);
        if (left == 0)
            break;
        pollfd p{device->fd, POLLIN, 0};
        const int ready = poll(&p, 1, left);
        if (ready < 0 && errno != EINTR) {
            *lpBytesReturned = got;
            return FT_IO_ERROR;
        }
        if (ready > 0 && (p.revents & POLLIN) == 0) {
            *lpBytesReturned = got;
            return FT_IO_ERROR;
        }
    }
    *lpBytesReturned = got;
    return FT_OK;
}

FAKE_D2XX_EXPORT FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten)
{
    if (Called("FT_Write", Ptr(ftHandle) + " " + Ptr(lpBuffer) + " " + std::to_string(dwBytesToWrite) + " "
                               + Ptr(lpBytesWritten)))
        return FT_IO_ERROR;
    Device *device = Find(ftHandle);
    if (device == nullptr)
        return FT_INVALID_HANDLE;
    if (lpBytesWritten == nullptr || (lpBuffer == nullptr && dwBytesToWrite > 0))
        return FT_INVALID_PARAMETER;
    *lpBytesWritten = 0;
    const auto *in = static_cast<const char *>(lpBuffer);
    DWORD done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(device->writeTimeoutMs);
    while (done < dwBytesToWrite) {
        const ssize_t n = write(device->fd, in + done, dwBytesToWrite - done);
        if (n > 0) {
            done += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd p{device->fd, POLLOUT, 0};
            const int left = Remaining(deadline);
            if (left > 0 && poll(&p, 1, left) >= 0 && (p.revents & POLLOUT) != 0)
                continue;
            break; // time-out: report what went out, as the library does
        }
        *lpBytesWritten = done;
        return FT_IO_ERROR;
    }
    *lpBytesWritten = done;
    return FT_OK;
}

FAKE_D2XX_EXPORT FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate)
{
    if (Called("FT_SetBaudRate", Ptr(ftHandle) + " " + std::to_string(BaudRate)))
        return FT_IO_ERROR;
    Device *device = Find(ftHandle);
    if (device == nullptr)
        return FT_INVALID_HANDLE;
    const speed_t speed = SpeedOf(BaudRate);
    if (speed == B0)
        return FT_INVALID_BAUD_RATE;
    return ChangeLine(device->fd, [&](termios &t) {
        cfsetispeed(&t, speed);
        cfsetospeed(&t, speed);
    }) ? FT_OK : FT_IO_ERROR;
}

FAKE_D2XX_EXPORT FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, UCHAR WordLength, UCHAR StopBits, UCHAR Parity)
{
    if (Called("FT_SetDataCharacteristics", Ptr(ftHandle) + " " + std::to_string(WordLength) + " "
                                                + std::to_string(StopBits) + " " + std::to_string(Parity)))
        return FT_IO_ERROR;
    Device *device = Find(ftHandle);
    if (device == nullptr)
        return FT_INVALID_HANDLE;
    // FT_BITS_7/8; FT_STOP_BITS_1 = 0, FT_STOP_BITS_2 = 2; FT_PARITY_NONE,
    // ODD, EVEN = 0, 1, 2 (mark and space have no termios form).
    if ((WordLength != 7 && WordLength != 8) || (StopBits != 0 && StopBits != 2) || Parity > 2)
        return FT_INVALID_PARAMETER;
    return ChangeLine(device->fd, [&](termios &t) {
        t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD);
        t.c_cflag |= WordLength == 7 ? CS7 : CS8;
        if (StopBits == 2)
            t.c_cflag |= CSTOPB;
        if (Parity != 0)
            t.c_cflag |= PARENB | (Parity == 1 ? PARODD : 0);
    }) ? FT_OK : FT_IO_ERROR;
}

FAKE_D2XX_EXPORT FT_STATUS FT_SetFlowControl(FT_HANDLE ftHandle, USHORT FlowControl, UCHAR XonChar, UCHAR XoffChar)
{
    if (Called("FT_SetFlowControl", Ptr(ftHandle) + " " + std::to_string(FlowControl) + " "
                                        + std::to_string(XonChar) + " " + std::to_string(XoffChar)))
        return FT_IO_ERROR;
    if (Find(ftHandle) == nullptr)
        return FT_INVALID_HANDLE;
    // FT_FLOW_NONE, RTS_CTS, DTR_DSR, XON_XOFF. A pty has no flow control to
    // set, so the value is only checked.
    const bool known = FlowControl == 0 || FlowControl == 0x0100 || FlowControl == 0x0200 || FlowControl == 0x0400;
    return known ? FT_OK : FT_INVALID_PARAMETER;
}

FAKE_D2XX_EXPORT FT_STATUS FT_Purge(FT_HANDLE ftHandle, ULONG Mask)
{
    if (Called("FT_Purge", Ptr(ftHandle) + " " + std::to_string(Mask)))
        return FT_IO_ERROR;
    Device *device = Find(ftHandle);
    if (device == nullptr)
        return FT_INVALID_HANDLE;
    const bool rx = (Mask & FT_PURGE_RX) != 0;
    const bool tx = (Mask & FT_PURGE_TX) != 0;
    if (!rx && !tx)
        return FT_OK;
    return tcflush(device->fd, rx && tx ? TCIOFLUSH : rx ? TCIFLUSH : TCOFLUSH) == 0 ? FT_OK : FT_IO_ERROR;
}

FAKE_D2XX_EXPORT FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout)
{
    if (Called("FT_SetTimeouts", Ptr(ftHandle) + " " + std::to_string(ReadTimeout) + " "
                                     + std::to_string(WriteTimeout)))
        return FT_IO_ERROR;
    Device *device = Find(ftHandle);
    if (device == nullptr)
        return FT_INVALID_HANDLE;
    // 0 returns at once with what has come (the real library would wait
    // without limit); capped at a minute so that no call blocks a test for ever.
    device->readTimeoutMs = std::min<ULONG>(ReadTimeout, 60000);
    device->writeTimeoutMs = std::min<ULONG>(WriteTimeout, 60000);
    return FT_OK;
}

FAKE_D2XX_EXPORT FT_STATUS FT_SetBitMode(FT_HANDLE ftHandle, UCHAR ucMask, UCHAR ucEnable)
{
    if (Called("FT_SetBitMode", Ptr(ftHandle) + " " + std::to_string(ucMask) + " " + std::to_string(ucEnable)))
        return FT_IO_ERROR;
    return Find(ftHandle) ? FT_OK : FT_INVALID_HANDLE;
}

FAKE_D2XX_EXPORT FT_STATUS FT_SetUSBParameters(FT_HANDLE ftHandle, ULONG ulInTransferSize, ULONG ulOutTransferSize)
{
    if (Called("FT_SetUSBParameters", Ptr(ftHandle) + " " + std::to_string(ulInTransferSize) + " "
                                          + std::to_string(ulOutTransferSize)))
        return FT_IO_ERROR;
    return Find(ftHandle) ? FT_OK : FT_INVALID_HANDLE;
}

#define FAKE_D2XX_MODEM_LINE(name)                                                                                   \
    FAKE_D2XX_EXPORT FT_STATUS name(FT_HANDLE ftHandle)                                                               \
    {                                                                                                                 \
        if (Called(#name, Ptr(ftHandle)))                                                                             \
            return FT_IO_ERROR;                                                                                       \
        return Find(ftHandle) ? FT_OK : FT_INVALID_HANDLE;                                                            \
    }

FAKE_D2XX_MODEM_LINE(FT_SetDtr)
FAKE_D2XX_MODEM_LINE(FT_ClrDtr)
FAKE_D2XX_MODEM_LINE(FT_SetRts)
FAKE_D2XX_MODEM_LINE(FT_ClrRts)

#ifndef FAKE_D2XX_WITHOUT_LATENCY_TIMER
FAKE_D2XX_EXPORT FT_STATUS FT_SetLatencyTimer(FT_HANDLE ftHandle, UCHAR ucLatency)
{
    if (Called("FT_SetLatencyTimer", Ptr(ftHandle) + " " + std::to_string(ucLatency)))
        return FT_IO_ERROR;
    if (Find(ftHandle) == nullptr)
        return FT_INVALID_HANDLE;
    return ucLatency >= 2 ? FT_OK : FT_INVALID_PARAMETER; // the bridge takes 2..255 ms
}
#endif

FAKE_D2XX_EXPORT FT_STATUS FT_GetDeviceInfo(FT_HANDLE ftHandle, FT_DEVICE *lpftDevice, LPDWORD lpdwID,
                                            PCHAR SerialNumber, PCHAR Description, LPVOID Dummy)
{
    if (Called("FT_GetDeviceInfo", Ptr(ftHandle) + " " + Ptr(lpftDevice) + " " + Ptr(lpdwID) + " "
                                       + Ptr(SerialNumber) + " " + Ptr(Description) + " " + Ptr(Dummy)))
        return FT_IO_ERROR;
    if (Find(ftHandle) == nullptr)
        return FT_INVALID_HANDLE;
    if (lpftDevice)
        *lpftDevice = FT_DEVICE_232R;
    if (lpdwID)
        *lpdwID = kDeviceId;
    if (SerialNumber) {
        const char *serial = std::getenv("TARVELLO_FAKE_D2XX_SERIAL");
        std::snprintf(SerialNumber, kSerialRoom, "%s", serial ? serial : kDefaultSerial);
    }
    if (Description)
        std::snprintf(Description, kDescriptionRoom, "%s", kDescription);
    return FT_OK;
}
