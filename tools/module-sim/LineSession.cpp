#include "LineSession.h"

#include "Escape.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <unistd.h>

namespace ModuleSim {

namespace {

struct SpeedEntry {
    int baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {300, B300},     {600, B600},     {1200, B1200},   {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

// How long a write waits for room on the line before the rest of it is lost,
// as bytes sent to a line nobody reads are lost on a real wire.
constexpr int kWriteStallMs = 200;

timespec ToTimespec(std::chrono::nanoseconds d)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(d);
    return timespec{static_cast<time_t>(seconds.count()), static_cast<long>((d - seconds).count())};
}

} // namespace

speed_t SpeedOfBaud(int baud)
{
    for (const auto &e : kSpeeds) {
        if (e.baud == baud)
            return e.speed;
    }
    return B0;
}

int BaudOfSpeed(speed_t speed)
{
    for (const auto &e : kSpeeds) {
        if (e.speed == speed)
            return e.baud;
    }
    return 0;
}

LineSession::LineSession(int ioFd, int speedFd, int stopFd, int logFd, const SimOptions &options,
                         ModuleExecutor &executor)
    : ioFd_(ioFd), speedFd_(speedFd), stopFd_(stopFd), logFd_(logFd), options_(options), executor_(executor)
{
}

std::string LineSession::Garbage(std::size_t count, std::uint32_t *seed)
{
    // Without 'E', 'K', 'O' and 'R' neither word can form, not even together
    // with the echo before it or an answer after it.
    std::string out;
    out.reserve(count);
    while (out.size() < count) {
        std::uint32_t x = *seed;
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        *seed = x;
        const char c = static_cast<char>(x & 0xFF);
        if (c != 'E' && c != 'K' && c != 'O' && c != 'R')
            out += c;
    }
    return out;
}

int LineSession::CurrentBaud() const
{
    termios t{};
    if (tcgetattr(speedFd_, &t) != 0)
        return 0;
    return BaudOfSpeed(cfgetospeed(&t));
}

bool LineSession::Accepted(int baud) const
{
    return std::find(options_.speeds.begin(), options_.speeds.end(), baud) != options_.speeds.end();
}

LineSession::End LineSession::Run()
{
    char buffer[4096];
    auto lastByte = Clock::now();
    const auto idleReset = std::chrono::milliseconds(options_.idleResetMs);
    while (!stopping_) {
        pollfd fds[2] = {{ioFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int ready = poll(fds, 2, PollTimeoutMs(lastByte));
        AdvanceModuleClock();
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::perror("module-sim: poll");
            return End::LineFailed;
        }
        if (fds[1].revents != 0)
            return End::Stopped;
        if (ready == 0) {
            if (framer_.PendingLength() > 0 && options_.idleResetMs > 0 && Clock::now() - lastByte >= idleReset) {
                std::fprintf(stderr, "module-sim: dropped %zu bytes of an unfinished command\n",
                             framer_.PendingLength());
                framer_.Reset();
            }
            continue;
        }
        if ((fds[0].revents & POLLIN) == 0) {
            std::fprintf(stderr, "module-sim: the line was hung up\n");
            return End::LineFailed;
        }
        const ssize_t n = read(ioFd_, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0) {
            std::fprintf(stderr, "module-sim: the line was hung up\n");
            return End::LineFailed;
        }
        lastByte = Clock::now();
        if (!HandleChunk(std::string_view(buffer, static_cast<std::size_t>(n)), CurrentBaud(), lastByte))
            return End::HungUp;
    }
    return End::Stopped;
}

int LineSession::PollTimeoutMs(Clock::time_point lastByte) const
{
    std::optional<Clock::time_point> due = executor_.NextTimedChange();
    if (framer_.PendingLength() > 0 && options_.idleResetMs > 0) {
        const auto reset = lastByte + std::chrono::milliseconds(options_.idleResetMs);
        due = due ? std::min(*due, reset) : reset;
    }
    if (!due)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*due - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count(), 0, 60'000));
}

void LineSession::AdvanceModuleClock()
{
    if (executor_.AdvanceTo(Clock::now()) && changeObserver_)
        changeObserver_();
}

bool LineSession::HandleChunk(std::string_view bytes, int baud, Clock::time_point arrival)
{
    bool hangUp = false;
    if (options_.hangupAfter >= 0) {
        const auto room = static_cast<std::size_t>(options_.hangupAfter - received_);
        if (bytes.size() >= room) {
            bytes = bytes.substr(0, room);
            hangUp = true;
        }
    }
    received_ += static_cast<long long>(bytes.size());
    if (!Accepted(baud)) {
        // At the wrong speed a real line delivers noise: nothing to answer,
        // and whatever command was half received is lost.
        framer_.Reset();
        LogLine("NOISE " + std::to_string(baud) + " " + EscapeBytes(bytes));
        return !hangUp;
    }
    std::size_t segment = 0; // first byte not yet received on the timeline and echoed
    const auto receiveAndEcho = [&](std::size_t end) {
        Receive(end - segment, baud, arrival);
        if (!options_.silent)
            Send(bytes.substr(segment, end - segment), baud);
        segment = end;
    };
    for (std::size_t i = 0; i < bytes.size() && !stopping_; ++i) {
        if (auto command = framer_.Feed(bytes[i])) {
            receiveAndEcho(i + 1);
            HandleCommand(*command, baud);
            if (observer_)
                observer_();
        }
    }
    if (segment < bytes.size() && !stopping_)
        receiveAndEcho(bytes.size());
    return !hangUp;
}

void LineSession::HandleCommand(const std::string &command, int baud)
{
    LogLine(std::to_string(baud) + " " + EscapeBytes(command));
    if (options_.silent)
        return;
    const char kind = ModuleExecutor::KindOf(command);
    const FaultPlan::Action action = options_.faults.Next(kind);
    std::string answer;
    if (action == FaultPlan::Action::Refuse) {
        answer = ModuleExecutor::RefusalFor(kind);
    } else {
        Reply reply = executor_.Execute(command);
        if (action == FaultPlan::Action::Answer || action == FaultPlan::Action::Noisy)
            answer = std::move(reply.bytes);
        if (action == FaultPlan::Action::Noisy)
            answer.insert(answer.size() / 2, Garbage(kNoiseBytes, &garbageSeed_));
    }
    if (options_.garbage > 0)
        answer = Garbage(static_cast<std::size_t>(options_.garbage), &garbageSeed_);
    if (answer.empty())
        return;
    Pause(std::chrono::milliseconds(options_.delayMs));
    Send(answer, baud);
}

void LineSession::Receive(std::size_t count, int baud, Clock::time_point arrival)
{
    if (!options_.pace || baud <= 0)
        return;
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
    timeline_ = std::max(timeline_, arrival) + byteTime * static_cast<long long>(count);
}

void LineSession::Send(std::string_view bytes, int baud)
{
    const auto dropped = [&]() { return options_.dropEvery > 0 && ++sent_ % options_.dropEvery == 0; };
    if (!options_.pace || baud <= 0) {
        std::string out;
        out.reserve(bytes.size());
        for (char c : bytes) {
            if (!dropped())
                out += c;
        }
        WriteOut(out.data(), out.size());
        return;
    }
    // Byte k of the burst leaves when the line has carried it: one byte time
    // after the previous one, counted from the schedule rather than from the
    // wake-up so that scheduling delays do not add up; bytes whose time has
    // passed go out together.
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
    timeline_ = std::max(timeline_, Clock::now());
    std::size_t next = 0;
    while (next < bytes.size()) {
        timeline_ += byteTime;
        if (!WaitUntil(timeline_))
            return;
        std::string due;
        const auto now = Clock::now();
        while (true) {
            if (!dropped())
                due += bytes[next];
            ++next;
            if (next == bytes.size() || timeline_ + byteTime > now)
                break;
            timeline_ += byteTime;
        }
        WriteOut(due.data(), due.size());
    }
}

void LineSession::Pause(std::chrono::milliseconds delay)
{
    if (delay.count() <= 0)
        return;
    if (options_.pace) {
        timeline_ = std::max(timeline_, Clock::now()) + delay;
        return;
    }
    WaitUntil(Clock::now() + delay);
}

bool LineSession::WaitUntil(Clock::time_point when)
{
    while (!stopping_) {
        const auto now = Clock::now();
        if (now >= when)
            return true;
        pollfd stop{stopFd_, POLLIN, 0};
        const timespec timeout = ToTimespec(when - now);
        if (ppoll(&stop, 1, &timeout, nullptr) > 0)
            stopping_ = true;
    }
    return false;
}

void LineSession::WriteOut(const char *bytes, std::size_t count)
{
    while (count > 0 && !stopping_) {
        const ssize_t n = write(ioFd_, bytes, count);
        if (n > 0) {
            bytes += n;
            count -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{ioFd_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
            const int ready = poll(fds, 2, kWriteStallMs);
            if (ready > 0 && fds[1].revents != 0)
                stopping_ = true;
            if (ready > 0 && (fds[0].revents & POLLOUT) != 0)
                continue;
        }
        std::fprintf(stderr, "module-sim: %zu bytes lost, nobody reads the line\n", count);
        return;
    }
}

void LineSession::LogLine(const std::string &line)
{
    if (logFd_ < 0)
        return;
    const std::string text = line + "\n";
    const char *p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = write(logFd_, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::perror("module-sim: log");
            return;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

} // namespace ModuleSim
