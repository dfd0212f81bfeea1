#include "GuardedTcpServer.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("PhoneReceiver", text);
}

QByteArray Reason(int status)
{
    switch (status) {
    case 400:
        return "Bad Request";
    case 408:
        return "Request Timeout";
    case 411:
        return "Length Required";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Error";
    }
}

QString RefusalText(RequestFramer::Verdict verdict)
{
    switch (verdict) {
    case RequestFramer::Verdict::BodyTooLarge:
        return Tr("Снимок больше 30 МБ; уменьшите его размер в настройках камеры.");
    case RequestFramer::Verdict::HeaderTooLarge:
        return Tr("Слишком длинный заголовок запроса.");
    case RequestFramer::Verdict::LengthRequired:
        return Tr("Запрос без длины не принимается.");
    default:
        return Tr("Неправильный запрос.");
    }
}

} // namespace

// What is known of one connection.
struct GuardedTcpServer::Watch : QObject {
    RequestFramer framer;
    // Bytes the HTTP server left unread after its last turn.
    qint64 unread = 0;
    bool refused = false;
    QTimer idle;
};

GuardedTcpServer::GuardedTcpServer(std::shared_ptr<Shared> shared, QObject *parent)
    : QTcpServer(parent), shared_(std::move(shared))
{
}

GuardedTcpServer::~GuardedTcpServer()
{
    // The connections first, while what their handlers share still is.
    qDeleteAll(findChildren<QTcpSocket *>(QString(), Qt::FindDirectChildrenOnly));
}

void GuardedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (shared_->connections >= shared_->maxConnections) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    ++shared_->connections;
    auto *watch = new Watch;
    watch->setParent(socket);
    watch->idle.setSingleShot(true);
    watch->idle.setInterval(shared_->idleTimeoutMs);
    connect(&watch->idle, &QTimer::timeout, socket, [this, socket, watch] {
        if (watch->framer.Partial())
            Refuse(socket, watch, 408, Tr("Снимок не дошёл: связь с телефоном прервалась."));
        else
            socket->disconnectFromHost();
    });
    watch->idle.start();
    // First in line: this runs before the HTTP server reads (it connects
    // its own slot once the connection is taken from the pending queue).
    connect(socket, &QTcpSocket::readyRead, watch, [this, socket, watch] { BeforeServer(socket, watch); });
    connect(socket, &QTcpSocket::disconnected, watch, [this, socket, watch] {
        watch->idle.stop();
        if (shared_->uploader == socket)
            shared_->uploader.clear();
    });
    connect(socket, &QObject::destroyed, this, [shared = shared_] { --shared->connections; });
    fresh_.append(watch);
    addPendingConnection(socket);
}

void GuardedTcpServer::WatchAfterServer()
{
    // Connected after QHttpServer's own handler of new connections, so the
    // readyRead slot made here runs after the one it made.
    connect(this, &QTcpServer::newConnection, this, [this] {
        for (const QPointer<Watch> &watch : std::exchange(fresh_, {})) {
            if (!watch)
                continue;
            auto *socket = static_cast<QTcpSocket *>(watch->parent());
            connect(socket, &QTcpSocket::readyRead, watch, [socket, watch = watch.data()] {
                watch->unread = socket->bytesAvailable();
            });
        }
    });
}

void GuardedTcpServer::BeforeServer(QTcpSocket *socket, Watch *watch)
{
    if (watch->refused) {
        socket->readAll();
        return;
    }
    watch->idle.start();
    const bool wasUploading = shared_->uploader == socket;
    const int requestsBefore = watch->framer.Requests();
    // Only the bytes that came since the HTTP server's last turn are new;
    // those of a body are only counted.
    const qint64 available = socket->bytesAvailable();
    const qint64 fresh = std::max<qint64>(0, available - watch->unread);
    if (watch->framer.InBody() && fresh <= watch->framer.BodyLeft()) {
        watch->framer.SkipBody(fresh);
    } else {
        const QByteArray bytes = socket->peek(available);
        watch->framer.Feed(QByteArrayView(bytes).sliced(bytes.size() - std::min<qint64>(fresh, bytes.size())));
    }
    watch->unread = available;
    const RequestFramer::Verdict verdict = watch->framer.Current();
    if (verdict != RequestFramer::Verdict::Fine) {
        Refuse(socket, watch, RequestFramer::Status(verdict), RefusalText(verdict));
        return;
    }
    const RequestFramer &framer = watch->framer;
    if (framer.Requests() != requestsBefore && shared_->isUpload && shared_->isUpload(framer.Method(), framer.Target())) {
        if (shared_->uploader && shared_->uploader != socket) {
            Refuse(socket, watch, 429, Tr("С другого телефона уже идёт снимок; отправьте ещё раз через минуту."));
            return;
        }
        if (framer.InBody())
            shared_->uploader = socket;
    } else if (wasUploading && !framer.InBody()) {
        // The body is complete: the HTTP server answers it in this turn.
        shared_->uploader.clear();
    }
}

void GuardedTcpServer::Refuse(QTcpSocket *socket, Watch *watch, int status, const QString &text)
{
    watch->refused = true;
    watch->idle.stop();
    if (shared_->uploader == socket)
        shared_->uploader.clear();
    // The HTTP server gets none of it.
    socket->readAll();
    const QByteArray body = text.toUtf8();
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + Reason(status)
                  + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + QByteArray::number(body.size())
                  + "\r\nConnection: close\r\n\r\n" + body);
    socket->disconnectFromHost();
}
