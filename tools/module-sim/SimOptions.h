#pragma once

#include "FaultPlan.h"
#include "PhotoCondition.h"
#include "SceneSetup.h"

#include <string>
#include <vector>

namespace ModuleSim {

// Everything the command line sets.
struct SimOptions {
    bool help = false;
    std::string ttyPath;   // --tty: use this tty instead of a new pty
    std::string linkPath;  // --link: symlink to the line, removed on exit
    std::string logPath;   // --log: command log, appended
    std::string statePath; // --state: option values, FILE.mem the picture memory
    std::vector<int> speeds{9600, 57600}; // line speeds answered at, in baud
    bool pace = false;     // every byte costs 10 bits at the line speed
    bool silent = false;   // neither echo nor answer
    FaultPlan faults;      // --no-answer, --error-on
    long garbage = 0;      // bytes of garbage in place of each answer
    long dropEvery = 0;    // every Nth sent byte is lost; 0 none
    long delayMs = 0;      // pause before each answer, ms
    long hangupAfter = -1; // exit after this many received bytes; -1 never
    long idleResetMs = 1000; // a partial command is dropped after this pause, ms; 0 never
    bool monitorWindow = false; // --monitor: show the car monitor in a window
    std::string monitorPng;     // --monitor-png: the car monitor as a PNG, rewritten after each command
    SceneSetup scene;           // the camera mounting and the car the monitor shows
    bool tapeBySeed = false;    // --tape by-seed: the photo's seed lays the tape (as the benchmark does)
    long photoSeed = -1;        // --photo: the PNG is a phone's photo of the monitor from this seed; -1 the picture itself
    long photoWidth = 2000;     // --photo-size, pixels
    long photoHeight = 1500;
    bool grabber = false;       // --grabber: a video grabber's frame instead of a phone's photo
    PhotoCondition photoCondition = PhotoCondition::Standard; // --photo-condition: what makes the photo hard
    std::string truthPath;      // --truth: where the grid, screen and marks lie in the PNG (JSON)
    bool startWithGrid = false; // --grid: start showing the calibration grid ("ATS3")
    bool once = false;          // --once: write the PNG (and the truth) for the starting state and exit
    std::string phoneUrl;       // --phone: upload the photo to the phone's page at this address and exit

    bool ShowsMonitor() const { return monitorWindow || !monitorPng.empty(); }
};

// Parses argv into options. Returns an empty string, or what is wrong.
std::string ParseCommandLine(int argc, const char *const *argv, SimOptions *options);

// The --help text.
std::string UsageText();

// Baud rates the simulator can recognise on a line.
bool IsKnownBaud(long baud);

} // namespace ModuleSim
