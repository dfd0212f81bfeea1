#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>

#include <vector>

// The addresses a phone on the same network can reach the laptop at: the
// IPv4 addresses of the interfaces that are up, never the loopback, the one
// on the default route first (the network the laptop uses, most likely the
// phone's too).
class PhoneAddresses {
public:
    struct Interface {
        QString name;           // "wlan0"
        bool up = false;        // up and running
        bool loopback = false;
        QList<QHostAddress> addresses;
    };

    // The machine's addresses, in order. The environment variable
    // TARVELLO_PHONE_LISTEN (comma-separated addresses) replaces them, for
    // the simulator standing in for the phone on this machine.
    static QList<QHostAddress> Find();

    // The addresses of these interfaces in order: the default route's
    // interface first, then the others as listed; loopback, down interfaces,
    // IPv6 and link-local (169.254/16) addresses left out.
    static QList<QHostAddress> Order(const std::vector<Interface> &interfaces, const QString &defaultInterface);

    // The interface of the default route in the text of /proc/net/route
    // (destination 00000000, mask 00000000, the lowest metric); empty when
    // there is none.
    static QString DefaultRouteInterface(const QByteArray &routeTable);
};
