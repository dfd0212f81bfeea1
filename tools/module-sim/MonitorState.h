#pragma once

#include "ModuleExecutor.h"

#include <ModulePicture.h>

#include <QString>

namespace ModuleSim {

// What the monitor picture depends on, copied out of the module at one
// moment so that it can be drawn on another thread while the module goes on.
struct MonitorState {
    ModuleSettings settings;
    ModulePicture::Buffer guidePicture{};   // the bytes at 0xD0000
    ModulePicture::Buffer warningPicture{}; // the bytes at 0xE0000
    long long commands = 0;                 // commands received when it was taken

    static MonitorState Capture(const ModuleExecutor &executor, long long commands);
    // The option values as the commands that set them, e.g. "ATS3 ATJ250 ...".
    QString Summary() const;
};

} // namespace ModuleSim
