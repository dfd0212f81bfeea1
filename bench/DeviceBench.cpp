// Picture upload over the COM port link through the module simulator pacing
// the line at its speed: erase, then 128 block writes each with its
// read-back. Reports the time against the protocol floor: the bytes that
// must cross the line (command, echo, read-back data and the answer up to
// its "OK") at 10 bits a byte, plus the pauses the transport takes (500 µs
// after every 16 sent bytes, 20 ms after each exchange).
#include "ComPortLink.h"
#include "PacedSimulator.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>


namespace {

constexpr unsigned kBlocks = 128;
constexpr std::uint32_t kGuideLinePictureAddress = 0xD0000;
// Bytes of the answer that must arrive before it counts: "\r\nOK".
constexpr double kAnswerBytes = 4;
constexpr double kBitsPerByte = 10;
constexpr double kPausePer16BytesS = 500e-6;
constexpr double kRestAfterExchangeS = 20e-3;

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
    const std::string program = bench::SimulatorPath();
    if (program.empty()) {
        state.SkipWithError("module-sim not found: set TARVELLO_MODULE_SIM");
        return;
    }
    bench::PacedSimulator simulator(program, baud);
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
