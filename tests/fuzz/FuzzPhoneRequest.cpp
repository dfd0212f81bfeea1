// The bytes of one connection to the phone's page server, as a phone or an
// attacker sends them: the first byte sets the size of the pieces they
// arrive in. The framing (limits, requests, bodies) comes out the same
// whatever the pieces, also when body bytes are only counted as the socket
// guard counts them; the body of a complete request is checked as an
// upload: refused without a file left, or kept and decoded.
#include "FuzzSupport.h"

#include "PhotoUpload.h"
#include "RequestFramer.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

namespace {

struct Framed {
    RequestFramer::Verdict verdict;
    int requests;
    qint64 bodyLeft;
    QByteArray method, target;
};

Framed Frame(QByteArrayView bytes, qsizetype piece, bool countBody)
{
    RequestFramer framer;
    while (!bytes.isEmpty()) {
        const qsizetype n = std::min(piece, bytes.size());
        if (countBody && framer.InBody() && n <= framer.BodyLeft())
            framer.SkipBody(n);
        else
            framer.Feed(bytes.first(n));
        bytes = bytes.sliced(n);
    }
    return {framer.Current(), framer.Requests(), framer.BodyLeft(), framer.Method(), framer.Target()};
}

bool operator==(const Framed &a, const Framed &b)
{
    return a.verdict == b.verdict && a.requests == b.requests && a.bodyLeft == b.bodyLeft && a.method == b.method
           && a.target == b.target;
}

} // namespace

int FuzzPhoneRequestOne(const std::uint8_t *data, std::size_t size)
{
    fuzz::EnsureApplication();
    fuzz::ByteReader reader(data, size);
    const qsizetype piece = 1 + reader.Byte();
    const QByteArray bytes(reinterpret_cast<const char *>(reader.Here()), qsizetype(reader.Left()));

    const Framed whole = Frame(bytes, std::max<qsizetype>(1, bytes.size()), false);
    FUZZ_CHECK(Frame(bytes, piece, false) == whole);
    FUZZ_CHECK(Frame(bytes, piece, true) == whole);
    FUZZ_CHECK(whole.bodyLeft >= 0 && whole.bodyLeft <= RequestFramer::kMaxBody);
    if (whole.verdict != RequestFramer::Verdict::Fine) {
        FUZZ_CHECK(RequestFramer::Status(whole.verdict) >= 400);
        return 0;
    }
    // One complete request with its body: what the server would check.
    const qsizetype headerEnd = bytes.indexOf("\r\n\r\n");
    if (whole.requests != 1 || whole.bodyLeft != 0 || headerEnd < 0)
        return 0;
    static QTemporaryDir folder;
    const QString stem = QDir(folder.path()).filePath(QStringLiteral("upload"));
    const PhotoUpload::Result result = PhotoUpload::Check(bytes.sliced(headerEnd + 4), stem);
    const QStringList left = QDir(folder.path()).entryList(QDir::Files);
    if (result.status == 200) {
        FUZZ_CHECK(!result.read.picture.isNull());
        FUZZ_CHECK(left.size() == 1 && QFile::remove(result.path));
    } else {
        FUZZ_CHECK(result.status == 400 || result.status == 415 || result.status == 422);
        FUZZ_CHECK(result.read.picture.isNull());
        FUZZ_CHECK(left.isEmpty());
    }
    return 0;
}

TARVELLO_FUZZ_ENTRY(FuzzPhoneRequestOne)
