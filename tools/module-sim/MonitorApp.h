#pragma once

#include "LineSession.h"
#include "ModuleExecutor.h"
#include "SimOptions.h"

#include <string>

namespace ModuleSim {

// What stands in the way of showing the monitor as the options ask (a window
// without a display); empty when nothing does.
std::string MonitorProblem(const SimOptions &options);

// Serves the line on a thread of its own while this thread shows the car
// monitor (--monitor) and writes its PNG (--monitor-png), updated after each
// command, until the session ends; returns how it ended.
// --once: writes the monitor PNG (and its truth) for the executor's state
// and returns the exit code: 0, or 1 when a file could not be written.
int WriteMonitorOnce(const SimOptions &options, const ModuleExecutor &executor);

// --phone: sends the phone's photo of the monitor for the executor's state
// to the setup program's phone page as the page sends it (POST of the JPEG
// to URL + "photo") and returns the exit code: 0 when the page answered 200,
// 1 otherwise. Prints the page's answer.
int SendPhotoToPhonePage(const SimOptions &options, const ModuleExecutor &executor);

LineSession::End RunWithMonitor(const SimOptions &options, ModuleExecutor &executor, LineSession &session);

} // namespace ModuleSim
