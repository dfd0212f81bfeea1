// The phone's page server over real sockets on the loopback: every request
// it must refuse gets its status and opens no picture, and a good upload is
// still taken afterwards; the addresses offered to the phone.
#include "PhoneAddresses.h"
#include "PhoneReceiver.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray Png()
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkGray);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes;
}

QByteArray Post(const QByteArray &target, const QByteArray &body, qint64 length = -1)
{
    return "POST " + target + " HTTP/1.1\r\nHost: t\r\nContent-Type: image/png\r\nContent-Length: "
           + QByteArray::number(length < 0 ? body.size() : length) + "\r\n\r\n" + body;
}

// Sends the bytes on a new connection and returns the status of the answer
// (0 when none came within the wait).
class Client {
public:
    explicit Client(quint16 port)
    {
        socket_.connectToHost(QHostAddress::LocalHost, port);
        socket_.waitForConnected(5000);
    }
    void Send(const QByteArray &bytes)
    {
        socket_.write(bytes);
        socket_.waitForBytesWritten(5000);
    }
    int Status()
    {
        while (!socket_.canReadLine() && socket_.waitForReadyRead(10000)) {
        }
        const QList<QByteArray> line = socket_.readLine().split(' ');
        return line.size() > 1 ? line[1].toInt() : 0;
    }

private:
    QTcpSocket socket_;
};

class PhoneReceiverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Long enough for a second connection to come while the first waits,
        // also on a loaded machine.
        receiver.SetIdleTimeout(2000);
        ASSERT_EQ(receiver.Start({QHostAddress::LocalHost}).size(), 1);
        Renewed();
    }
    void Renewed()
    {
        const QUrl url = receiver.PageUrl(QHostAddress(QHostAddress::LocalHost));
        port = quint16(url.port());
        page = url.path().toLatin1();
        upload = page + "photo";
    }
    int Send(const QByteArray &bytes)
    {
        Client client(port);
        client.Send(bytes);
        return client.Status();
    }

    PhoneReceiver receiver;
    QSignalSpy received{&receiver, &PhoneReceiver::PhotoReceived};
    quint16 port = 0;
    QByteArray page, upload;
};

TEST_F(PhoneReceiverTest, refusesEveryBadRequestWithItsStatusAndStillTakesAGoodUpload)
{
    const QByteArray png = Png();
    enum class Special { None, Expired, Slow, SecondUpload };
    const struct {
        const char *what;
        std::function<QByteArray()> request;
        int status;
        Special special = Special::None;
    } cases[] = {
        {"wrong token", [&] { return Post("/0123456789abcdef0123456789abcdef/photo", png); }, 404},
        {"another path", [&] { return QByteArray("GET /favicon.ico HTTP/1.1\r\nHost: t\r\n\r\n"); }, 404},
        {"the page without its token", [&] { return QByteArray("GET / HTTP/1.1\r\nHost: t\r\n\r\n"); }, 404},
        {"GET of the upload", [&] { return "GET " + upload + " HTTP/1.1\r\nHost: t\r\n\r\n"; }, 405},
        {"PUT of the upload", [&] { return Post(upload, png).replace("POST", "PUT"); }, 405},
        {"POST to the page", [&] { return Post(page, png); }, 405},
        {"body over 30 MB", [&] { return Post(upload, "x", 30'000'001); }, 413},
        {"chunked body", [&] {
             return "POST " + upload + " HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"; }, 411},
        {"header over 16 KB", [&] {
             return "GET " + page + " HTTP/1.1\r\nX: " + QByteArray(20000, 'a') + "\r\n\r\n"; }, 431},
        {"not a picture", [&] { return Post(upload, "<html>hello</html>"); }, 415},
        {"a BMP", [&] { return Post(upload, "BM" + QByteArray(60, '\0')); }, 415},
        {"a JPEG that does not decode", [&] {
             return Post(upload, QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + QByteArray(300, '\x17')); }, 422},
        {"a PNG that does not decode", [&] { return Post(upload, png.left(60)); }, 422},
        {"empty upload", [&] { return Post(upload, {}); }, 400},
        {"expired token", [&] { return Post(upload, png); }, 404, Special::Expired},
        {"slow sender stopping halfway", [&] { return Post(upload, png.left(20), png.size()); }, 408,
         Special::Slow},
        {"a second upload while one comes", [&] { return Post(upload, png); }, 429,
         Special::SecondUpload},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        received.clear();
        if (c.special == Special::Expired) {
            receiver.SetLifetime(1);
            receiver.Renew();
            QTest::qWait(20);
            EXPECT_TRUE(receiver.Expired());
        }
        std::unique_ptr<Client> first;
        if (c.special == Special::SecondUpload) {
            first = std::make_unique<Client>(port);
            first->Send(Post(upload, png.left(20), png.size()));
        }
        EXPECT_EQ(Send(c.request()), c.status);
        if (first) {
            EXPECT_EQ(first->Status(), 408); // it never finished either
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(received.count(), 0);

        receiver.SetLifetime(PhoneReceiver::kLifetimeMs);
        receiver.Renew();
        Renewed();
        EXPECT_EQ(Send(Post(upload, png)), 200);
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.count() == 1; }, 5000));
    }
    ASSERT_FALSE(received.isEmpty());
    const QImage picture = received.back().at(1).value<QImage>();
    EXPECT_EQ(picture.size(), QSize(64, 48));
    EXPECT_TRUE(QImage(received.back().at(0).toString()).size() == QSize(64, 48));
}

// The simulator stands in for the phone: its photo arrives as the page's
// does, and a stale address is refused.
TEST_F(PhoneReceiverTest, theSimulatorSendsItsPhotoAsThePageDoes)
{
    const QString sim = qEnvironmentVariable("TARVELLO_MODULE_SIM");
    ASSERT_FALSE(sim.isEmpty()) << "TARVELLO_MODULE_SIM is not set";
    const QString good = receiver.PageUrl(QHostAddress(QHostAddress::LocalHost)).toString();
    receiver.Renew();
    const QString fresh = receiver.PageUrl(QHostAddress(QHostAddress::LocalHost)).toString();
    const struct {
        QString url;
        int exitCode;
        const char *answer;
        int photos;
    } cases[] = {{good, 1, "404 ", 0}, {fresh, 0, "200 Получено", 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.answer);
        received.clear();
        QProcess phone;
        phone.start(sim, {"--grid", "--photo", "7", "--photo-size", "800x600", "--phone", c.url});
        ASSERT_TRUE(QTest::qWaitFor([&] { return phone.state() == QProcess::NotRunning; }, 60000));
        EXPECT_EQ(phone.exitCode(), c.exitCode);
        EXPECT_TRUE(phone.readAllStandardOutput().startsWith(c.answer));
        QCoreApplication::processEvents();
        ASSERT_EQ(received.count(), c.photos);
    }
    EXPECT_EQ(received.front().at(1).value<QImage>().size(), QSize(800, 600));
}

TEST(PhoneAddressesTest, offersTheDefaultRouteFirstAndNeverTheLoopback)
{
    using I = PhoneAddresses::Interface;
    const QHostAddress wifi("192.168.1.23"), cable("10.0.0.5"), hotspot("10.42.0.1"), loop("127.0.0.1");
    const std::vector<I> interfaces{
        {"lo", true, true, {loop}},
        {"eth0", true, false, {cable, QHostAddress("fe80::1")}},
        {"wlan0", true, false, {wifi, QHostAddress("169.254.3.4")}},
        {"wlan1", false, false, {hotspot}},
    };
    const struct {
        QString defaultInterface;
        QList<QHostAddress> expected;
    } cases[] = {
        {"wlan0", {wifi, cable}},
        {"eth0", {cable, wifi}},
        {"", {cable, wifi}},
        {"lo", {cable, wifi}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.defaultInterface.toStdString());
        EXPECT_EQ(PhoneAddresses::Order(interfaces, c.defaultInterface), c.expected);
    }
    EXPECT_TRUE(PhoneAddresses::Order({interfaces[0], interfaces[3]}, "lo").isEmpty());
}

TEST(PhoneAddressesTest, readsTheDefaultRouteOffTheRouteTable)
{
    const QByteArray header = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
    const struct {
        QByteArray rows;
        QString expected;
    } cases[] = {
        {"wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
         "wlan0\t0001A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n", "wlan0"},
        {"wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
         "eth0\t00000000\t0100000A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n", "eth0"},
        {"eth0\t00000000\t0100000A\t0002\t0\t0\t100\t00000000\t0\t0\t0\n", ""}, // not up
        {"eth0\t0000000A\t00000000\t0001\t0\t0\t100\t000000FF\t0\t0\t0\n", ""},  // no default route
        {"garbage\n\t\t\n", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PhoneAddresses::DefaultRouteInterface(header + c.rows), c.expected) << c.rows.constData();
}

} // namespace
