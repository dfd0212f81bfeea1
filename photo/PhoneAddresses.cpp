#include "PhoneAddresses.h"

#include <QFile>
#include <QNetworkInterface>

#include <limits>

QList<QHostAddress> PhoneAddresses::Find()
{
    if (const QByteArray given = qgetenv("TARVELLO_PHONE_LISTEN"); !given.isEmpty()) {
        QList<QHostAddress> addresses;
        for (const QByteArray &text : given.split(','))
            if (QHostAddress address(QString::fromLatin1(text.trimmed())); !address.isNull())
                addresses.append(address);
        return addresses;
    }
    std::vector<Interface> interfaces;
    for (const QNetworkInterface &found : QNetworkInterface::allInterfaces()) {
        Interface entry;
        entry.name = found.name();
        entry.up = found.flags().testFlags(QNetworkInterface::IsUp | QNetworkInterface::IsRunning);
        entry.loopback = found.flags().testFlag(QNetworkInterface::IsLoopBack);
        for (const QNetworkAddressEntry &address : found.addressEntries())
            entry.addresses.append(address.ip());
        interfaces.push_back(std::move(entry));
    }
    QFile routes(QStringLiteral("/proc/net/route"));
    const QByteArray table = routes.open(QIODevice::ReadOnly) ? routes.read(1 << 20) : QByteArray();
    return Order(interfaces, DefaultRouteInterface(table));
}

QList<QHostAddress> PhoneAddresses::Order(const std::vector<Interface> &interfaces, const QString &defaultInterface)
{
    QList<QHostAddress> first, rest;
    for (const Interface &entry : interfaces) {
        if (!entry.up || entry.loopback)
            continue;
        for (const QHostAddress &address : entry.addresses) {
            if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback()
                || address.isInSubnet(QHostAddress(QStringLiteral("169.254.0.0")), 16))
                continue;
            (entry.name == defaultInterface ? first : rest).append(address);
        }
    }
    return first + rest;
}

QString PhoneAddresses::DefaultRouteInterface(const QByteArray &routeTable)
{
    QString best;
    long long bestMetric = std::numeric_limits<long long>::max();
    const QList<QByteArray> lines = routeTable.split('\n');
    // Columns: Iface Destination Gateway Flags RefCnt Use Metric Mask ...
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> cells = lines[i].simplified().split(' ');
        if (cells.size() < 8 || cells[1] != "00000000" || cells[7] != "00000000")
            continue;
        bool flagsOk = false, metricOk = false;
        const int flags = cells[3].toInt(&flagsOk, 16);
        const long long metric = cells[6].toLongLong(&metricOk);
        constexpr int kRouteUp = 0x1;
        if (!flagsOk || !metricOk || !(flags & kRouteUp) || metric >= bestMetric)
            continue;
        best = QString::fromLatin1(cells[0]);
        bestMetric = metric;
    }
    return best;
}
