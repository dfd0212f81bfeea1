#include "UsbLink.h"

#include <QFile>

#include <array>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstring>
#include <thread>

#include <dlfcn.h>
#include <locale.h>

using namespace D2xx;

namespace {

using Clock = std::chrono::steady_clock;

// Frames shorter than this lose their last byte (the "\n" of a text command).
constexpr unsigned kShortenBelowBytes = 200;
// Bytes per write, and the pause in µs after each write.
constexpr unsigned kChunkBytes = 4;
constexpr unsigned kPausePerChunkUs = 5000;
// The bridge waits this many times the command's time-out for its reply.
constexpr unsigned kTimeoutFactor = 4;
// Line settings: baud, and the read and write time-outs in ms (first the
// general value, then the one for the transfer sizes below).
constexpr ULONG kBaud = 57600;
constexpr ULONG kDefaultTimeoutMs = 10;
constexpr ULONG kTimeoutMs = 100;
// USB transfer sizes in bytes, in and out.
constexpr ULONG kTransferBytes = 4096;
// Latency timer in ms.
constexpr UCHAR kLatencyMs = 2;
// Size of the serial-number and description buffers given to the library.
constexpr std::size_t kInfoBufferBytes = 1024;
// Purge both directions.
constexpr ULONG kPurgeBoth = FT_PURGE_RX | FT_PURGE_TX;

constexpr const char *kDescription = "Tarvello parking system";

// The entry points, bound by name in this order.
enum Entry : std::size_t {
    kOpenEx, kClose, kRead, kWrite, kSetBaudRate, kSetDataCharacteristics, kSetFlowControl, kPurge,
    kSetTimeouts, kSetBitMode, kSetUSBParameters, kSetDtr, kClrDtr, kSetRts, kClrRts,
    kSetLatencyTimer, kGetDeviceInfo, kEntryCount
};
constexpr std::array<const char *, kEntryCount> kEntryNames = {
    "FT_OpenEx", "FT_Close", "FT_Read", "FT_Write", "FT_SetBaudRate", "FT_SetDataCharacteristics",
    "FT_SetFlowControl", "FT_Purge", "FT_SetTimeouts", "FT_SetBitMode", "FT_SetUSBParameters",
    "FT_SetDtr", "FT_ClrDtr", "FT_SetRts", "FT_ClrRts", "FT_SetLatencyTimer", "FT_GetDeviceInfo"};

// The process-wide table of bound entry points and the library's handle.
struct D2xxTable {
    void *library = nullptr;
    std::array<void *, kEntryCount> entries{};

    bool Bound() const { return entries[kOpenEx] != nullptr; }
    void Clear() { entries.fill(nullptr); }
    template <typename Function> Function Get(Entry entry) const
    {
        return reinterpret_cast<Function>(entries[entry]);
    }
};

D2xxTable &Table()
{
    static D2xxTable table;
    return table;
}

FT_HANDLE InvalidHandle() { return reinterpret_cast<FT_HANDLE>(static_cast<std::intptr_t>(-1)); }

unsigned long Low32(FT_STATUS status) { return status & 0xFFFFFFFFul; }

}  // namespace

std::optional<std::int32_t> ParseD2xxSerialNumber(const char *text)
{
    if (text == nullptr)
        return std::nullopt;
    while (*text != '\0' && std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    if (*text == '+')
        ++text;
    std::int32_t value = 0;
    const char *end = text + std::strlen(text);
    const auto [next, error] = std::from_chars(text, end, value, 10);
    if (error != std::errc() || next == text)
        return std::nullopt;
    return value;
}

UsbLink::UsbLink() = default;

UsbLink::~UsbLink()
{
    if (HandleValid() && Table().Bound())
        Table().Get<FT_Close_t>(kClose)(handle_);
}

QString UsbLink::LibraryName()
{
    const QString overridden = qEnvironmentVariable("TARVELLO_D2XX_LIBRARY");
    return overridden.isEmpty() ? QStringLiteral("libftd2xx.so") : overridden;
}

const char *UsbLink::DeviceDescription() { return kDescription; }

bool UsbLink::HandleValid() const { return handle_ != nullptr && handle_ != InvalidHandle(); }

LinkResult UsbLink::Fail(UsbError error, const QString &detail, unsigned long status)
{
    D2xxTable &table = Table();
    if (HandleValid() && table.Bound())
        table.Get<FT_Close_t>(kClose)(handle_);
    handle_ = InvalidHandle();
    table.Clear();
    error_ = error;
    errorDetail_ = detail;
    errorStatus_ = status;
    return kLinkFail;
}

LinkResult UsbLink::Open(int port)
{
    if (HandleValid())
        Close();
    portArgument_ = port;
    OpenedWith(port);
    error_ = UsbError::None;
    errorDetail_.clear();
    errorStatus_ = 0;

    D2xxTable &table = Table();
    const QString libraryName = LibraryName();
    // The loader's message in its own untranslated words, whatever the
    // user's locale, so that the search can tell its causes apart.
    const locale_t plain = ::newlocale(LC_ALL_MASK, "C", locale_t{});
    const locale_t previous = plain != locale_t{} ? ::uselocale(plain) : locale_t{};
    void *library = ::dlopen(QFile::encodeName(libraryName).constData(), RTLD_NOW | RTLD_LOCAL);
    const char *why = library == nullptr ? ::dlerror() : nullptr;
    const QString loaderMessage = why != nullptr ? QString::fromLocal8Bit(why) : libraryName;
    if (plain != locale_t{}) {
        ::uselocale(previous);
        ::freelocale(plain);
    }
    if (library == nullptr)
        return Fail(UsbError::LibraryMissing, loaderMessage);
    table.library = library;  // never unloaded
    for (std::size_t i = 0; i < kEntryCount; ++i) {
        table.entries[i] = ::dlsym(library, kEntryNames[i]);
        if (table.entries[i] == nullptr)
            return Fail(UsbError::EntryPointMissing, QString::fromLatin1(kEntryNames[i]));
    }

    auto failed = [this](Entry entry, FT_STATUS status) {
        return Fail(Low32(status) == FT_DEVICE_NOT_FOUND && entry == kOpenEx ? UsbError::NoDevice
                                                                             : UsbError::CallFailed,
                    QString::fromLatin1(kEntryNames[entry]), Low32(status));
    };

    FT_HANDLE handle = nullptr;
    FT_STATUS status = table.Get<FT_OpenEx_t>(kOpenEx)(const_cast<char *>(kDescription),
                                                      FT_OPEN_BY_DESCRIPTION, &handle);
    if (!D2xxStatusIsOk(status))
        return failed(kOpenEx, status);
    handle_ = handle;
    if (!HandleValid())
        return failed(kOpenEx, status);

    status = table.Get<FT_SetBaudRate_t>(kSetBaudRate)(handle_, kBaud);
    if (!D2xxStatusIsOk(status))
        return failed(kSetBaudRate, status);
    status = table.Get<FT_SetDataCharacteristics_t>(kSetDataCharacteristics)(handle_, FT_BITS_8,
                                                                             FT_STOP_BITS_1, FT_PARITY_NONE);
    if (!D2xxStatusIsOk(status))
        return failed(kSetDataCharacteristics, status);
    status = table.Get<FT_SetFlowControl_t>(kSetFlowControl)(handle_, FT_FLOW_NONE, 0, 0);
    if (!D2xxStatusIsOk(status))
        return failed(kSetFlowControl, status);
    status = table.Get<FT_SetTimeouts_t>(kSetTimeouts)(handle_, kDefaultTimeoutMs, kDefaultTimeoutMs);
    if (!D2xxStatusIsOk(status))
        return failed(kSetTimeouts, status);
    // The longer time-outs go with the large transfers; their result is not
    // needed (the short ones above already work).
    table.Get<FT_SetTimeouts_t>(kSetTimeouts)(handle_, kTimeoutMs, kTimeoutMs);
    status = table.Get<FT_SetUSBParameters_t>(kSetUSBParameters)(handle_, kTransferBytes, kTransferBytes);
    if (!D2xxStatusIsOk(status))
        return failed(kSetUSBParameters, status);
    status = table.Get<FT_SetLatencyTimer_t>(kSetLatencyTimer)(handle_, kLatencyMs);
    if (!D2xxStatusIsOk(status))
        return failed(kSetLatencyTimer, status);

    FT_DEVICE type = 0;
    DWORD id = 0;
    std::array<char, kInfoBufferBytes> serial{};
    std::array<char, kInfoBufferBytes> description{};
    status = table.Get<FT_GetDeviceInfo_t>(kGetDeviceInfo)(handle_, &type, &id, serial.data(),
                                                          description.data(), nullptr);
    if (!D2xxStatusIsOk(status))
        return failed(kGetDeviceInfo, status);
    serial.back() = '\0';
    if (const std::optional<std::int32_t> number = ParseD2xxSerialNumber(serial.data()))
        serialNumber_ = *number;
    return kLinkOk;
}

int UsbLink::Close()
{
    ForgetLoss();
    int result = 0;
    if (HandleValid() && Table().Bound())
        result = static_cast<int>(Low32(Table().Get<FT_Close_t>(kClose)(handle_)));
    handle_ = InvalidHandle();
    return result;
}

int UsbLink::Probe() { return HandleValid() ? 0 : 1; }

LinkResult UsbLink::Transact(const std::uint8_t *bytes, unsigned length, unsigned timeoutMs,
                             unsigned extraBytes)
{
    reply_.fill(0);
    replyLength_ = 0;
    ReopenIfLost();
    const D2xxTable &table = Table();
    if (!HandleValid() || !table.Bound() || (bytes == nullptr && length > 0))
        return kLinkFail;

    table.Get<FT_Purge_t>(kPurge)(handle_, kPurgeBoth);
    const unsigned sent = (length > 0 && length < kShortenBelowBytes) ? length - 1 : length;

    const auto write = table.Get<FT_Write_t>(kWrite);
    for (unsigned offset = 0; offset < sent; offset += kChunkBytes) {
        const unsigned chunk = std::min(kChunkBytes, sent - offset);
        DWORD written = 0;
        const FT_STATUS status = write(handle_, const_cast<std::uint8_t *>(bytes + offset), chunk, &written);
        if (!D2xxStatusIsOk(status))
            return LostInExchange();  // the bridge is gone: nothing will come back
        BusyWaitMicroseconds(kPausePerChunkUs);
    }

    const auto read = table.Get<FT_Read_t>(kRead);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(timeoutMs) * kTimeoutFactor);
    std::size_t received = 0;
    std::uint8_t overflow[Protocol::kReadChunk];
    while (Clock::now() < deadline) {
        const std::size_t room = reply_.size() - received;
        const std::size_t ask = std::min(Protocol::kReadChunk, room);
        // A full reply buffer without a verdict: drain into scratch space
        // until the deadline, never past the buffer.
        std::uint8_t *target = ask > 0 ? reply_.data() + received : overflow;
        DWORD got = 0;
        const Clock::time_point before = Clock::now();
        const FT_STATUS status = read(handle_, target, static_cast<DWORD>(ask > 0 ? ask : sizeof overflow), &got);
        if (!D2xxStatusIsOk(status))
            return LostInExchange();  // the bridge is gone
        got = std::min<DWORD>(got, ask > 0 ? ask : sizeof overflow);
        if (got == 0) {
            // The library waits its read time-out itself; one that returns
            // at once must not make this loop spin.
            if (Clock::now() - before < std::chrono::milliseconds(1))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        if (ask == 0)
            continue;
        received += got;
        replyLength_ = received;
        const ReplyVerdict verdict = JudgeReply(received, sent, extraBytes);
        if (verdict == ReplyVerdict::Ok)
            return kLinkOk;
        if (verdict == ReplyVerdict::Error)
            return kLinkFail;
    }
    return kLinkFail;
}
