#include "ModuleExecutor.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace ModuleSim {

namespace {

// One option command: its letter, its key in the state file, the field it
// sets and the values the module accepts.
struct OptionSpec {
    char kind;
    const char *key;
    int ModuleSettings::*field;
    int min;
    int max;
};

constexpr OptionSpec kOptions[] = {
    {'S', "screen", &ModuleSettings::screen, 0, 4},
    {'G', "line_brightness", &ModuleSettings::lineBrightness, 20, 80},
    {'H', "background_brightness", &ModuleSettings::backgroundBrightness, 20, 80},
    {'J', "grid_shift_x", &ModuleSettings::gridShiftX, 0, 255},
    {'K', "grid_shift_y", &ModuleSettings::gridShiftY, 0, 100},
    {'Q', "mirroring", &ModuleSettings::mirroring, 0, 1},
    {'F', "warning_time", &ModuleSettings::warningTime, 0, 5},
    {'O', "sensor_indicator", &ModuleSettings::sensorIndicator, 0, 1},
    {'R', "indicator_x", &ModuleSettings::indicatorX, 0, 10},
    {'P', "indicator_y", &ModuleSettings::indicatorY, 0, 255},
};

bool Accepts(const OptionSpec &spec, long value)
{
    if (value < spec.min || value > spec.max)
        return false;
    return !(spec.kind == 'S' && value == 2); // screens are 0, 1, 3 and 4
}

const OptionSpec *FindOption(char kind)
{
    for (const auto &spec : kOptions) {
        if (spec.kind == kind)
            return &spec;
    }
    return nullptr;
}

// A decimal number of 1 to 6 digits, nothing else; -1 otherwise.
long ParseDecimal(std::string_view text)
{
    if (text.empty() || text.size() > 6)
        return -1;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool ParseHex32(std::string_view text, std::uint32_t *value)
{
    if (text.size() != 8)
        return false;
    std::uint32_t v = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else
            return false;
        v = (v << 4) | static_cast<std::uint32_t>(digit);
    }
    *value = v;
    return true;
}

bool BlockFits(std::uint32_t address)
{
    return address <= ModuleExecutor::kMemorySize - ModuleExecutor::kBlockSize;
}

Reply Answer(char kind, bool ok)
{
    return Reply{kind, ok, std::string(ok ? ModuleExecutor::kOkAnswer : ModuleExecutor::kErrorAnswer)};
}

// Writes bytes to path through a temporary file and a rename, so that a
// failed write never leaves a half-written state behind.
bool WriteFileAtomically(const std::string &path, const char *data, std::size_t size,
                         std::string *problem)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(data, static_cast<std::streamsize>(size));
        out.flush();
        if (!out) {
            *problem = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *problem = "cannot replace " + path;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

ModuleExecutor::ModuleExecutor(std::string statePath)
    : statePath_(std::move(statePath)), memory_(kMemorySize, kErasedByte)
{
}

char ModuleExecutor::KindOf(std::string_view command)
{
    if (command.size() >= 3 && command[0] == 'A' && command[1] == 'T')
        return command[2];
    return '?';
}

std::string ModuleExecutor::RefusalFor(char kind)
{
    return std::string(kind == 'T' ? kPresenceAnswer : kErrorAnswer);
}

void ModuleExecutor::PowerOn(Clock::time_point now)
{
    warningEnds_.reset();
    settings_.screen = kNormalScreen;
    if (settings_.warningTime > 0) {
        settings_.screen = kWarningScreen;
        warningEnds_ = now + std::chrono::seconds(settings_.warningTime);
    }
}

bool ModuleExecutor::AdvanceTo(Clock::time_point now)
{
    if (!warningEnds_ || now < *warningEnds_)
        return false;
    warningEnds_.reset();
    settings_.screen = kNormalScreen;
    return true;
}

Reply ModuleExecutor::Execute(std::string_view command)
{
    const char kind = KindOf(command);
    if (kind == 'A' && command.size() == 265)
        return ExecuteBlockWrite(command);
    if (kind == 'T')
        return Reply{kind, false, std::string(kPresenceAnswer)};
    if (kind == '?' || command.back() != '\r')
        return Answer(kind, false);
    const std::string_view argument = command.substr(3, command.size() - 4);
    if (kind == 'B')
        return ExecuteBlockRead(argument);
    return ExecuteText(kind, argument);
}

Reply ModuleExecutor::ExecuteText(char kind, std::string_view argument)
{
    if (kind == 'W' || kind == 'L') {
        if (!argument.empty())
            return Answer(kind, false);
        if (kind == 'W' && !statePath_.empty()) {
            std::string problem;
            if (!SaveState(&problem)) {
                std::fprintf(stderr, "module-sim: ATW: %s\n", problem.c_str());
                return Answer(kind, false);
            }
        }
        return Answer(kind, true);
    }
    const long value = ParseDecimal(argument);
    if (kind == 'E') {
        if (value != 0 && value != 1)
            return Answer(kind, false);
        const std::uint32_t base = value == 1 ? kGuidePictureAddress : kWarningPictureAddress;
        std::fill_n(memory_.begin() + base, kPictureSize, kErasedByte);
        return Answer(kind, true);
    }
    const OptionSpec *spec = FindOption(kind);
    if (spec == nullptr || !Accepts(*spec, value))
        return Answer(kind, false);
    settings_.*(spec->field) = static_cast<int>(value);
    if (kind == 'S')
        warningEnds_.reset(); // the program has taken over the screen
    return Answer(kind, true);
}

Reply ModuleExecutor::ExecuteBlockWrite(std::string_view frame)
{
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<std::uint8_t>(frame[i])); };
    const std::uint32_t address = byteAt(3) | byteAt(4) << 8 | byteAt(5) << 16 | byteAt(6) << 24;
    if (!BlockFits(address))
        return Answer('A', false);
    std::copy_n(frame.begin() + 8, kBlockSize, memory_.begin() + address);
    return Answer('A', true);
}

Reply ModuleExecutor::ExecuteBlockRead(std::string_view argument)
{
    std::uint32_t address = 0;
    if (argument.size() != 10 || argument.substr(0, 2) != "0X" || !ParseHex32(argument.substr(2), &address)
        || !BlockFits(address))
        return Answer('B', false);
    Reply reply{'B', true, std::string(memory_.begin() + address, memory_.begin() + address + kBlockSize)};
    reply.bytes += kOkAnswer;
    return reply;
}

bool ModuleExecutor::LoadState(std::vector<std::string> *problems)
{
    if (statePath_.empty())
        return true;
    bool clean = true;
    std::ifstream in(statePath_);
    if (in) {
        std::string line;
        int lineNumber = 0;
        while (std::getline(in, line)) {
            ++lineNumber;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty() || line[0] == '#')
                continue;
            const auto where = statePath_ + ":" + std::to_string(lineNumber) + ": ";
            const auto eq = line.find('=');
            const OptionSpec *spec = nullptr;
            if (eq != std::string::npos) {
                const std::string key = line.substr(0, eq);
                for (const auto &s : kOptions) {
                    if (key == s.key)
                        spec = &s;
                }
            }
            if (spec == nullptr) {
                problems->push_back(where + "unknown line ignored");
                clean = false;
                continue;
            }
            const long value = ParseDecimal(std::string_view(line).substr(eq + 1));
            if (!Accepts(*spec, value)) {
                problems->push_back(where + "value out of range ignored");
                clean = false;
                continue;
            }
            settings_.*(spec->field) = static_cast<int>(value);
        }
    }
    const std::string memPath = statePath_ + ".mem";
    std::ifstream mem(memPath, std::ios::binary);
    if (mem) {
        std::vector<char> bytes((std::istreambuf_iterator<char>(mem)), std::istreambuf_iterator<char>());
        if (bytes.size() == kMemorySize) {
            std::copy(bytes.begin(), bytes.end(), memory_.begin());
        } else {
            problems->push_back(memPath + ": not " + std::to_string(kMemorySize)
                                + " bytes long, picture memory left erased");
            clean = false;
        }
    }
    return clean;
}

bool ModuleExecutor::SaveState(std::string *problem)
{
    std::ostringstream text;
    text << "# TRX-G-K4 module simulator: option values stored by ATW\n";
    for (const auto &spec : kOptions)
        text << spec.key << '=' << settings_.*(spec.field) << '\n';
    const std::string s = text.str();
    return WriteFileAtomically(statePath_ + ".mem", reinterpret_cast<const char *>(memory_.data()),
                               memory_.size(), problem)
        && WriteFileAtomically(statePath_, s.data(), s.size(), problem);
}

} // namespace ModuleSim
