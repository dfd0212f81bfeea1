#pragma once

#include <chrono>
#include <string>
#include <thread>

// The far end of a pseudo-terminal, played by the test: the link opens the
// slave path, the test reads what was sent and writes scripted replies on
// the master. A second slave descriptor stays open (as a module simulator
// keeps one) so the master does not hang up between the link's opens.
class PtyPeer {
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    const std::string &slavePath() const { return slavePath_; }
    int master() const { return master_; }

    // Reads until `count` bytes came or `timeout` passed; returns what came.
    std::string read(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Everything that is waiting now, without waiting.
    std::string drain();
    void write(const std::string &bytes);
    // Closes the master: the link's side sees a hang-up.
    void hangUp();

    // Runs `script` on a thread (joined by wait() or the destructor).
    template <typename Script> void serve(Script script)
    {
        wait();
        thread_ = std::thread([this, script]() mutable { script(*this); });
    }
    void wait()
    {
        if (thread_.joinable())
            thread_.join();
    }

private:
    int master_ = -1;
    int keeper_ = -1;
    std::string slavePath_;
    std::thread thread_;
};
