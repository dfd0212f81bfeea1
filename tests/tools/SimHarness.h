#pragma once

// Helpers for the end-to-end tests of the tools: a module simulator process,
// the program's end of its line, and the simulator's command log.

#include <QProcess>
#include <QStringList>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Deadline for anything a test waits for, ms. Generous: it only bounds a
// test that is failing anyway, it never measures speed.
constexpr int kWaitMs = 5000;

// A module-sim process (env TARVELLO_MODULE_SIM) started for one test and
// ended with SIGTERM when destroyed.
class SimProcess {
public:
    explicit SimProcess(const QStringList &arguments);
    ~SimProcess();

    bool Started() const { return !slavePath_.empty(); }
    // The pty slave from the "PTY <path>" line (or the tty of "TTY <path>").
    const std::string &SlavePath() const { return slavePath_; }
    // Sends SIGTERM and waits; returns the exit code, or -1 on a crash or hang.
    int Stop();
    // Waits for the process to end by itself; exit code, or -1.
    int WaitForExit();
    QString ErrorOutput();

    static QString Program();

private:
    QProcess process_;
    std::string slavePath_;
};

// The program's side of the line: a tty opened raw, as the device link does.
class RawPort {
public:
    RawPort(const std::string &path, int baud);
    ~RawPort();
    RawPort(const RawPort &) = delete;
    RawPort &operator=(const RawPort &) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    bool SetBaud(int baud);
    bool Write(std::string_view bytes);
    // Reads until done(received) or the deadline; returns what came.
    std::string ReadUntil(const std::function<bool(const std::string &)> &done, int deadlineMs = kWaitMs);
    std::string ReadCount(std::size_t count) { return ReadUntil([&](const std::string &s) { return s.size() >= count; }); }
    // Reads a reply to a command of sentLength bytes as the program does:
    // once more than sentLength + extra bytes came and the text ends in an answer.
    std::string ReadReply(std::size_t sentLength, std::size_t extra = 0);
    // What is there right now, without waiting.
    std::string Available();
    // A read failed with EIO or end of file: the far end hung up.
    bool HungUp() const { return hungUp_; }
    void Close();

private:
    int fd_ = -1;
    bool hungUp_ = false;
};

// Lines of a text file (without their line feeds); empty when it is missing.
std::vector<std::string> ReadLines(const std::string &path);
// Waits until the file holds at least count lines; returns its lines.
std::vector<std::string> WaitForLines(const std::string &path, std::size_t count);

// The 265-byte block frame for an address, data bytes first, first + 1, ...
std::string BlockFrame(unsigned address, unsigned char first);
