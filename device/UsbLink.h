#pragma once

#include "D2xxApi.h"
#include "DeviceLink.h"

#include <QString>

#include <cstdint>
#include <optional>

// Why the last UsbLink::Open failed.
enum class UsbError {
    None,               // opened (or never tried)
    LibraryMissing,     // the D2XX library could not be loaded
    EntryPointMissing,  // the library lacks an entry point (see detail)
    NoDevice,           // no device with the module's description
    CallFailed,         // a D2XX call returned a status other than FT_OK
};

// The serial number of a module from its D2XX serial-number string: a
// decimal integer at its start (after blanks, with an optional sign);
// nullopt when the string does not start with one or it does not fit.
std::optional<std::int32_t> ParseD2xxSerialNumber(const char *text);

// The link over the module's FTDI USB bridge, through the vendor's D2XX
// library loaded at run time (libftd2xx.so, or the path in the environment
// variable TARVELLO_D2XX_LIBRARY). Its entry points are bound into one
// process-wide table shared by every UsbLink; the library stays loaded until
// the process ends.
class UsbLink : public DeviceLink {
public:
    UsbLink();
    ~UsbLink() override;  // releases a device handle still open

    // Opens the device described "Tarvello parking system" at 57600 baud 8N1
    // and reads its serial number. Any failure leaves the link closed.
    LinkResult Open(int port) override;
    bool HasModule() const override { return true; }
    int Close() override;
    // 0 when a device handle is open; no bytes are exchanged.
    int Probe() override;
    // Waits four times `timeoutMs`. After an exchange in which the bridge
    // was lost, the next one first opens the device again.
    LinkResult Transact(const std::uint8_t *bytes, unsigned length, unsigned timeoutMs,
                        unsigned extraBytes) override;

    // About the last Open.
    UsbError LastError() const { return error_; }
    // The loader's message (untranslated, as in the C locale), the missing
    // entry point, or the failed call; empty when there is none.
    QString LastErrorDetail() const { return errorDetail_; }
    // The D2XX status of the call that failed (low 32 bits), else 0.
    unsigned long LastStatus() const { return errorStatus_; }

    // The library that Open loads.
    static QString LibraryName();
    // The device description the module's bridge carries.
    static const char *DeviceDescription();

private:
    bool HandleValid() const;
    LinkResult Fail(UsbError error, const QString &detail, unsigned long status = 0);

    D2xx::FT_HANDLE handle_ = nullptr;
    UsbError error_ = UsbError::None;
    QString errorDetail_;
    unsigned long errorStatus_ = 0;
};
