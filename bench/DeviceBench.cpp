// Picture upload over the COM port link through the module simulator pacing
// the line at its speed: erase, then 128 block writes each with its
// read-back. Reports the time against the protocol floor: the bytes that
// must cross the line (command, echo, read-back data and the answer up to
// its "OK") at 10 bits a byte, plus the pauses the transport takes (500 µs
// after every 16 sent bytes, 20 ms after each exchange).
#include "ComPortLink.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

constexpr unsigned kBlocks = 128;
constexpr std::uint32_t kGuideLinePictureAddress = 0xD0000;
// Bytes of the answer that must arrive before it counts: "\r\nOK".
constexpr double kAnswerBytes = 4;
constexpr double kBitsPerByte = 10;
constexpr double kPausePer16BytesS = 500e-6;
constexpr double kRestAfterExchangeS = 20e-3;

std::string SimulatorPath()
{
    if (const char *path = std::getenv("TARVELLO_MODULE_SIM"); path != nullptr && *path != '\0')
        return path;
#ifdef TARVELLO_MODULE_SIM_PATH
    return TARVELLO_MODULE_SIM_PATH;
#else
    return {};
#endif
}

// The simulator as a child process on a fresh pseudo-terminal.
class PacedSimulator {
public:
    PacedSimulator(const std::string &program, int baud)
    {
        int out[2];
        if (::pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const std::string speed = std::to_string(baud);
        std::vector<std::string> args = {program, "--pty", "--pace", "--speeds", speed};
        std::vector<char *> argv;
        for (auto &arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        if (spawned != 0) {
            pid_ = -1;
            ::close(out[0]);
            return;
        }
        std::string line;
        char c = 0;
        pollfd wait{out[0], POLLIN, 0};
        while (line.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1)
            line += c;
        ::close(out[0]);
        if (line.rfind("PTY ", 0) == 0)
            slave_ = line.substr(4, line.find('\n') - 4);
    }
    ~PacedSimulator()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string &slave() const { return slave_; }

private:
    pid_t pid_ = -1;
    std::string slave_;
};

struct Exchange {
    double sent;
    double extra;
};

double FloorSeconds(int baud)
{
    std::vector<Exchange> exchanges = {{5, 0}};  // "ATE1\r"
    for (unsigned k = 0; k < kBlocks; ++k) {
        exchanges.push_back({265, 0});  // block frame
        exchanges.push_back({14, 256});  // "ATB0X%08X\r" and the data
    }
    double seconds = 0;
    for (const Exchange &e : exchanges) {
        const double lineBytes = 2 * e.sent + e.extra + kAnswerBytes;
        seconds += lineBytes * kBitsPerByte / baud;
        seconds += static_cast<int>(e.sent) / 16 * kPausePer16BytesS + kRestAfterExchangeS;
    }
    return seconds;
}

void BM_PictureUploadOverPacedComPort(benchmark::State &state)
{
    const int baud = static_cast<int>(state.range(0));
    const std::string program = SimulatorPath();
    if (program.empty()) {
        state.SkipWithError("module-sim not found: set TARVELLO_MODULE_SIM");
        return;
    }
    PacedSimulator simulator(program, baud);
    if (simulator.slave().empty()) {
        state.SkipWithError("module-sim did not start");
        return;
    }
    ::setenv("TARVELLO_COM_ONLY_ENV", "1", 1);
    ::setenv("TARVELLO_COM1", simulator.slave().c_str(), 1);
    ComPortLink link;
    if (link.Open(baud == 57600 ? 257 : 1) != kLinkOk) {
        state.SkipWithError("cannot open the simulator's port");
        return;
    }
    std::array<std::uint8_t, 256> block{};
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 37);

    double seconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        bool ok = link.EraseArea(1) == kLinkOk;
        for (unsigned k = 0; k < kBlocks && ok; ++k) {
            const std::uint32_t address = kGuideLinePictureAddress + 256 * k;
            ok = link.WriteBlock(address, block.data()) == kLinkOk && link.ReadBlock(address, nullptr) == kLinkOk;
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!ok) {
            state.SkipWithError("an exchange failed");
            break;
        }
    }
    link.Close();
    const double floor = FloorSeconds(baud);
    const double perUpload = seconds / static_cast<double>(state.iterations());
    state.counters["floor_s"] = floor;
    state.counters["upload_s"] = perUpload;
    state.counters["ratio"] = perUpload / floor;
}

}  // namespace

BENCHMARK(BM_PictureUploadOverPacedComPort)
    ->Arg(57600)
    ->Arg(9600)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

BENCHMARK_MAIN();
