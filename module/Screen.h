#pragma once

// What the module shows on the car's monitor, as the number SelectScreen
// ("ATS<n>") sends.

#include "DeviceLink.h"

enum class Screen : int {
    Writing = 0,  // while a picture is written into its memory
    Normal = 1,   // the camera picture with the guide lines
    Grid = 3,     // the calibration grid
    Warning = 4,  // the warning picture
};

// Asks the module to show `screen`; the result as SelectScreen gives it.
inline LinkResult ShowScreen(DeviceLink &link, Screen screen)
{
    return link.SelectScreen(static_cast<int>(screen));
}
