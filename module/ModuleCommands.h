#pragma once

// Command sequences that set the module's options from the settings record,
// shared by the option pages and anything else that configures the module
// (a command-line mode can run the full settings write without the wizard).
// Every command's result goes through DeviceLink::ReportError, so a failed
// command shows one device error box and the sequence goes on.
//
// Values are sent within the ranges the configuration table gives their
// fields, which are the ones the module takes; a record holding more (a
// hand-edited configuration file) is sent at the nearest bound instead of as
// a number the module does not expect.

#include "DeviceLink.h"
#include "Screen.h"

#include <functional>

class Settings;

namespace ModuleCommands {

// The record's value of the field within the table's range for it.
int InRange(const Settings &s, int Settings::*field);

// A field's number as the integer the module takes: truncated toward zero,
// then brought within low..high (text typed but not committed can hold
// anything).
int ToModuleValue(double value, int low, int high);

// The value a field stands for in the record: the record's own value while
// the field still shows it (brought within low..high), else the field's. A
// hand-edited file thus keeps its numbers until the installer changes their
// field; showing or sending a value never writes it back.
int FieldOrStored(int field, int stored, int low, int high);

// Passes a command's result to ReportError; a failure first runs beforeBox
// (a held spin arrow ends its repeat there, so that one press shows its
// boxes once instead of once per repeat).
LinkResult Report(DeviceLink &link, LinkResult result, const std::function<void()> &beforeBox = {});

// Whether a parking sensor is fitted: either the front or the rear sensor
// is anything but "none" (0).
bool SensorFitted(const Settings &s);

// SetSensorIndicator(fitted), SetIndicatorX(IndicatorX), SetIndicatorY(IndicatorY);
// beforeBox as for Report.
void SendSensorCommands(DeviceLink &link, const Settings &s, const std::function<void()> &beforeBox = {});

// The full settings write, twelve commands: mirroring, grid shift Y then X,
// the three sensor commands, warning time, line and background brightness,
// the warning or the normal screen (as a warning time is set or not), store
// the settings, the normal screen.
void SendFullSettings(DeviceLink &link, const Settings &s);

} // namespace ModuleCommands
