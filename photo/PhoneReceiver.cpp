#include "PhoneReceiver.h"

#include "GuardedTcpServer.h"
#include "PhotoUpload.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>

Q_LOGGING_CATEGORY(lcPhone, "tarvello.phone")

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("PhoneReceiver", text);
}

using Status = QHttpServerResponse::StatusCode;

QHttpServerResponse Text(const QString &text, Status status)
{
    QHttpServerResponse response("text/plain; charset=utf-8", text.toUtf8(), status);
    response.addHeader("Cache-Control", "no-store");
    return response;
}

QHttpServerResponse NotFound()
{
    return Text(Tr("Нет такой страницы. Отсканируйте код на экране компьютера ещё раз."), Status::NotFound);
}

QHttpServerResponse NotAllowed(const QByteArray &allowed)
{
    QHttpServerResponse response = Text(Tr("Этот запрос здесь не принимается."), Status::MethodNotAllowed);
    response.addHeader("Allow", allowed);
    return response;
}

} // namespace

// What the server's thread and the receiver's share.
struct PhoneReceiver::State {
    QMutex mutex;
    QByteArray token;
    QDeadlineTimer expires;
    int photos = 0;
    QString folder;

    bool Valid(QByteArrayView token)
    {
        QMutexLocker lock(&mutex);
        return !this->token.isEmpty() && token == this->token && !expires.hasExpired();
    }
    QByteArray UploadTarget()
    {
        QMutexLocker lock(&mutex);
        return '/' + token + "/photo";
    }
    QString NextStem()
    {
        QMutexLocker lock(&mutex);
        return QDir(folder).filePath(QStringLiteral("phone-%1").arg(++photos));
    }
};

PhoneReceiver::PhoneReceiver(QObject *parent) : QObject(parent), state_(std::make_shared<State>())
{
    state_->folder = folder_.path();
    expiry_.setSingleShot(true);
    expiry_.setInterval(kLifetimeMs);
    connect(&expiry_, &QTimer::timeout, this, &PhoneReceiver::TokenExpired);
    thread_.setObjectName(QStringLiteral("phone page server"));
    threadContext_.moveToThread(&thread_);
}

PhoneReceiver::~PhoneReceiver()
{
    Stop();
}

QByteArray PhoneReceiver::PageHtml()
{
    QFile page(QStringLiteral(":/phone/page.html"));
    if (!page.open(QIODevice::ReadOnly))
        return {};
    const QString note = PhotoUpload::ReadsHeic()
        ? QString()
        : Tr("Снимки HEIC этот компьютер не читает. На iPhone выберите в настройках камеры «Форматы» → "
             "«Наиболее совместимый» (JPEG).");
    return page.readAll().replace("{{note}}", note.toHtmlEscaped().toUtf8());
}

QHttpServer *PhoneReceiver::MakeServer(const std::shared_ptr<State> &state)
{
    auto *server = new QHttpServer;
    const QByteArray page = PageHtml();
    server->route("/<arg>/", [state, page](const QString &token, const QHttpServerRequest &request) {
        if (!state->Valid(token.toLatin1()))
            return NotFound();
        if (request.method() != QHttpServerRequest::Method::Get)
            return NotAllowed("GET");
        QHttpServerResponse response("text/html; charset=utf-8", page);
        response.addHeader("Cache-Control", "no-store");
        return response;
    });
    server->route("/<arg>/photo", [this, state](const QString &token, const QHttpServerRequest &request) {
        if (!state->Valid(token.toLatin1()))
            return NotFound();
        if (request.method() != QHttpServerRequest::Method::Post)
            return NotAllowed("POST");
        // Decoded here, on the server's thread: the window's thread only
        // gets a photo that reads.
        PhotoUpload::Result result = PhotoUpload::Check(request.body(), state->NextStem());
        if (result.status == 200)
            emit PhotoReceived(result.path, result.read.picture);
        return Text(result.text, static_cast<Status>(result.status));
    });
    // Everything else gets QHttpServer's own empty 404.
    return server;
}

QList<QHostAddress> PhoneReceiver::Start(const QList<QHostAddress> &addresses)
{
    Stop();
    Renew();
    const std::shared_ptr<State> state = state_;
    auto shared = std::make_shared<GuardedTcpServer::Shared>();
    shared->idleTimeoutMs = idleTimeoutMs_;
    shared->isUpload = [state](const QByteArray &method, const QByteArray &target) {
        return method == "POST" && target == state->UploadTarget();
    };
    thread_.start();
    // Made on the server's thread, with everything it owns.
    QList<std::pair<QHostAddress, quint16>> listening;
    QMetaObject::invokeMethod(
        &threadContext_,
        [this, state, shared, addresses, &listening] {
            server_ = MakeServer(state);
            for (const QHostAddress &address : addresses) {
                auto *guard = new GuardedTcpServer(shared, server_);
                if (!guard->listen(address, 0)) {
                    delete guard;
                    continue;
                }
                server_->bind(guard);
                guard->WatchAfterServer();
                listening.append({address, guard->serverPort()});
            }
        },
        Qt::BlockingQueuedConnection);
    listening_ = listening;
    if (listening_.isEmpty())
        Stop();
    // On the program's log, for whoever stands in for the phone on this
    // machine (scripts/run.sh --phone).
    for (const auto &[address, port] : listening_)
        qCInfo(lcPhone, "phone page: %s", PageUrl(address).toEncoded().constData());
    QList<QHostAddress> result;
    for (const auto &[address, port] : listening_)
        result.append(address);
    return result;
}

void PhoneReceiver::Stop()
{
    expiry_.stop();
    {
        QMutexLocker lock(&state_->mutex);
        state_->token.clear();
    }
    if (server_) {
        QMetaObject::invokeMethod(&threadContext_, [server = server_] { delete server; }, Qt::BlockingQueuedConnection);
        server_ = nullptr;
    }
    thread_.quit();
    thread_.wait();
    listening_.clear();
}

QList<QHostAddress> PhoneReceiver::Addresses() const
{
    QList<QHostAddress> addresses;
    for (const auto &[address, port] : listening_)
        addresses.append(address);
    return addresses;
}

QUrl PhoneReceiver::PageUrl(const QHostAddress &address) const
{
    for (const auto &[listened, port] : listening_) {
        if (listened != address)
            continue;
        QMutexLocker lock(&state_->mutex);
        QUrl url;
        url.setScheme(QStringLiteral("http"));
        url.setHost(address.toString());
        url.setPort(port);
        url.setPath(QLatin1Char('/') + QString::fromLatin1(state_->token) + QLatin1Char('/'));
        return url;
    }
    return {};
}

void PhoneReceiver::Renew()
{
    quint32 bits[4];
    QRandomGenerator::system()->fillRange(bits);
    {
        QMutexLocker lock(&state_->mutex);
        state_->token = QByteArray(reinterpret_cast<const char *>(bits), sizeof bits).toHex();
        state_->expires = QDeadlineTimer(expiry_.interval());
    }
    expiry_.start();
}

bool PhoneReceiver::Expired() const
{
    QMutexLocker lock(&state_->mutex);
    return state_->expires.hasExpired();
}

void PhoneReceiver::SetLifetime(int ms)
{
    expiry_.setInterval(ms);
}
