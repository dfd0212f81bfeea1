#pragma once

#include "DeviceLink.h"
#include "PortHolder.h"

#include <QString>

#include <chrono>

// Why the last ComPortLink::Open failed, so that the user can be told what
// to do about it.
enum class OpenError {
    None,              // opened (or never tried)
    Missing,           // no such port or device
    Busy,              // held by another program
    PermissionDenied,  // the user may not open it (not in group dialout)
    NotATerminal,      // the path is not a serial device
    Other,             // any other failure; see the errno text
};

// Classifies the errno of a failed open() of a serial device.
OpenError OpenErrorFromErrno(int error);

// The link over a serial port (termios): raw 8N1 at 9600 or 57600 baud, no
// flow control, DTR and RTS held off, opened exclusively.
class ComPortLink : public DeviceLink {
public:
    ComPortLink();
    ~ComPortLink() override;  // closes a port still open (the fd is ours)

    // Low 8 bits of `port`: the COM number; `port` > 255 selects 57600 baud,
    // else 9600. Closes a port that is still open first.
    LinkResult Open(int port) override;
    bool HasModule() const override { return true; }
    int Close() override;
    // Sends "ATT" and looks for its echo followed by "ERROR" (100 ms).
    int Probe() override;
    LinkResult Transact(const std::uint8_t *bytes, unsigned length, unsigned timeoutMs,
                        unsigned extraBytes) override;

    // About the last Open.
    OpenError LastOpenError() const { return openError_; }
    QString LastOpenErrorText() const { return openErrorText_; }  // strerror text or empty
    QString DevicePath() const { return devicePath_; }            // empty when COM N has none
    // The program found holding the port open (the open then failed Busy).
    const std::optional<PortHolder> &Holder() const { return holder_; }
    // Whether anything at all came back to the last presence check: a port
    // where something answers, but not as the module does.
    bool ProbeHeardSomething() const { return probeHeard_; }
    int BaudRate() const { return baud_; }
    bool IsOpen() const { return fd_ >= 0; }

    // Baud rate of the argument of Open.
    static int BaudForPort(int port);

private:
    LinkResult FailOpen(OpenError error, int errnoValue);
    bool WriteByte(std::uint8_t byte, unsigned timeoutMs);

    int fd_ = -1;
    int baud_ = 0;
    QString devicePath_;
    bool probeHeard_ = false;
    OpenError openError_ = OpenError::None;
    QString openErrorText_;
    std::optional<PortHolder> holder_;
    // The line rests after every exchange before the next one starts; the
    // rest is taken at the next exchange, so that the program is not held
    // up once the module has answered.
    std::chrono::steady_clock::time_point restUntil_{};
};
