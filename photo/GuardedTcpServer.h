#pragma once

#include "RequestFramer.h"

#include <QByteArray>
#include <QPointer>
#include <QTcpServer>

#include <functional>
#include <memory>

class QTcpSocket;

// The listening socket of the phone's page server, handed to QHttpServer,
// which keeps reading its connections. It watches each connection's bytes
// before the HTTP server buffers them (that server has no limits of its
// own): a request over the size limits, a second upload while one is still
// coming, or a sender silent for the idle time-out mid-request is answered
// here with its status and the connection closed, and its bytes never reach
// the HTTP server. Lives on the server's thread with its connections.
class GuardedTcpServer : public QTcpServer {
    Q_OBJECT

public:
    // What every listening socket of one server shares (all on one thread).
    struct Shared {
        // Whether a request (method, target) is a photo upload.
        std::function<bool(const QByteArray &method, const QByteArray &target)> isUpload;
        int idleTimeoutMs = 20'000;
        // More connections at once than this are closed as they come.
        int maxConnections = 8;
        // The connection whose upload is coming now.
        QPointer<QTcpSocket> uploader;
        int connections = 0;
    };

    GuardedTcpServer(std::shared_ptr<Shared> shared, QObject *parent = nullptr);
    ~GuardedTcpServer() override;

    // To be called once QHttpServer is bound to this server: from then on
    // what it read of each connection is known.
    void WatchAfterServer();

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    struct Watch;

    // Before the HTTP server reads: the new bytes through the framer.
    void BeforeServer(QTcpSocket *socket, Watch *watch);
    void Refuse(QTcpSocket *socket, Watch *watch, int status, const QString &text);

    std::shared_ptr<Shared> shared_;
    // Connections not yet watched after the HTTP server.
    QList<QPointer<Watch>> fresh_;
};
