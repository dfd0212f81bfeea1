#include "SimHarness.h"

#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

speed_t SpeedOf(int baud)
{
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

} // namespace

SimProcess::SimProcess(const QStringList &arguments)
{
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(Program(), arguments);
    if (!process_.waitForStarted(kWaitMs))
        return;
    QElapsedTimer timer;
    timer.start();
    while (!process_.canReadLine() && timer.elapsed() < kWaitMs) {
        if (!process_.waitForReadyRead(kWaitMs - static_cast<int>(timer.elapsed())))
            break;
    }
    const QString line = QString::fromUtf8(process_.readLine()).trimmed();
    if (line.startsWith(QLatin1String("PTY ")) || line.startsWith(QLatin1String("TTY ")))
        slavePath_ = line.mid(4).toStdString();
}

SimProcess::~SimProcess()
{
    Stop();
}

QString SimProcess::Program()
{
    return qEnvironmentVariable("TARVELLO_MODULE_SIM");
}

int SimProcess::Stop()
{
    if (process_.state() != QProcess::NotRunning)
        process_.terminate();
    return WaitForExit();
}

int SimProcess::WaitForExit()
{
    if (process_.state() != QProcess::NotRunning && !process_.waitForFinished(kWaitMs)) {
        process_.kill();
        process_.waitForFinished(kWaitMs);
        return -1;
    }
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

QString SimProcess::ErrorOutput()
{
    return QString::fromUtf8(process_.readAllStandardError());
}

RawPort::RawPort(const std::string &path, int baud)
{
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return;
    termios t{};
    if (tcgetattr(fd_, &t) != 0) {
        Close();
        return;
    }
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd_, TCSANOW, &t);
    if (!SetBaud(baud))
        Close();
}

RawPort::~RawPort()
{
    Close();
}

void RawPort::Close()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool RawPort::SetBaud(int baud)
{
    termios t{};
    if (fd_ < 0 || tcgetattr(fd_, &t) != 0)
        return false;
    cfsetispeed(&t, SpeedOf(baud));
    cfsetospeed(&t, SpeedOf(baud));
    return tcsetattr(fd_, TCSANOW, &t) == 0;
}

bool RawPort::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            if (poll(&p, 1, kWaitMs) <= 0)
                return false;
        } else if (!(n < 0 && errno == EINTR)) {
            return false;
        }
    }
    return true;
}

std::string RawPort::ReadUntil(const std::function<bool(const std::string &)> &done, int deadlineMs)
{
    std::string received;
    QElapsedTimer timer;
    timer.start();
    while (!done(received) && !hungUp_ && fd_ >= 0) {
        const int left = deadlineMs - static_cast<int>(timer.elapsed());
        if (left <= 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n > 0)
            received.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            hungUp_ = true;
    }
    return received;
}

std::string RawPort::ReadReply(std::size_t sentLength, std::size_t extra)
{
    return ReadUntil([&](const std::string &s) {
        const bool answered = s.ends_with("OK\r\n") || s.ends_with("ERROR\r\n");
        return s.size() > sentLength + extra && answered;
    });
}

std::string RawPort::Available()
{
    std::string received;
    char buffer[4096];
    ssize_t n;
    while (fd_ >= 0 && (n = read(fd_, buffer, sizeof buffer)) > 0)
        received.append(buffer, static_cast<std::size_t>(n));
    return received;
}

std::vector<std::string> ReadLines(const std::string &path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> WaitForLines(const std::string &path, std::size_t count)
{
    QElapsedTimer timer;
    timer.start();
    auto lines = ReadLines(path);
    while (lines.size() < count && timer.elapsed() < kWaitMs) {
        QThread::msleep(5);
        lines = ReadLines(path);
    }
    return lines;
}

std::string BlockFrame(unsigned address, unsigned char first)
{
    std::string frame = "ATA";
    for (int i = 0; i < 4; ++i)
        frame += static_cast<char>((address >> (8 * i)) & 0xFF);
    frame += '0';
    for (int i = 0; i < 256; ++i)
        frame += static_cast<char>(static_cast<unsigned char>(first + i));
    frame += '\0';
    return frame;
}
