#include "ComPortLink.h"

#include "ComPortNames.h"
#include "PortHolder.h"
#include "SystemErrorText.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Frames shorter than this lose their last byte (the "\n" of a text command).
constexpr unsigned kShortenBelowBytes = 100;
// Bytes sent between two pacing pauses, and the pause in µs.
constexpr unsigned kBytesPerPause = 16;
constexpr unsigned kPausePerBytesUs = 500;
// ms the link rests after every exchange, whatever its outcome, before the
// next one starts.
constexpr unsigned kRestAfterExchangeMs = 20;
// Longest single wait for reply bytes: 10 ms plus 1 ms per byte asked for.
constexpr int kReadWaitBaseMs = 10;
// Line speeds of Open(N) and Open(256 + N).
constexpr int kSlowBaud = 9600;
constexpr int kFastBaud = 57600;

// Milliseconds left until `deadline`, rounded up so that a wait never ends
// just before it and spins.
int MillisecondsUntil(Clock::time_point deadline)
{
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<long long>(ms, 1 << 30));
}

}  // namespace

OpenError OpenErrorFromErrno(int error)
{
    switch (error) {
    case 0:
        return OpenError::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return OpenError::Missing;
    case EBUSY:
    case EWOULDBLOCK:
        return OpenError::Busy;
    case EACCES:
    case EPERM:
        return OpenError::PermissionDenied;
    case ENOTTY:
        return OpenError::NotATerminal;
    default:
        return OpenError::Other;
    }
}

ComPortLink::ComPortLink() = default;

ComPortLink::~ComPortLink()
{
    if (fd_ >= 0)
        ::close(fd_);
}

int ComPortLink::BaudForPort(int port) { return port > 255 ? kFastBaud : kSlowBaud; }

LinkResult ComPortLink::FailOpen(OpenError error, int errnoValue)
{
    openError_ = error;
    openErrorText_ = errnoValue != 0 ? SystemErrorText(errnoValue) : QString();
    return kLinkFail;
}

LinkResult ComPortLink::Open(int port)
{
    if (fd_ >= 0)
        Close();
    OpenedWith(port);
    const int number = port & 0xFF;
    portArgument_ = number;
    baud_ = BaudForPort(port);
    openError_ = OpenError::None;
    openErrorText_.clear();
    holder_.reset();
    devicePath_ = ComPortPath(number);
    if (devicePath_.isEmpty())
        return FailOpen(OpenError::Missing, 0);
    // A program that holds the port without a lock would read the replies
    // or write into them: the port is not touched (opening a real port may
    // raise its modem lines under that program).
    holder_ = FindPortHolder(devicePath_);
    if (holder_)
        return FailOpen(OpenError::Busy, 0);

    const QByteArray path = QFile::encodeName(devicePath_);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return FailOpen(OpenErrorFromErrno(errno), errno);
    fd_ = fd;

    auto fail = [this](OpenError error, int errnoValue) {
        Close();
        return FailOpen(error, errnoValue);
    };
    if (!::isatty(fd))
        return fail(OpenError::NotATerminal, ENOTTY);
    // TIOCEXCL keeps other users out but not root; the lock covers that.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        return fail(error == EWOULDBLOCK ? OpenError::Busy : OpenError::Other, error);
    }
    if (::ioctl(fd, TIOCEXCL) != 0)
        return fail(OpenErrorFromErrno(errno), errno);

    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return fail(OpenError::Other, errno);
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP | IGNPAR | PARMRK);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    const speed_t speed = baud_ == kFastBaud ? B57600 : B9600;
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0
        || ::tcsetattr(fd, TCSANOW, &settings) != 0)
        return fail(OpenError::Other, errno);
    // DTR and RTS held off. A pseudo-terminal has no modem lines: ignored.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    ::tcflush(fd, TCIOFLUSH);
    return kLinkOk;
}

int ComPortLink::Close()
{
    ForgetLoss();
    if (fd_ < 0)
        return 0;
    // Clear the exclusive flag: the tty may outlive our descriptor (a
    // pseudo-terminal whose other side keeps it open) and must stay openable.
    ::ioctl(fd_, TIOCNXCL);
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
}

int ComPortLink::Probe()
{
    const std::size_t length = std::strlen(Protocol::kProbeCommand);
    std::memcpy(command_.data(), Protocol::kProbeCommand, length);
    Transact(command_.data(), static_cast<unsigned>(length), Protocol::kProbeTimeoutMs, 0);
    probeHeard_ = std::any_of(reply_.begin(), reply_.end(), [](std::uint8_t b) { return b != 0; });
    const auto *text = reinterpret_cast<const char *>(reply_.data());
    const std::string_view reply(text, ::strnlen(text, reply_.size()));
    return reply.find(Protocol::kProbeReply) != std::string_view::npos ? 0 : 1;
}

bool ComPortLink::WriteByte(std::uint8_t byte, unsigned timeoutMs)
{
    const Clock::time_point giveUp = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const ssize_t written = ::write(fd_, &byte, 1);
        if (written == 1)
            return true;
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Output queue full: wait for room, not past the command's time.
            pollfd wait{fd_, POLLOUT, 0};
            const int ready = ::poll(&wait, 1, MillisecondsUntil(giveUp));
            if (ready > 0 && (wait.revents & POLLOUT) != 0)
                continue;
            if (ready < 0 && errno == EINTR)
                continue;
        }
        return false;  // hung up, or no room within the time
    }
}

LinkResult ComPortLink::Transact(const std::uint8_t *bytes, unsigned length, unsigned timeoutMs,
                                 unsigned extraBytes)
{
    reply_.fill(0);
    replyLength_ = 0;
    ReopenIfLost();
    if (fd_ < 0 || (bytes == nullptr && length > 0))
        return kLinkFail;

    std::this_thread::sleep_until(restUntil_);
    ::tcflush(fd_, TCIOFLUSH);
    const unsigned sent = (length > 0 && length < kShortenBelowBytes) ? length - 1 : length;

    LinkResult result = kLinkFail;
    bool lineAlive = true;
    for (unsigned i = 0; i < sent && lineAlive; ++i) {
        lineAlive = WriteByte(bytes[i], timeoutMs);
        if ((i + 1) % kBytesPerPause == 0)
            BusyWaitMicroseconds(kPausePerBytesUs);
    }

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t received = 0;
    std::uint8_t overflow[Protocol::kReadChunk];
    while (lineAlive) {
        const int left = MillisecondsUntil(deadline);
        if (left <= 0)
            break;
        const std::size_t room = reply_.size() - received;
        const std::size_t ask = std::min(Protocol::kReadChunk, room);
        const int readWait = kReadWaitBaseMs + static_cast<int>(ask);
        pollfd wait{fd_, POLLIN, 0};
        const int ready = ::poll(&wait, 1, std::min(left, readWait));
        if (ready < 0) {
            lineAlive = errno == EINTR;
            continue;
        }
        if (ready == 0)
            continue;
        if ((wait.revents & POLLIN) == 0) {
            lineAlive = false;  // POLLHUP, POLLERR or POLLNVAL alone: the device is gone
            continue;
        }
        // A full reply buffer without a verdict: keep draining the line into
        // scratch space until the deadline, never past the buffer.
        std::uint8_t *target = ask > 0 ? reply_.data() + received : overflow;
        const ssize_t got = ::read(fd_, target, ask > 0 ? ask : sizeof overflow);
        if (got < 0) {
            lineAlive = errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
            continue;
        }
        if (got == 0) {
            // End of file on a hung-up line (reported with POLLHUP/POLLERR).
            lineAlive = (wait.revents & (POLLHUP | POLLERR)) == 0;
            continue;
        }
        if (ask == 0)
            continue;
        received += static_cast<std::size_t>(got);
        replyLength_ = received;
        const ReplyVerdict verdict = JudgeReply(received, sent, extraBytes);
        if (verdict == ReplyVerdict::Ok) {
            result = kLinkOk;
            break;
        }
        if (verdict == ReplyVerdict::Error)
            break;
    }

    restUntil_ = Clock::now() + std::chrono::milliseconds(kRestAfterExchangeMs);
    if (!lineAlive)
        return LostInExchange();  // hung up: the device is gone
    return result;
}
