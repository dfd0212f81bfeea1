#include "RequestFramer.h"

#include <QList>

#include <algorithm>

namespace {

// A run of decimal digits that fits a qint64 below the body limit's order;
// -1 for anything else.
qint64 ParseLength(QByteArrayView text)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 15)
        return -1;
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

RequestFramer::Verdict RequestFramer::Feed(QByteArrayView bytes)
{
    while (verdict_ == Verdict::Fine && !bytes.isEmpty()) {
        if (state_ == State::Body) {
            const qint64 taken = std::min<qint64>(bodyLeft_, bytes.size());
            bodyLeft_ -= taken;
            bytes = bytes.sliced(taken);
            if (bodyLeft_ == 0)
                state_ = State::Header;
            continue;
        }
        // Empty lines before a request line are allowed (RFC 9112 2.2).
        if (header_.isEmpty()) {
            while (!bytes.isEmpty() && (bytes.front() == '\r' || bytes.front() == '\n'))
                bytes = bytes.sliced(1);
            if (bytes.isEmpty())
                break;
        }
        // The header ends at the first empty line; it may span pieces. It is
        // kept to kMaxHeader bytes, its empty line included, so that the
        // verdict never depends on how the bytes were cut.
        const qsizetype before = header_.size();
        header_.append(bytes.first(std::min<qsizetype>(bytes.size(), kMaxHeader - before)));
        const qsizetype end = header_.indexOf("\r\n\r\n", std::max<qsizetype>(0, before - 3));
        if (end < 0) {
            if (header_.size() >= kMaxHeader)
                verdict_ = Verdict::HeaderTooLarge;
            break;
        }
        const qsizetype used = end + 4 - before;
        header_.truncate(end + 4);
        bytes = bytes.sliced(used);
        verdict_ = HeaderDone();
        header_.clear();
    }
    return verdict_;
}

void RequestFramer::SkipBody(qint64 count)
{
    bodyLeft_ -= std::clamp<qint64>(count, 0, bodyLeft_);
    if (bodyLeft_ == 0)
        state_ = State::Header;
}

RequestFramer::Verdict RequestFramer::HeaderDone()
{
    ++requests_;
    const QList<QByteArray> lines = header_.first(header_.size() - 4).split('\n');
    const QList<QByteArray> request = lines.front().trimmed().split(' ');
    if (request.size() != 3 || request[0].isEmpty() || !request[1].startsWith('/') || !request[2].startsWith("HTTP/1."))
        return Verdict::Malformed;
    method_ = request[0];
    target_ = request[1];
    contentLength_ = 0;
    bool lengthSeen = false;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return Verdict::Malformed;
        const QByteArray name = line.first(colon).trimmed().toLower();
        const QByteArrayView value = QByteArrayView(line).sliced(colon + 1);
        if (name == "transfer-encoding")
            return Verdict::LengthRequired;
        if (name == "content-length") {
            const qint64 length = ParseLength(value);
            // Two different lengths would let the server and this count disagree.
            if (length < 0 || (lengthSeen && length != contentLength_))
                return Verdict::Malformed;
            contentLength_ = length;
            lengthSeen = true;
        }
    }
    if (contentLength_ > kMaxBody)
        return Verdict::BodyTooLarge;
    bodyLeft_ = contentLength_;
    if (bodyLeft_ > 0)
        state_ = State::Body;
    return Verdict::Fine;
}

int RequestFramer::Status(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Fine:
        return 0;
    case Verdict::HeaderTooLarge:
        return 431;
    case Verdict::BodyTooLarge:
        return 413;
    case Verdict::LengthRequired:
        return 411;
    case Verdict::Malformed:
        return 400;
    }
    return 400;
}
