#pragma once

#include "CommandFramer.h"
#include "ModuleExecutor.h"
#include "SimOptions.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <termios.h>

namespace ModuleSim {

// termios speed constant for a baud rate, B0 when there is none.
speed_t SpeedOfBaud(int baud);
// Baud rate of a termios speed constant, 0 when unknown.
int BaudOfSpeed(speed_t speed);

// The module's side of the line: reads what the program sends, checks the
// line speed, echoes, hands complete commands to the executor and sends the
// answers, with the pacing and the faults of the options. One object serves
// one line for the life of the simulator.
class LineSession {
public:
    enum class End { Stopped, HungUp, LineFailed };

    // ioFd: the pty master or the tty, non-blocking. speedFd: where the
    // program's line settings are read (tcgetattr). stopFd: becomes readable
    // when the simulator is to end. logFd: the command log, or -1.
    LineSession(int ioFd, int speedFd, int stopFd, int logFd, const SimOptions &options,
                ModuleExecutor &executor);

    End Run();

    // Called on the line's thread after each complete command, once its
    // answer has gone out (refused, silenced and faulty ones included), so
    // that watching the module never delays a reply. Set before Run.
    void SetCommandObserver(std::function<void()> observer) { observer_ = std::move(observer); }
    // Called on the line's thread when the module changes by itself, with no
    // command (the end of the power-on warning). Set before Run.
    void SetChangeObserver(std::function<void()> observer) { changeObserver_ = std::move(observer); }

    // Bytes that can never form "OK" or "ERROR", whatever surrounds them.
    static std::string Garbage(std::size_t count, std::uint32_t *seed);
    // Bytes of noise put into an answer by --noise-on.
    static constexpr std::size_t kNoiseBytes = 100;

private:
    using Clock = std::chrono::steady_clock;

    int CurrentBaud() const;
    // Poll time-out until the next thing due: a partial command's reset or
    // the module's own next change; -1 for none.
    int PollTimeoutMs(Clock::time_point lastByte) const;
    // Lets the module's clock run to now and reports a change it made.
    void AdvanceModuleClock();
    bool Accepted(int baud) const;
    // Handles bytes read at one line speed; false once the hang-up count is reached.
    bool HandleChunk(std::string_view bytes, int baud, Clock::time_point arrival);
    void HandleCommand(const std::string &command, int baud);
    void Receive(std::size_t count, int baud, Clock::time_point arrival);
    void Send(std::string_view bytes, int baud);
    void WriteOut(const char *bytes, std::size_t count);
    void Pause(std::chrono::milliseconds delay);
    // Sleeps until the time point; false when the stop request came first.
    bool WaitUntil(Clock::time_point when);
    void LogLine(const std::string &line);

    int ioFd_;
    int speedFd_;
    int stopFd_;
    int logFd_;
    SimOptions options_;
    ModuleExecutor &executor_;
    CommandFramer framer_;
    std::string pendingEcho_;
    Clock::time_point timeline_{}; // when the line is free again (--pace)
    long long received_ = 0;       // bytes received in all
    long long sent_ = 0;           // bytes offered to the line in all
    std::uint32_t garbageSeed_ = 0x2545F491u;
    bool stopping_ = false;
    std::function<void()> observer_;
    std::function<void()> changeObserver_;
};

} // namespace ModuleSim
