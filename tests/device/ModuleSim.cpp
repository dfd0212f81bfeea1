#include "ModuleSim.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

ModuleSim::ModuleSim(const QStringList &arguments)
{
    const QString program = Program();
    if (program.isEmpty()) {
        error_ = QStringLiteral("TARVELLO_MODULE_SIM is not set: the build has no module-sim");
        return;
    }
    logPath_ = dir_.filePath(QStringLiteral("commands.log"));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, QStringList{QStringLiteral("--pty"), QStringLiteral("--log"), logPath_} + arguments);
    if (!process_.waitForStarted(5000)) {
        error_ = QStringLiteral("module-sim did not start: ") + process_.errorString();
        return;
    }
    QByteArray output;
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const int newline = output.indexOf('\n');
        if (newline >= 0) {
            const QByteArray line = output.left(newline).trimmed();
            if (line.startsWith("PTY "))
                slavePath_ = QString::fromLocal8Bit(line.mid(4));
            else
                error_ = QStringLiteral("module-sim said: ") + QString::fromLocal8Bit(line);
            return;
        }
        if (!process_.waitForReadyRead(static_cast<int>(std::max<qint64>(1, deadline.remainingTime()))))
            break;
        output += process_.readAllStandardOutput();
    }
    error_ = QStringLiteral("module-sim printed no PTY line");
}

ModuleSim::~ModuleSim()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

QStringList ModuleSim::log(int atLeast, std::chrono::milliseconds wait) const
{
    QDeadlineTimer deadline(wait);
    for (;;) {
        QStringList lines;
        QFile file(logPath_);
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray &line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    lines << QString::fromLatin1(line);
        }
        if (lines.size() >= atLeast || deadline.hasExpired())
            return lines;
        QThread::msleep(10);
    }
}

bool ModuleSim::waitForExit(std::chrono::milliseconds wait)
{
    return process_.state() == QProcess::NotRunning || process_.waitForFinished(static_cast<int>(wait.count()));
}

QString ModuleSim::Program() { return qEnvironmentVariable("TARVELLO_MODULE_SIM"); }

QString EscapeForLog(const std::string &bytes)
{
    QString text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\')
            text += QStringLiteral("\\\\");
        else if (byte == '\r')
            text += QStringLiteral("\\r");
        else if (byte == '\n')
            text += QStringLiteral("\\n");
        else if (byte >= 0x20 && byte <= 0x7E)
            text += QLatin1Char(static_cast<char>(byte));
        else
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    return text;
}

QStringList JoinNoise(const QStringList &log)
{
    QStringList joined;
    QString previousPrefix;
    for (const QString &line : log) {
        if (line.startsWith(QLatin1String("NOISE "))) {
            const int space = line.indexOf(QLatin1Char(' '), 6);
            const QString prefix = line.left(space + 1);
            if (!joined.isEmpty() && prefix == previousPrefix) {
                joined.last() += line.mid(space + 1);
                continue;
            }
            previousPrefix = prefix;
        } else {
            previousPrefix.clear();
        }
        joined << line;
    }
    return joined;
}

void PrintTo(const QString &text, std::ostream *out) { *out << '"' << text.toStdString() << '"'; }
