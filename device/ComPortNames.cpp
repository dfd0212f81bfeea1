#include "ComPortNames.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Names "<prefix><number>" in `dir`, sorted by number.
QStringList NumberedDevices(const QDir &dir, const QString &prefix)
{
    const QRegularExpression pattern(QStringLiteral("^%1(\\d+)$").arg(prefix));
    std::vector<std::pair<qulonglong, QString>> found;
    const QStringList names = dir.entryList({prefix + QLatin1Char('*')}, QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (match.hasMatch())
            found.emplace_back(match.captured(1).toULongLong(), name);
    }
    std::sort(found.begin(), found.end());
    QStringList sorted;
    for (const auto &entry : found)
        sorted << entry.second;
    return sorted;
}

bool HasUart(const QString &sysTtyDir, const QString &name)
{
    QFile type(sysTtyDir + QLatin1Char('/') + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return true;  // nothing known: let opening the port decide
    return type.readAll().trimmed() != "0";
}

}  // namespace

QStringList MachineSerialDevices(const QString &devDir, const QString &sysTtyDir)
{
    const QDir dir(devDir);
    QStringList devices;
    for (const QString &prefix : {QStringLiteral("ttyUSB"), QStringLiteral("ttyACM")}) {
        for (const QString &name : NumberedDevices(dir, prefix))
            devices << dir.filePath(name);
    }
    for (const QString &name : NumberedDevices(dir, QStringLiteral("ttyS"))) {
        if (HasUart(sysTtyDir, name))
            devices << dir.filePath(name);
    }
    return devices;
}

namespace {

QString &OnlySerialPort()
{
    static QString path;
    return path;
}

} // namespace

void UseOnlySerialPort(const QString &path)
{
    OnlySerialPort() = path;
}

QString ComPortPath(int number)
{
    if (number < 1)
        return {};
    if (const QString &only = OnlySerialPort(); !only.isEmpty())
        return number == 1 ? only : QString();
    const QByteArray variable = "TARVELLO_COM" + QByteArray::number(number);
    if (qEnvironmentVariableIsSet(variable.constData()))
        return qEnvironmentVariable(variable.constData());
    if (qEnvironmentVariable("TARVELLO_COM_ONLY_ENV") == QLatin1String("1"))
        return {};
    const QStringList devices = MachineSerialDevices();
    return number <= devices.size() ? devices.at(number - 1) : QString();
}
