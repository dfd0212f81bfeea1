#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Result of every module command: 0 for success, E_FAIL when the module
// refused the command or did not answer in time. Negative means failed.
using LinkResult = std::int32_t;
constexpr LinkResult kLinkOk = 0;
constexpr LinkResult kLinkFail = static_cast<LinkResult>(0x80004005u);

// The TRX-G-K4 command protocol: every constant named once, with its unit.
namespace Protocol {
// Size of the command buffer and of the reply buffer, in bytes.
constexpr std::size_t kBufferSize = 1024;
// Most bytes one read may ask for.
constexpr std::size_t kReadChunk = 512;
// Size of one picture block, in bytes.
constexpr std::size_t kBlockSize = 256;
// Length of the "ATA" block frame: "ATA", address, filler, data, filler.
constexpr unsigned kBlockFrameLength = 265;
// Offset of the data in the block frame and of the address.
constexpr std::size_t kBlockFrameAddressOffset = 3;
constexpr std::size_t kBlockFrameDataOffset = 8;
// Length of "ATB0X%08X\r" as the module receives it: where the read-back
// data starts in the reply.
constexpr std::size_t kReadBlockEchoLength = 14;

// ms to wait for the reply of a display or option command.
constexpr unsigned kDisplayTimeoutMs = 200;
// ms to wait for the reply of the sensor, erase, store and "L" commands.
constexpr unsigned kCommandTimeoutMs = 1000;
// ms to wait for the block write reply.
constexpr unsigned kBlockWriteTimeoutMs = 50000;
// ms to wait for the block read-back reply.
constexpr unsigned kBlockReadTimeoutMs = 5000;
// ms to wait for the presence check reply on a COM port.
constexpr unsigned kProbeTimeoutMs = 100;
// Largest vertical grid shift the module takes; larger values are sent as it.
constexpr unsigned kMaxGridShiftY = 100;

// Presence check: the command and the reply that proves a module is there
// (its echo followed at once by "ERROR").
constexpr char kProbeCommand[] = "ATT\r\n";
constexpr char kProbeReply[] = "ATT\rERROR";
}  // namespace Protocol

// The link to the module. Used by itself it is the demo link: every command
// succeeds without any input or output. The transports override Open, Close,
// Probe and Transact; the command operations only format the command into
// the shared command buffer and return what Transact returns.
// Single-threaded: every exchange blocks the calling thread.
class DeviceLink {
public:
    DeviceLink();
    virtual ~DeviceLink();  // destroying does not close
    DeviceLink(const DeviceLink &) = delete;
    DeviceLink &operator=(const DeviceLink &) = delete;

    // Opens the transport; the demo link only remembers the argument.
    virtual LinkResult Open(int port);
    virtual int Close();
    // 0 when the module is there.
    virtual int Probe();
    // Whether a module answers on this link. The demo link answers every
    // command itself, so what it reads back is not the module's memory.
    virtual bool HasModule() const { return false; }

    virtual LinkResult SetSensorIndicator(int on);
    virtual LinkResult SetIndicatorX(int x);
    virtual LinkResult SetIndicatorY(int y);
    // Shows the device error box for a negative result; returns the result.
    virtual LinkResult ReportError(LinkResult result);
    virtual LinkResult SelectScreen(int n);
    virtual LinkResult EraseArea(int n);
    // Sends the 265-byte block frame; the two filler bytes keep whatever the
    // command buffer held before.
    virtual LinkResult WriteBlock(std::uint32_t address, const std::uint8_t data[256]);
    // Reads back 256 bytes; when destination is given they are copied there
    // whatever the result.
    virtual LinkResult ReadBlock(std::uint32_t address, std::uint8_t *destination);
    // ReadBlock for a copy of the module's memory: succeeds only when the
    // reply is exactly the echo of the command, the 256 bytes and an answer
    // that holds "OK" and nothing but line ends, so that noise on the line
    // never passes for the module's bytes. "OK" within the data does not end
    // the exchange. The demo link has nothing to check.
    virtual LinkResult ReadBlockExact(std::uint32_t address, std::uint8_t *destination);
    virtual LinkResult SetLineBrightness(int v);
    virtual LinkResult SetBackgroundBrightness(int v);
    virtual LinkResult SetGridShiftY(unsigned v);
    virtual LinkResult SetGridShiftX(int v);
    virtual LinkResult SetMirroring(int m);
    virtual LinkResult SetWarningTime(int t);
    virtual LinkResult StoreSettings();
    virtual LinkResult CommandL();

    // Sends `length` bytes and waits up to timeoutMs for a reply holding "OK"
    // or "ERROR" after more than the sent bytes plus extraBytes. The demo
    // link returns success without any input or output.
    virtual LinkResult Transact(const std::uint8_t *bytes, unsigned length, unsigned timeoutMs,
                                unsigned extraBytes);

    // The module's serial number; 0 unless a USB module reported one.
    std::int32_t SerialNumber() const;
    // Which opening of a port this is: a number of the program's own, new
    // for every successful Open (also a reopening after a pulled cable), 0
    // before the first. A module behind a new opening may be another one,
    // even with the same serial number (every module on a COM port has 0).
    std::uint64_t Opening() const { return opening_; }

    // Spins (does not sleep) for `us` microseconds: the byte pacing.
    static void BusyWaitMicroseconds(unsigned us);

protected:
    // Formats a text command into the command buffer and sends it.
    LinkResult SendFormatted(unsigned timeoutMs, unsigned extraBytes, const char *format, ...)
        __attribute__((format(printf, 4, 5)));

    // Remembers what a plain answer (after an echo of echoLength bytes, with
    // no data) starts with before its "OK", for ReadBlockExact.
    void NoteAnswerLead(std::size_t echoLength);

    // Verdict of the reply collected so far (the first `received` bytes of the
    // reply buffer, of which `sent` were the echo): Ok on "OK", Error on
    // "ERROR" ("OK" wins), Pending while more bytes are needed.
    enum class ReplyVerdict { Pending, Ok, Error };
    ReplyVerdict JudgeReply(std::size_t received, unsigned sent, unsigned extraBytes) const;

    // A pulled cable: a transport lets go of a device lost in an exchange
    // and calls LostInExchange; the next exchange starts with ReopenIfLost,
    // which opens it again with the argument of the last Open, so that the
    // program goes on when the cable is back. Open calls OpenedWith, Close
    // calls ForgetLoss.
    LinkResult LostInExchange();  // returns kLinkFail
    void ReopenIfLost();
    void OpenedWith(int argument);
    void ForgetLoss() { reopenAtNextExchange_ = false; }

    std::int32_t serialNumber_ = 0;
    // Bytes of the last exchange in arrival order; zeroed when one starts.
    std::array<std::uint8_t, Protocol::kBufferSize> reply_{};
    // How many of them arrived (the transports set it).
    std::size_t replyLength_ = 0;
    // The last command sent; shared by every command and never cleared.
    std::array<std::uint8_t, Protocol::kBufferSize> command_{};
    // The argument of the last Open.
    std::int32_t portArgument_ = 0;

private:
    int openArgument_ = 0;               // the last Open's own argument, for ReopenIfLost
    bool reopenAtNextExchange_ = false;  // the device was lost in an exchange
    bool exactBlockReply_ = false;       // judging a ReadBlockExact reply
    std::optional<std::string> answerLead_;  // the line ends before "OK" of this module's answers
    std::uint64_t opening_ = 0;
};
