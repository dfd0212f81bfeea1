#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <ostream>
#include <string>

// The module simulator (tools/module-sim) as a child process on a fresh
// pseudo-terminal, with its command log in a temporary folder.
class ModuleSim {
public:
    // Starts the simulator with `arguments` added to --pty --log; check
    // started() (and error()) afterwards.
    explicit ModuleSim(const QStringList &arguments = {});
    ~ModuleSim();
    ModuleSim(const ModuleSim &) = delete;
    ModuleSim &operator=(const ModuleSim &) = delete;

    bool started() const { return !slavePath_.isEmpty(); }
    QString error() const { return error_; }
    QString slavePath() const { return slavePath_; }
    QByteArray slavePathBytes() const { return slavePath_.toLocal8Bit(); }
    QString logPath() const { return logPath_; }

    // The log's lines, once it holds at least `atLeast` of them or `wait`
    // passed (the simulator logs from its own process).
    QStringList log(int atLeast = 0, std::chrono::milliseconds wait = std::chrono::seconds(3)) const;
    // Waits until the simulator has ended (e.g. after a hang-up fault).
    bool waitForExit(std::chrono::milliseconds wait);

    // Path of the simulator binary; empty when the build has none.
    static QString Program();

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString slavePath_;
    QString logPath_;
    QString error_;
};

// Joins consecutive "NOISE <baud> ..." lines of one speed into one line (the
// simulator logs noise as it arrives, in pieces).
QStringList JoinNoise(const QStringList &log);

// Lets test failures print Qt strings readably.
void PrintTo(const QString &text, std::ostream *out);

// A command as the simulator logs it: printable ASCII as is except '\\',
// CR "\r", LF "\n", everything else "\xNN".
QString EscapeForLog(const std::string &bytes);
