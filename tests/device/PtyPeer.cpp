#include "PtyPeer.h"

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
        throw std::runtime_error("no pseudo-terminal");
    slavePath_ = ::ptsname(master_);
    keeper_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    ::tcgetattr(keeper_, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(keeper_, TCSANOW, &raw);
}

PtyPeer::~PtyPeer()
{
    wait();
    hangUp();
}

std::string PtyPeer::read(std::size_t count, std::chrono::milliseconds timeout)
{
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (bytes.size() < count && master_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd wait{master_, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count()) + 1) <= 0)
            continue;
        char buffer[512];
        const ssize_t got = ::read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (got <= 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    return bytes;
}

std::string PtyPeer::drain()
{
    std::string bytes;
    for (;;) {
        pollfd wait{master_, POLLIN, 0};
        if (master_ < 0 || ::poll(&wait, 1, 0) <= 0 || (wait.revents & POLLIN) == 0)
            return bytes;
        char buffer[512];
        const ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got <= 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

void PtyPeer::write(const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size() && master_ >= 0) {
        const ssize_t put = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return;
        done += static_cast<std::size_t>(put);
    }
}

void PtyPeer::hangUp()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
    if (keeper_ >= 0)
        ::close(keeper_);
    keeper_ = -1;
}
