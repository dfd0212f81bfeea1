#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Follows the requests arriving on one connection of the phone's page
// server, as bytes, before the HTTP server buffers them: where each request
// line and header end, how long its body is, and whether it stays within
// the limits. Plain bytes in, a verdict out; no sockets, safe to feed any
// bytes in any pieces.
class RequestFramer {
public:
    // Largest request line and headers together, bytes.
    static constexpr qsizetype kMaxHeader = 16 * 1024;
    // Largest body, bytes: a phone photo of up to 30 MB.
    static constexpr qint64 kMaxBody = 30'000'000;

    enum class Verdict {
        Fine,          // within the limits so far
        HeaderTooLarge, // 431
        BodyTooLarge,  // 413: said by Content-Length, before the body comes
        LengthRequired, // 411: a body without a Content-Length (chunked and the like)
        Malformed,     // 400
    };

    // Takes the next bytes of the connection. Once the verdict is not Fine
    // it stays so and further bytes are ignored.
    Verdict Feed(QByteArrayView bytes);
    Verdict Current() const { return verdict_; }

    // The request whose header is complete and whose body is still coming
    // (or the last one, when none is under way).
    bool InBody() const { return state_ == State::Body; }
    // Between requests or within a header or body: some of a request has
    // come and the rest has not.
    bool Partial() const { return state_ == State::Body || !header_.isEmpty(); }
    const QByteArray &Method() const { return method_; }
    const QByteArray &Target() const { return target_; }
    qint64 ContentLength() const { return contentLength_; }
    // Bytes of the body still to come.
    qint64 BodyLeft() const { return state_ == State::Body ? bodyLeft_ : 0; }
    // Takes count bytes of body without looking at them (count <= BodyLeft()).
    void SkipBody(qint64 count);
    // Requests whose header was complete so far.
    int Requests() const { return requests_; }

    // The HTTP status the verdict is answered with; 0 for Fine.
    static int Status(Verdict verdict);

private:
    enum class State { Header, Body };

    Verdict HeaderDone();

    State state_ = State::Header;
    Verdict verdict_ = Verdict::Fine;
    QByteArray header_;
    QByteArray method_;
    QByteArray target_;
    qint64 contentLength_ = 0;
    qint64 bodyLeft_ = 0;
    int requests_ = 0;
};
