#include "SimOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace ModuleSim {

namespace {

constexpr long kKnownBauds[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};

bool ParseCount(const std::string &text, long min, long *value, long max = 1'000'000'000L)
{
    if (text.empty() || text.size() > 12)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    errno = 0;
    const long v = std::strtol(text.c_str(), nullptr, 10);
    if (errno != 0 || v < min || v > max)
        return false;
    *value = v;
    return true;
}

// A decimal number such as 1.25 or -0.3 within [min, max]; nothing else.
bool ParseReal(const std::string &text, double min, double max, double *value)
{
    if (text.empty() || text.size() > 20 || text.find_first_not_of("+-.0123456789") != std::string::npos)
        return false;
    char *end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v) || v < min || v > max)
        return false;
    *value = v;
    return true;
}

// A number option of the camera scene: its flag, the field and its limits.
struct SceneNumber {
    const char *flag;
    double SceneSetup::*field;
    double min;
    double max;
};

constexpr SceneNumber kSceneNumbers[] = {
    {"--camera-height", &SceneSetup::cameraHeightM, 0.3, 3.0},
    {"--camera-tilt", &SceneSetup::cameraTiltDeg, 0.0, 89.0},
    {"--camera-fov", &SceneSetup::cameraFovDeg, 30.0, 170.0},
    {"--camera-offset", &SceneSetup::cameraOffsetM, -1.0, 1.0},
    {"--car-width", &SceneSetup::carWidthM, 1.0, 3.0},
};

std::string FormatNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

bool ParseSpeeds(const std::string &text, std::vector<int> *speeds)
{
    std::vector<int> result;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size());
        long baud = 0;
        if (!ParseCount(text.substr(start, comma - start), 1, &baud) || !IsKnownBaud(baud))
            return false;
        result.push_back(static_cast<int>(baud));
        start = comma + 1;
    }
    *speeds = result;
    return !result.empty();
}

constexpr const char *kTapeNames[] = {"yellow", "orange", "red", "white", "beige"};
constexpr const char *kMarkStyleNames[] = {"crosses", "tees", "corners", "ends"};

// The index of name among names, or -1.
template <std::size_t N>
int IndexOf(const std::string &name, const char *const (&names)[N])
{
    for (std::size_t k = 0; k < N; ++k)
        if (name == names[k])
            return int(k);
    return -1;
}

// "yellow" or "white/red": the lines' tape, and the curves' (the lines'
// when not given).
bool ParseTape(const std::string &text, TapeColour *lines, TapeColour *curves)
{
    const auto slash = text.find('/');
    const int first = IndexOf(text.substr(0, slash), kTapeNames);
    const int second = slash == std::string::npos ? first : IndexOf(text.substr(slash + 1), kTapeNames);
    if (first < 0 || second < 0)
        return false;
    *lines = TapeColour(first);
    *curves = TapeColour(second);
    return true;
}

constexpr long kMaxPhotoSide = 8000;

// "2000x1500": each side from 1 to kMaxPhotoSide.
bool ParseSize(const std::string &text, long *width, long *height)
{
    const auto x = text.find('x');
    long w = 0, h = 0;
    if (x == std::string::npos || !ParseCount(text.substr(0, x), 1, &w, kMaxPhotoSide)
        || !ParseCount(text.substr(x + 1), 1, &h, kMaxPhotoSide))
        return false;
    *width = w;
    *height = h;
    return true;
}

// The photo options only make sense together with the PNG they shape.
std::string CheckPhotoOptions(const SimOptions &o)
{
    const bool photo = o.photoSeed >= 0;
    if (!o.phoneUrl.empty()) {
        if (!photo)
            return "--phone: needs --photo SEED";
        if (o.monitorWindow || o.grabber)
            return "--phone: sends a phone's photo and exits; no --monitor window, no --grabber";
        if (o.phoneUrl.rfind("http://", 0) != 0)
            return "--phone: needs the page's address, http://HOST:PORT/TOKEN/";
        return {};
    }
    if (o.monitorPng.empty()) {
        for (const auto &[given, flag] : {std::pair{photo, "--photo"}, std::pair{!o.truthPath.empty(), "--truth"},
                                          std::pair{o.once, "--once"}}) {
            if (given)
                return std::string(flag) + ": needs --monitor-png FILE";
        }
    }
    if (o.grabber && !photo)
        return "--grabber: needs --photo SEED";
    if ((o.photoWidth != 2000 || o.photoHeight != 1500) && !photo)
        return "--photo-size: needs --photo SEED";
    if (o.photoCondition != PhotoCondition::Standard && (!photo || o.grabber))
        return "--photo-condition: needs --photo SEED (a phone's photo)";
    if (o.tapeBySeed && !photo)
        return "--tape by-seed: needs --photo SEED";
    if (o.once && o.monitorWindow)
        return "--once: writes the PNG and exits; it cannot show the --monitor window";
    return {};
}

} // namespace

bool IsKnownBaud(long baud)
{
    return std::find(std::begin(kKnownBauds), std::end(kKnownBauds), baud) != std::end(kKnownBauds);
}

std::string UsageText()
{
    return R"(Usage: module-sim [options]
Plays the TRX-G-K4 video overlay module on a pseudo-terminal or a serial line:
echoes every byte, answers the AT commands with OK or ERROR, answers "ATT"
with ERROR straight after the echo, keeps 1 MiB of picture memory for the
block commands and the option values, and shows on request what the module
puts on the car monitor (--monitor, --monitor-png).

Line:
  --pty              open a pseudo-terminal (default); the first line on
                     stdout is "PTY <slave path>"
  --tty PATH         use an existing tty (a serial adapter) instead; the line
                     is set raw at the first of --speeds; stdout says
                     "TTY <path>"
  --link PATH        also make a symlink PATH to the line (removed on exit);
                     an existing symlink there is replaced, any other file is
                     an error
  --speeds LIST      comma-separated baud rates answered at (default
                     9600,57600); bytes arriving while the line is set to
                     another speed are not answered and are logged as NOISE
  --pace             every byte received or sent costs 10 bits at the line
                     speed, on one timeline; without it answers come at once
  --idle-reset-ms N  drop a partly received command after N ms without a
                     byte (default 1000; 0 keeps it forever)

Records:
  --log FILE         append one line per command received:
                     "<baud> <bytes>", and "NOISE <baud> <bytes>" for bytes
                     at a speed not answered at; bytes escaped: printable
                     ASCII as is, "\\" for a backslash, \r, \n, other bytes
                     \xNN
  --state FILE       load the option values from FILE (key=value lines) and
                     the picture memory from FILE.mem at start, when they
                     exist; "ATW" writes both

Faults (repeatable where it makes sense):
  --silent           never echo and never answer
  --no-answer K[:N]  echo, carry out, but do not answer commands of kind K
                     (the letter after "AT": S, E, A, B, T, ...); with N only
                     the Nth of that kind, counted from 1
  --error-on K:N     refuse the Nth command of kind K with ERROR (it is not
                     carried out); e.g. --error-on A:10 refuses the 10th
                     block write
  --noise-on K:N     carry out the Nth command of kind K but put 100 bytes
                     of noise (neither "OK" nor "ERROR") into the middle of
                     its answer; e.g. --noise-on B:3 spoils the 3rd read-back
  --garbage N        after each command's echo send N bytes of garbage that
                     hold neither "OK" nor "ERROR", and no answer
  --drop-every N     lose every Nth byte sent (echo, data and answers alike)
  --delay-ms N       wait N ms before each answer
  --hangup-after N   after N bytes received in all (noise included) close the
                     line and exit; bytes up to the Nth are handled as usual

Car monitor (what the module puts on the monitor, over a camera scene of
the ground behind the car with the installer's marks on it):
  --monitor          show it in a window, updated as commands arrive; closing
                     the window does not stop the simulator
  --monitor-png FILE write it to FILE as a PNG at start and after every
                     command (replaced whole; the text field "Commands" holds
                     the number of commands received so far)
  --camera-height M  lens above the ground in metres (default 1.0, 0.3..3)
  --camera-tilt DEG  optical axis below the horizontal (default 45, 0..89)
  --camera-fov DEG   horizontal field of view (default 100, 30..170)
  --camera-offset M  lens right of the car's centre line as the monitor shows
                     it, in metres (default 0, -1..1)
  --car-width M      distance between the side lines (default 1.8, 1..3)
  --monitor-mirrors  the car's monitor mirrors the picture and the camera does
                     not (default: the camera mirrors); "ATQ1" is then the
                     right setting
  --tape LINES[/CURVES]
                     colour of the installer's tape on the base line and the
                     side lines, and on the curves: yellow, orange, red,
                     white or beige (default yellow/orange); by-seed: the
                     --photo SEED chooses colours and --mark-style
  --mark-style NAME  how the tape meets at the marks: crosses (the default),
                     tees, corners (L corners) or ends (the lines end at
                     their last marks)
  --grid             start showing the calibration grid, as after "ATS3"
                     (default: the normal display)

Photos of the monitor (with --monitor-png; for the picture-reading code):
  --photo SEED       every PNG written is a phone's photo of the monitor
                     instead of the monitor picture: the screen in its frame
                     on a dashboard, seen at an angle of up to 30 degrees,
                     with blur, uneven light, glare and noise, all chosen by
                     SEED (a whole number from 0); the same SEED gives the
                     same picture
  --photo-size WxH   size of the photo (default 2000x1500, up to 8000x8000)
  --photo-condition NAME
                     what makes the photo hard: standard (the default),
                     concrete, sunlit-concrete, wet (the ground), sodium,
                     warm (a colour cast), defocus, motion (blur),
                     small-monitor, panel-800x480, panel-640x480 (a panel
                     stretching the picture), trim, vents (round the
                     monitor), glare, turned-90, turned-180, turned-270 (no
                     EXIF says so), notebook (no monitor: a squared page), or
                     by-seed (SEED chooses one)
  --grabber          a 720 x 576 frame of a video grabber instead (the whole
                     monitor picture, slight blur and noise); needs --photo
  --truth FILE       beside each PNG write FILE (JSON): where the grid's
                     corner points (0,0), (10,0), (10,10), (0,10), the
                     monitor picture's corners and the scene's marks within
                     the grid lie in the PNG, in pixels whose pixel (c, r)
                     covers [c, c+1) x [r, r+1); each mark with its grid
                     coordinates and the wizard's slots it serves
  --phone URL        stand in for the installer's phone: take the --photo SEED
                     of the monitor (as a JPEG, --photo-size) and send it to
                     the setup program's phone page at URL (the address
                     under its QR code) as the page does, print the page's
                     answer and exit (0 when the photo was taken); with
                     --monitor-png the PNG is written too
  --once             write the PNG (and the truth) for the starting state and
                     exit, without opening a line

  --help             this text

SIGTERM and SIGINT end the simulator cleanly (the symlink is removed).
)";
}

std::string ParseCommandLine(int argc, const char *const *argv, SimOptions *options)
{
    SimOptions &o = *options;
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = flag.find('='); flag.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = flag.substr(eq + 1);
            flag.resize(eq);
            hasValue = true;
        }
        const auto needValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= argc)
                return false;
            value = argv[++i];
            return true;
        };
        const auto bad = [&](const char *what) { return flag + ": " + what; };
        const auto countFlag = [&](long min, long *target, long max = 1'000'000'000L) -> std::string {
            if (!needValue())
                return bad("needs a value");
            if (!ParseCount(value, min, target, max))
                return bad(("needs a whole number from " + std::to_string(min) + " to " + std::to_string(max)).c_str());
            return {};
        };
        const auto noValue = [&]() { return hasValue ? bad("takes no value") : std::string(); };

        std::string error;
        if (flag == "--help" || flag == "-h") {
            o.help = true;
        } else if (flag == "--pty") {
            error = noValue();
            o.ttyPath.clear();
        } else if (flag == "--pace") {
            error = noValue();
            o.pace = true;
        } else if (flag == "--monitor") {
            error = noValue();
            o.monitorWindow = true;
        } else if (flag == "--monitor-mirrors") {
            error = noValue();
            o.scene.monitorMirrors = true;
        } else if (flag == "--grid") {
            error = noValue();
            o.startWithGrid = true;
        } else if (flag == "--once") {
            error = noValue();
            o.once = true;
        } else if (flag == "--grabber") {
            error = noValue();
            o.grabber = true;
        } else if (flag == "--photo") {
            error = countFlag(0, &o.photoSeed, 2'147'483'647L);
        } else if (flag == "--photo-condition") {
            if (!needValue())
                return bad("needs a condition's name");
            const auto condition = PhotoConditionFromName(value);
            if (!condition)
                return bad("needs a condition's name (see --help)");
            o.photoCondition = *condition;
        } else if (flag == "--tape") {
            if (needValue() && value == "by-seed")
                o.tapeBySeed = true;
            else if (!ParseTape(value, &o.scene.lineTape, &o.scene.curveTape))
                return bad("needs COLOUR or LINES/CURVES, each yellow, orange, red, white or beige");
        } else if (flag == "--mark-style") {
            const int style = needValue() ? IndexOf(value, kMarkStyleNames) : -1;
            if (style < 0)
                return bad("needs crosses, tees, corners or ends");
            o.scene.marks = MarkStyle(style);
        } else if (flag == "--photo-size") {
            if (!needValue() || !ParseSize(value, &o.photoWidth, &o.photoHeight))
                return bad(("needs WIDTHxHEIGHT, each from 1 to " + std::to_string(kMaxPhotoSide) + ", e.g. 2000x1500")
                               .c_str());
        } else if (flag == "--silent") {
            error = noValue();
            o.silent = true;
        } else if (flag == "--tty" || flag == "--link" || flag == "--log" || flag == "--state"
                   || flag == "--monitor-png" || flag == "--truth" || flag == "--phone") {
            if (!needValue() || value.empty())
                return bad("needs a path");
            std::string *target = flag == "--tty" ? &o.ttyPath
                : flag == "--link"                ? &o.linkPath
                : flag == "--log"                 ? &o.logPath
                : flag == "--state"               ? &o.statePath
                : flag == "--truth"               ? &o.truthPath
                : flag == "--phone"               ? &o.phoneUrl
                                                  : &o.monitorPng;
            *target = value;
        } else if (flag == "--speeds") {
            if (!needValue() || !ParseSpeeds(value, &o.speeds))
                return bad("needs a comma-separated list of baud rates such as 9600,57600");
        } else if (flag == "--no-answer") {
            if (!needValue() || !o.faults.AddNoAnswer(value))
                return bad("needs KIND or KIND:N (a letter, N from 1)");
        } else if (flag == "--error-on") {
            if (!needValue() || !o.faults.AddErrorOn(value))
                return bad("needs KIND:N (a letter, N from 1)");
        } else if (flag == "--noise-on") {
            if (!needValue() || !o.faults.AddNoiseOn(value))
                return bad("needs KIND:N (a letter, N from 1)");
        } else if (flag == "--garbage") {
            error = countFlag(1, &o.garbage, 1 << 20);
        } else if (flag == "--drop-every") {
            error = countFlag(1, &o.dropEvery);
        } else if (flag == "--delay-ms") {
            error = countFlag(0, &o.delayMs);
        } else if (flag == "--hangup-after") {
            error = countFlag(1, &o.hangupAfter);
        } else if (flag == "--idle-reset-ms") {
            error = countFlag(0, &o.idleResetMs);
        } else if (const auto number = std::find_if(std::begin(kSceneNumbers), std::end(kSceneNumbers),
                                                    [&](const SceneNumber &n) { return flag == n.flag; });
                   number != std::end(kSceneNumbers)) {
            if (!needValue() || !ParseReal(value, number->min, number->max, &(o.scene.*(number->field))))
                return bad(("needs a number from " + FormatNumber(number->min) + " to " + FormatNumber(number->max))
                               .c_str());
        } else {
            return "unknown option " + std::string(argv[i]) + " (see --help)";
        }
        if (!error.empty())
            return error;
    }
    return CheckPhotoOptions(o);
}

} // namespace ModuleSim
