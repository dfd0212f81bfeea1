#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ModuleSim {

// What makes a phone photo of the monitor hard to read, one per photo: the
// ground the camera shows, the light, the blur, the monitor and what lies
// round it, how the photo was turned, or no monitor at all. Plain C++, so
// that the option parser (which has no Qt) knows the names.
enum class PhotoCondition : std::uint8_t {
    Standard,       // the scene's asphalt, the photo as it always was
    Concrete,       // the ground: light grey concrete slabs with joints
    SunlitConcrete, // sunlit concrete, close to the grid's grey
    Wet,            // dark wet asphalt with bright reflections
    Sodium,         // sodium street light: a strong orange cast
    Warm,           // a warm white balance
    Defocus,        // out of focus: a disc blur of up to 7 px on a 2000 px photo
    Motion,         // a shaken phone: a streak of up to 25 px on a 2000 px photo
    SmallMonitor,   // the monitor only 18 to 30 % of the photo's width
    Panel800x480,   // a 5:3 panel of 800 x 480 pixels stretching the 400 x 312 picture
    Panel640x480,   // a 4:3 panel of 640 x 480 pixels stretching it
    Trim,           // light chrome trims round the monitor's frame
    Vents,          // slatted air vents beside the monitor
    Glare,          // strong glare: large spots and a window's reflection
    Turned90,       // the photo turned a quarter clockwise, no EXIF to say so
    Turned180,      // upside down
    Turned270,      // a quarter anticlockwise
    Notebook,       // no monitor: a squared notebook page, or its negative
    BySeed,         // the seed chooses one of the above
};

inline constexpr int kPhotoConditionCount = int(PhotoCondition::BySeed);

// The name on the command line, in the truth and in the benchmark's table.
constexpr std::string_view PhotoConditionName(PhotoCondition condition)
{
    constexpr std::array<std::string_view, kPhotoConditionCount + 1> names{
        "standard", "concrete",     "sunlit-concrete", "wet",       "sodium",     "warm",       "defocus",
        "motion",   "small-monitor", "panel-800x480",  "panel-640x480", "trim",    "vents",      "glare",
        "turned-90", "turned-180",  "turned-270",      "notebook",  "by-seed"};
    return names[std::size_t(condition)];
}

constexpr std::optional<PhotoCondition> PhotoConditionFromName(std::string_view name)
{
    for (int c = 0; c <= kPhotoConditionCount; ++c)
        if (PhotoConditionName(PhotoCondition(c)) == name)
            return PhotoCondition(c);
    return std::nullopt;
}

} // namespace ModuleSim
