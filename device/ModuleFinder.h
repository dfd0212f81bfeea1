#pragma once

#include "DeviceLink.h"
#include "PortHolder.h"
#include "UserMessage.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// True when the program's arguments ask for the demo link: "/demo" anywhere
// in them, case-sensitive. The program's own path is not an argument: on
// Linux it may well hold "/demo" (/opt/demo-tools/, /home/demo/).
bool IsDemoCommandLine(const QStringList &arguments);

// One try of the module search.
struct ProbeAttempt {
    // Why a try failed, as far as the search can group tries by it.
    enum class Cause {
        Other,
        NoPort,        // no such device: nothing connected there
        NoPermission,  // the user may not open the port
        Busy,          // another program holds the port
        NoAnswer,      // the port opened; nothing came back
        WrongAnswer,   // the port opened; something answered, but not as the module does
        UsbLibrary,    // the vendor's USB library is missing or unusable
    };

    QString transport;  // "USB" or "COM"
    int port;           // COM number; 0 for USB
    int baud;
    bool found;
    QString reason;     // why the module was not found there (user's language)
    QString fix;        // what the user can do about it; empty when nothing
    Cause cause = Cause::Other;
    std::optional<PortHolder> holder{};  // the program found holding the port (cause Busy)
};

struct ProbeReport {
    std::vector<ProbeAttempt> attempts;
};

// Finds the module: the demo link when `demo` (nothing opened), else the USB
// bridge, else the first of COM 1..10 that answers at 9600 or 57600 baud (in
// that order). The link returned is open; null when no module answered.
// Every try is recorded in `report` when given.
std::unique_ptr<DeviceLink> FindModule(bool demo, ProbeReport *report = nullptr);

// The module on one serial device only, at both speeds; USB is not tried.
// The device becomes the process's only COM port (COM1).
std::unique_ptr<DeviceLink> FindModuleOnPort(const QString &path, ProbeReport *report = nullptr);

// The message shown when no module was found. A port held by a program is
// named with that program; otherwise, when every serial port that exists
// failed for the same reason (or none exists), the text says so and what to
// do about it. The details list every try. `searchAgain` ends the text: what
// the installer does to search again once the cause is mended, as the end
// of a sentence ("нажмите «Повторить»"); empty: run the program again.
UserMessage ModuleNotFoundMessage(const ProbeReport &report, const QString &searchAgain = {});
