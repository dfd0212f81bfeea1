#pragma once

// The module simulator as a child process on a fresh pseudo-terminal,
// pacing the line at the speed given, for the upload benchmarks.

#include <string>
#include <vector>

#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace bench {

inline std::string SimulatorPath()
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

}  // namespace bench
