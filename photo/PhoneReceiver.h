#pragma once

#include <QHostAddress>
#include <QImage>
#include <QList>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <memory>

class QHttpServer;

// The phone's page server: while started, it listens on the given
// addresses (a random port each) and answers only under one path holding a
// token of 128 random bits: GET "/<token>/" is the phone's page, POST
// "/<token>/photo" with the photo's bytes as the body is an upload;
// everything else is 404. The token dies after the lifetime (15 minutes) or
// when the server stops. An upload is checked (JPEG or PNG, HEIC where Qt
// reads it, at most 30 MB, one at a time) and decoded before it is
// announced. The server runs on a thread of its own, so a slow or hostile
// phone never holds the window; photos arrive on the receiver's thread.
class PhoneReceiver : public QObject {
    Q_OBJECT

public:
    static constexpr int kLifetimeMs = 15 * 60 * 1000;

    explicit PhoneReceiver(QObject *parent = nullptr);
    ~PhoneReceiver() override;

    // Listens on each address with a new token; returns the addresses it
    // listens on (those it could bind).
    QList<QHostAddress> Start(const QList<QHostAddress> &addresses);
    void Stop();
    bool IsListening() const { return !listening_.isEmpty(); }
    QList<QHostAddress> Addresses() const;
    // The page's address at one of the addresses listened on.
    QUrl PageUrl(const QHostAddress &address) const;
    // A new token (the old one is 404 from now on), its lifetime afresh.
    void Renew();
    bool Expired() const;
    // Where received photos are kept while the receiver lives.
    QString Folder() const { return folder_.path(); }

    // For tests: a shorter token lifetime (from the next Renew), and the
    // time a connection may stay silent mid-request (20 s) before it is
    // answered 408 and closed (from the next Start).
    void SetLifetime(int ms);
    void SetIdleTimeout(int ms) { idleTimeoutMs_ = ms; }

    // The page the phone gets, with the note on HEIC when Qt does not read it.
    static QByteArray PageHtml();

signals:
    // A photo arrived and decodes: the file it is kept in and the picture.
    void PhotoReceived(const QString &path, const QImage &picture);
    // The token's lifetime is over; Renew() makes a new one.
    void TokenExpired();

private:
    struct State;

    QHttpServer *MakeServer(const std::shared_ptr<State> &state);

    QThread thread_;
    QObject threadContext_; // on thread_: what runs there is invoked through it
    QHttpServer *server_ = nullptr; // lives on thread_
    std::shared_ptr<State> state_;
    QList<std::pair<QHostAddress, quint16>> listening_;
    QTemporaryDir folder_;
    QTimer expiry_;
    int idleTimeoutMs_ = 20'000;
};
