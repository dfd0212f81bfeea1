#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ModuleSim {

// What the module shows, the values of ModuleSettings::screen ("ATS").
enum Screen : int { kTransferScreen = 0, kNormalScreen = 1, kGridScreen = 3, kWarningScreen = 4 };

// The option values the module keeps (and stores on "ATW"). A new module
// holds the values the setup program itself starts from, so that a grid shown
// before any shift command sits where the program expects it.
struct ModuleSettings {
    int screen = 1;               // ATS: 0 transfer, 1 normal, 3 grid, 4 warning
    int lineBrightness = 70;      // ATG, 20..80
    int backgroundBrightness = 25; // ATH, 20..80
    int gridShiftX = 250;         // ATJ, 0..255: overlay position across the screen
    int gridShiftY = 45;          // ATK, 0..100: grid's top row in the picture
    int mirroring = 0;            // ATQ: 0 in the camera, 1 in the monitor
    int warningTime = 0;          // ATF: seconds, 0..5
    int sensorIndicator = 0;      // ATO: 0 hidden, 1 shown
    int indicatorX = 0;           // ATR, 0..10
    int indicatorY = 0;           // ATP, 0..255

    bool operator==(const ModuleSettings &) const = default;
};

// What the module sends after the echo of one command.
struct Reply {
    char kind = '?';   // the letter after "AT" ('?' when there is none)
    bool ok = false;   // carried out
    std::string bytes; // data (for "ATB0X") and the answer text
};

// Plays the module's command interpreter: carries out complete commands as
// cut by CommandFramer against the option values and the 1 MiB picture
// memory, and keeps both in a state file on "ATW". No line I/O here.
class ModuleExecutor {
public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::size_t kMemorySize = 1u << 20;
    static constexpr std::size_t kBlockSize = 256;
    static constexpr std::size_t kPictureSize = 32768;
    static constexpr std::uint32_t kGuidePictureAddress = 0xD0000;
    static constexpr std::uint32_t kWarningPictureAddress = 0xE0000;
    // Value of an erased or never written memory byte: no pixel drawn.
    static constexpr std::uint8_t kErasedByte = 0x00;

    static constexpr std::string_view kOkAnswer = "\r\nOK\r\n";
    static constexpr std::string_view kErrorAnswer = "\r\nERROR\r\n";
    // The presence answer to "ATT": straight after the echo, no CR LF first.
    static constexpr std::string_view kPresenceAnswer = "ERROR\r\n";

    // statePath empty: no state file, "ATW" only answers OK.
    explicit ModuleExecutor(std::string statePath = {});

    // Loads the state file and its picture memory (FILE.mem) when they exist.
    // Returns false with a description of each problem found; what could be
    // read is kept, the rest stays at its default.
    bool LoadState(std::vector<std::string> *problems);
    // Writes the state file and FILE.mem, each replaced atomically.
    bool SaveState(std::string *problem);

    // Power-on with reverse gear engaged, at the given moment: the warning
    // screen for the stored warning time ("ATF", seconds), then the normal
    // display; with no warning time the normal display at once. The screen
    // selected before the store does not come back.
    void PowerOn(Clock::time_point now);
    // Runs the module's own clock up to now; true when what it shows changed.
    bool AdvanceTo(Clock::time_point now);
    // When the module next changes by itself (the end of the power-on
    // warning); nullopt when nothing is pending.
    std::optional<Clock::time_point> NextTimedChange() const { return warningEnds_; }

    // Carries out one complete command (with its CR, or a whole block frame).
    Reply Execute(std::string_view command);

    // The answer of a refused command of this kind, without carrying it out.
    static std::string RefusalFor(char kind);
    // The letter after "AT", or '?'.
    static char KindOf(std::string_view command);

    const ModuleSettings &Settings() const { return settings_; }
    const std::vector<std::uint8_t> &Memory() const { return memory_; }
    const std::string &StatePath() const { return statePath_; }

private:
    Reply ExecuteText(char kind, std::string_view argument);
    Reply ExecuteBlockWrite(std::string_view frame);
    Reply ExecuteBlockRead(std::string_view argument);

    std::string statePath_;
    ModuleSettings settings_;
    std::vector<std::uint8_t> memory_;
    // End of the power-on warning; a screen selection ("ATS") cancels it.
    std::optional<Clock::time_point> warningEnds_;
};

} // namespace ModuleSim
