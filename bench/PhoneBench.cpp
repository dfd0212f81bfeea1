// The photo from the phone, timed against its targets (reported as ratios):
//  - upload_to_marks: from the last byte of a 12-megapixel JPEG upload
//    handed to the socket until the photo window shows the grid and the
//    marks, against 0.5 s; run it on one core (taskset -c 0);
//  - file_to_marks, the reference of the same run: the same JPEG opened
//    from a file in the same window;
//  - phone_to_marks: the simulator as the phone (module-sim --phone: the
//    photo taken, made a JPEG and sent) from the QR window's opening until
//    the marks are shown, against the installer's 30 s.
#include "CMonitorPhotoWindow.h"
#include "CPhonePhotoDialog.h"
#include "PacedSimulator.h"
#include "PhotoCamera.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

constexpr double kUploadTargetS = 0.5;
constexpr double kWalkTargetS = 30.0;

QByteArray PhoneJpeg()
{
    using namespace ModuleSim;
    const Photo shot = PhotoCamera::Take(PhotoCamera::GridMonitor(), ModuleSettings{}, CameraScene{},
                                         {PhotoKind::Phone, 7, {4000, 3000}});
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    shot.picture.save(&buffer, "JPEG", 92);
    return jpeg;
}

// The photo window fed by the QR window on the loopback, as the sheet feeds it.
struct Wizard {
    CMonitorPhotoWindow photo;
    CPhonePhotoDialog dialog{nullptr, {QHostAddress(QHostAddress::LocalHost)}};
    bool shown = false;

    Wizard()
    {
        QObject::connect(&dialog, &CPhonePhotoDialog::PhotoReceived, &photo,
                         [this](const QString &path, const QImage &picture) {
                             photo.OpenDecodedPhoto(path, picture, CMonitorPhotoWindow::Use::Points);
                         });
        QObject::connect(&photo, &CMonitorPhotoWindow::MarksChanged, &photo, [this] {
            shown = photo.Mapping() && !photo.Marks().empty() && !photo.IsBusy();
        });
    }
    bool WaitForMarks() { return QTest::qWaitFor([this] { return shown; }, 60000); }

    // Waits for the marks and counts the time since clock started as the
    // iteration's, adding it to total; false (the run skipped) when none show.
    bool Timed(benchmark::State &state, const QElapsedTimer &clock, double &total, const char *whyNot)
    {
        if (!WaitForMarks()) {
            state.SkipWithError(whyNot);
            return false;
        }
        const double seconds = clock.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        total += seconds;
        return true;
    }
};

void BM_UploadToMarks(benchmark::State &state)
{
    const QByteArray jpeg = PhoneJpeg();
    Wizard wizard;
    wizard.dialog.show();
    const QUrl url = wizard.dialog.ShownUrl();
    const QByteArray request = "POST " + url.path().toLatin1() + "photo HTTP/1.1\r\nHost: " + url.authority().toLatin1()
                               + "\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(jpeg.size())
                               + "\r\n\r\n" + jpeg;
    double total = 0;
    for (auto _ : state) {
        wizard.shown = false;
        QTcpSocket phone;
        phone.connectToHost(url.host(), quint16(url.port()));
        if (!phone.waitForConnected(5000)) {
            state.SkipWithError("the page server does not answer");
            return;
        }
        phone.write(request);
        while (phone.bytesToWrite() > 0)
            phone.waitForBytesWritten(5000);
        QElapsedTimer clock;
        clock.start();
        if (!wizard.Timed(state, clock, total, "no marks shown"))
            return;
    }
    state.counters["x_target"] = total / double(state.iterations()) / kUploadTargetS;
    state.counters["jpeg_MB"] = jpeg.size() / 1e6;
}

// The reference in the same run: the same JPEG opened from a file in the
// same window ("Снимок монитора..."), from the call until the marks show.
void BM_FileToMarks(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("phone.jpg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(PhoneJpeg()) < 0 || !file.flush()) {
        state.SkipWithError("cannot write the photo");
        return;
    }
    Wizard wizard;
    double total = 0;
    for (auto _ : state) {
        wizard.shown = false;
        QElapsedTimer clock;
        clock.start();
        wizard.photo.OpenPointPhoto(path);
        if (!wizard.Timed(state, clock, total, "no marks shown"))
            return;
    }
    state.counters["x_target"] = total / double(state.iterations()) / kUploadTargetS;
}

void BM_PhoneToMarks(benchmark::State &state)
{
    const std::string sim = bench::SimulatorPath();
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        Wizard wizard;
        wizard.dialog.show();
        QProcess phone;
        phone.start(QString::fromStdString(sim), {"--grid", "--photo", "7", "--photo-size", "4000x3000", "--phone",
                                                  wizard.dialog.ShownUrl().toString()});
        if (!wizard.Timed(state, clock, total, "no marks shown (module-sim not found? TARVELLO_MODULE_SIM)"))
            return;
        phone.waitForFinished(10000);
    }
    state.counters["x_target"] = total / double(state.iterations()) / kWalkTargetS;
}

} // namespace

BENCHMARK(BM_UploadToMarks)->Iterations(5)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_FileToMarks)->Iterations(5)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_PhoneToMarks)->Iterations(3)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
