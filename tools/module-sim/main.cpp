// module-sim: plays the TRX-G-K4 overlay module on a pseudo-terminal (or a
// serial line) for tests and for running the setup program without the
// hardware, and on request shows what the module puts on the car monitor.
// See --help and README.md.

#include "LineSession.h"
#include "MonitorApp.h"
#include "ModuleExecutor.h"
#include "SimOptions.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace ModuleSim;

namespace {

int g_stopPipe[2] = {-1, -1};

// How long the line stays open after a scripted hang-up so that the bytes
// sent before it reach the program, ms.
constexpr int kHangUpSettleMs = 100;

void OnStopSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(g_stopPipe[1], &byte, 1);
    errno = saved;
}

bool InstallSignals()
{
    if (pipe2(g_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
        if (sigaction(sig, &action, nullptr) != 0)
            return false;
    }
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

// Raw 8N1, no flow control, receiver on, modem lines ignored.
bool MakeRaw(int fd, int baud, std::string *problem)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        *problem = std::string("tcgetattr: ") + std::strerror(errno);
        return false;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CRTSCTS | CSTOPB | PARENB);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, SpeedOfBaud(baud));
    cfsetospeed(&t, SpeedOfBaud(baud));
    if (tcsetattr(fd, TCSANOW, &t) != 0) {
        *problem = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    return true;
}

// The line the simulator serves: the fd it reads and writes, the fd whose
// settings give the speed, and the fd of the pty slave it holds open.
struct Line {
    int io = -1;
    int speed = -1;
    int heldSlave = -1;
    std::string path;
};

bool OpenPty(Line *line, std::string *problem)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        *problem = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char *name = ptsname(master);
    if (name == nullptr) {
        *problem = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    line->path = name;
    // Held open, never read and never locked: the master then sees no
    // hang-up when the program closes and reopens the port between probes.
    line->heldSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line->heldSlave < 0) {
        *problem = "cannot open " + line->path + ": " + std::strerror(errno);
        return false;
    }
    if (!MakeRaw(line->heldSlave, 57600, problem))
        return false;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    line->io = master;
    line->speed = master;
    return true;
}

bool OpenTty(const std::string &path, int baud, Line *line, std::string *problem)
{
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *problem = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    if (!isatty(fd)) {
        *problem = path + " is not a terminal";
        close(fd);
        return false;
    }
    line->io = fd;
    line->speed = fd;
    line->path = path;
    return MakeRaw(fd, baud, problem);
}

bool MakeLink(const std::string &link, const std::string &target, std::string *problem)
{
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            *problem = link + " exists and is not a symlink; not replaced";
            return false;
        }
        unlink(link.c_str());
    }
    if (symlink(target.c_str(), link.c_str()) != 0) {
        *problem = "cannot make the symlink " + link + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Removes the symlink only while it still points at this simulator's line.
void RemoveLink(const std::string &link, const std::string &target)
{
    char buffer[PATH_MAX];
    const ssize_t n = readlink(link.c_str(), buffer, sizeof buffer - 1);
    if (n > 0 && std::string(buffer, static_cast<std::size_t>(n)) == target)
        unlink(link.c_str());
}

} // namespace

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    SimOptions options;
    const std::string error = ParseCommandLine(argc, argv, &options);
    if (!error.empty()) {
        std::fprintf(stderr, "module-sim: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (const std::string problem = MonitorProblem(options); !problem.empty()) {
        std::fprintf(stderr, "module-sim: %s\n", problem.c_str());
        return 2;
    }
    if (options.pace) {
        // Byte times are a few hundred microseconds: ask for wake-ups to match.
        prctl(PR_SET_TIMERSLACK, 1000UL, 0UL, 0UL, 0UL);
    }
    if (!InstallSignals()) {
        std::perror("module-sim: signals");
        return 1;
    }
    // A simulator outlives nobody: when the test or script that started it
    // dies, it stops too (and removes its link) instead of lingering.
    prctl(PR_SET_PDEATHSIG, SIGTERM, 0UL, 0UL, 0UL);

    ModuleExecutor executor(options.statePath);
    std::vector<std::string> problems;
    if (!executor.LoadState(&problems)) {
        for (const auto &p : problems)
            std::fprintf(stderr, "module-sim: %s\n", p.c_str());
    }
    // Switched on with reverse gear engaged, as the module is in the car.
    executor.PowerOn(ModuleExecutor::Clock::now());
    if (options.startWithGrid)
        executor.Execute("ATS3\r");
    if (!options.phoneUrl.empty())
        return SendPhotoToPhonePage(options, executor);
    if (options.once)
        return WriteMonitorOnce(options, executor);

    int logFd = -1;
    if (!options.logPath.empty()) {
        logFd = open(options.logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (logFd < 0) {
            std::fprintf(stderr, "module-sim: cannot open the log %s: %s\n", options.logPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

    Line line;
    std::string problem;
    const bool opened = options.ttyPath.empty() ? OpenPty(&line, &problem)
                                                : OpenTty(options.ttyPath, options.speeds.front(), &line, &problem);
    if (!opened) {
        std::fprintf(stderr, "module-sim: %s\n", problem.c_str());
        return 1;
    }
    if (!options.linkPath.empty() && !MakeLink(options.linkPath, line.path, &problem)) {
        std::fprintf(stderr, "module-sim: %s\n", problem.c_str());
        return 1;
    }
    std::printf("%s %s\n", options.ttyPath.empty() ? "PTY" : "TTY", line.path.c_str());
    std::fflush(stdout);

    LineSession session(line.io, line.speed, g_stopPipe[0], logFd, options, executor);
    const LineSession::End end = options.ShowsMonitor() ? RunWithMonitor(options, executor, session) : session.Run();

    if (end == LineSession::End::HungUp) {
        // Bytes still on their way through the pty are discarded when the
        // master closes; give what was sent before the hang-up time to arrive.
        pollfd stop{g_stopPipe[0], POLLIN, 0};
        poll(&stop, 1, kHangUpSettleMs);
    }
    if (!options.linkPath.empty())
        RemoveLink(options.linkPath, line.path);
    close(line.io);
    if (line.heldSlave >= 0)
        close(line.heldSlave);
    if (logFd >= 0)
        close(logFd);
    if (end == LineSession::End::HungUp)
        std::fprintf(stderr, "module-sim: hung up after %ld received bytes\n", options.hangupAfter);
    return end == LineSession::End::LineFailed ? 1 : 0;
}
