#include "DeviceLink.h"

#include "UserMessage.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

DeviceLink::DeviceLink() = default;
DeviceLink::~DeviceLink() = default;

LinkResult DeviceLink::Open(int port)
{
    portArgument_ = port;
    return kLinkOk;
}

int DeviceLink::Close() { return 0; }

int DeviceLink::Probe() { return 0; }

LinkResult DeviceLink::SendFormatted(unsigned timeoutMs, unsigned extraBytes, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const int written = std::vsnprintf(reinterpret_cast<char *>(command_.data()), command_.size(),
                                       format, args);
    va_end(args);
    if (written < 0)
        return kLinkFail;
    const unsigned length = std::min<unsigned>(static_cast<unsigned>(written), command_.size() - 1);
    const LinkResult result = Transact(command_.data(), length, timeoutMs, extraBytes);
    if (result >= 0 && extraBytes == 0 && length > 0)
        NoteAnswerLead(length - 1);  // the module never gets the final "\n"
    return result;
}

void DeviceLink::NoteAnswerLead(std::size_t echoLength)
{
    const std::size_t length = std::min(replyLength_, reply_.size());
    if (length <= echoLength)
        return;
    const std::string_view answer(reinterpret_cast<const char *>(reply_.data()) + echoLength, length - echoLength);
    const std::size_t ok = answer.find("OK");
    // Only a plain answer teaches anything: line ends, "OK", line ends.
    if (ok == std::string_view::npos || answer.substr(0, ok).find_first_not_of("\r\n") != std::string_view::npos
        || answer.find_first_not_of("\r\n", ok + 2) != std::string_view::npos)
        return;
    answerLead_ = std::string(answer.substr(0, ok));
}

LinkResult DeviceLink::SetSensorIndicator(int on)
{
    return SendFormatted(Protocol::kCommandTimeoutMs, 0, "ATO%d\r\n", on);
}

LinkResult DeviceLink::SetIndicatorX(int x)
{
    return SendFormatted(Protocol::kCommandTimeoutMs, 0, "ATR%d\r\n", x);
}

LinkResult DeviceLink::SetIndicatorY(int y)
{
    return SendFormatted(Protocol::kCommandTimeoutMs, 0, "ATP%d\r\n", y);
}

LinkResult DeviceLink::ReportError(LinkResult result)
{
    if (result >= 0)
        return result;
    UserMessage message;
    message.text = QCoreApplication::translate(
        "DeviceLink",
        "При настройке устройства возникла ошибка.\n"
        "Проверьте соединительный кабель, питание и повторите операцию.");
    message.caption = ProgramCaption();
    message.icon = UserMessage::Icon::Error;
    ShowMessage(message);
    return result;
}

LinkResult DeviceLink::SelectScreen(int n)
{
    return SendFormatted(Protocol::kDisplayTimeoutMs, 0, "ATS%d\r\n", n);
}

LinkResult DeviceLink::EraseArea(int n)
{
    return SendFormatted(Protocol::kCommandTimeoutMs, 0, "ATE%d\r\n", n);
}

LinkResult DeviceLink::WriteBlock(std::uint32_t address, const std::uint8_t data[256])
{
    if (data == nullptr)
        return kLinkFail;
    // "ATA", the address little-endian, a filler byte, the data, a filler
    // byte. The fillers are not written: they keep the buffer's old bytes.
    command_[0] = 'A';
    command_[1] = 'T';
    command_[2] = 'A';
    for (std::size_t i = 0; i < 4; ++i)
        command_[Protocol::kBlockFrameAddressOffset + i] = static_cast<std::uint8_t>(address >> (8 * i));
    std::memcpy(command_.data() + Protocol::kBlockFrameDataOffset, data, Protocol::kBlockSize);
    return Transact(command_.data(), Protocol::kBlockFrameLength, Protocol::kBlockWriteTimeoutMs, 0);
}

LinkResult DeviceLink::ReadBlock(std::uint32_t address, std::uint8_t *destination)
{
    const LinkResult result = SendFormatted(Protocol::kBlockReadTimeoutMs,
                                            static_cast<unsigned>(Protocol::kBlockSize),
                                            "ATB0X%08X\r\n", static_cast<unsigned>(address));
    if (destination != nullptr)
        std::memcpy(destination, reply_.data() + Protocol::kReadBlockEchoLength, Protocol::kBlockSize);
    return result;
}

LinkResult DeviceLink::ReadBlockExact(std::uint32_t address, std::uint8_t *destination)
{
    exactBlockReply_ = true;
    const LinkResult result = ReadBlock(address, destination);
    exactBlockReply_ = false;
    if (result < 0 || !HasModule())
        return result;
    const std::size_t echo = Protocol::kReadBlockEchoLength, data = echo + Protocol::kBlockSize;
    const std::size_t length = std::min(replyLength_, reply_.size());
    if (length < data + 2 || std::memcmp(reply_.data(), command_.data(), echo) != 0)
        return kLinkFail;
    // The answer: "OK" once, after it only line ends, before it what this
    // module's plain answers start with, so that a byte lost from the data or
    // the answer shows; only line ends before any plain answer was seen.
    const std::string_view answer(reinterpret_cast<const char *>(reply_.data()) + data, length - data);
    const std::size_t ok = answer.find("OK");
    if (ok == std::string_view::npos || answer.find_first_not_of("\r\n", ok + 2) != std::string_view::npos)
        return kLinkFail;
    const std::string_view lead = answer.substr(0, ok);
    if (answerLead_ ? lead != *answerLead_ : lead.find_first_not_of("\r\n") != std::string_view::npos)
        return kLinkFail;
    return result;
}

LinkResult DeviceLink::SetLineBrightness(int v)
{
    return SendFormatted(Protocol::kDisplayTimeoutMs, 0, "ATG%d\r\n", v);
}

LinkResult DeviceLink::SetBackgroundBrightness(int v)
{
    return SendFormatted(Protocol::kDisplayTimeoutMs, 0, "ATH%d\r\n", v);
}

LinkResult DeviceLink::SetGridShiftY(unsigned v)
{
    return SendFormatted(Protocol::kDisplayTimeoutMs, 0, "ATK%u\r\n", std::min(v, Protocol::kMaxGridShiftY));
}

LinkResult DeviceLink::SetGridShiftX(int v)
{
    return SendFormatted(Protocol::kDisplayTimeoutMs, 0, "ATJ%d\r\n", v);
}

LinkResult DeviceLink::SetMirroring(int m)
{
    return SendFormatted(Protocol::kDisplayTimeoutMs, 0, "ATQ%d\r\n", m);
}

LinkResult DeviceLink::SetWarningTime(int t)
{
    return SendFormatted(Protocol::kDisplayTimeoutMs, 0, "ATF%d\r\n", t);
}

LinkResult DeviceLink::StoreSettings()
{
    return SendFormatted(Protocol::kCommandTimeoutMs, 0, "ATW\r\n");
}

LinkResult DeviceLink::CommandL()
{
    return SendFormatted(Protocol::kCommandTimeoutMs, 0, "ATL\r\n");
}

LinkResult DeviceLink::Transact(const std::uint8_t *, unsigned, unsigned, unsigned)
{
    return kLinkOk;
}

std::int32_t DeviceLink::SerialNumber() const { return serialNumber_; }

void DeviceLink::BusyWaitMicroseconds(unsigned us)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point target = Clock::now() + std::chrono::microseconds(us);
    while (Clock::now() < target) {
    }
}

LinkResult DeviceLink::LostInExchange()
{
    Close();
    reopenAtNextExchange_ = true;
    return kLinkFail;
}

void DeviceLink::ReopenIfLost()
{
    if (reopenAtNextExchange_ && Open(openArgument_) != kLinkOk)
        reopenAtNextExchange_ = true;  // still gone: the next exchange tries again
}

void DeviceLink::OpenedWith(int argument)
{
    static std::atomic<std::uint64_t> openings{0};  // a reopening may come from the upload's worker
    opening_ = ++openings;
    answerLead_.reset();  // another module may answer otherwise
    openArgument_ = argument;
    reopenAtNextExchange_ = false;
}

DeviceLink::ReplyVerdict DeviceLink::JudgeReply(std::size_t received, unsigned sent,
                                                unsigned extraBytes) const
{
    if (received <= static_cast<std::size_t>(sent) + extraBytes)
        return ReplyVerdict::Pending;
    // The reply is read as text of at most 1023 characters in which a zero
    // byte is a blank; zero bytes never take part in a match.
    const std::size_t length = std::min(received, reply_.size() - 1);
    std::string_view text(reinterpret_cast<const char *>(reply_.data()), length);
    // For an exact block read only the answer after the data counts: the
    // data may hold "OK" or "ERROR" itself.
    if (exactBlockReply_)
        text.remove_prefix(std::min<std::size_t>(length, std::size_t(sent) + extraBytes));
    if (text.find("OK") != std::string_view::npos)
        return ReplyVerdict::Ok;
    if (text.find("ERROR") != std::string_view::npos)
        return ReplyVerdict::Error;
    return ReplyVerdict::Pending;
}
