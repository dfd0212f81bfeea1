#include "ModuleCommands.h"

#include "ConfigurationTable.h"
#include "DeviceLink.h"
#include "Settings.h"

#include <algorithm>
#include <cmath>

namespace ModuleCommands {

int InRange(const Settings &s, int Settings::*field)
{
    return IntRangeOf(field).Clamp(s.*field);
}

int ToModuleValue(double value, int low, int high)
{
    if (std::isnan(value))
        return low;
    return static_cast<int>(std::clamp(std::trunc(value), double(low), double(high)));
}

int FieldOrStored(int field, int stored, int low, int high)
{
    return std::clamp(stored, low, high) == field ? stored : field;
}

LinkResult Report(DeviceLink &link, LinkResult result, const std::function<void()> &beforeBox)
{
    if (result < 0 && beforeBox)
        beforeBox();
    return link.ReportError(result);
}

bool SensorFitted(const Settings &s)
{
    return s.FrontEnabled != 0 || s.RearEnabled != 0;
}

void SendSensorCommands(DeviceLink &link, const Settings &s, const std::function<void()> &beforeBox)
{
    Report(link, link.SetSensorIndicator(SensorFitted(s) ? 1 : 0), beforeBox);
    Report(link, link.SetIndicatorX(InRange(s, &Settings::IndicatorX)), beforeBox);
    Report(link, link.SetIndicatorY(InRange(s, &Settings::IndicatorY)), beforeBox);
}

void SendFullSettings(DeviceLink &link, const Settings &s)
{
    const int warningTime = InRange(s, &Settings::WarningSeconds);
    link.ReportError(link.SetMirroring(s.Reflection ? 1 : 0));
    link.ReportError(link.SetGridShiftY(static_cast<unsigned>(InRange(s, &Settings::CameraShiftY))));
    link.ReportError(link.SetGridShiftX(InRange(s, &Settings::CameraShiftX)));
    SendSensorCommands(link, s);
    link.ReportError(link.SetWarningTime(warningTime));
    link.ReportError(link.SetLineBrightness(InRange(s, &Settings::LineBrightness)));
    link.ReportError(link.SetBackgroundBrightness(InRange(s, &Settings::BackgroundBrightness)));
    link.ReportError(ShowScreen(link, warningTime != 0 ? Screen::Warning : Screen::Normal));
    link.ReportError(link.StoreSettings());
    link.ReportError(ShowScreen(link, Screen::Normal));
}

} // namespace ModuleCommands
