#include "MonitorApp.h"

#include "CameraScene.h"
#include "MonitorFeed.h"
#include "MonitorWindow.h"

#include <QApplication>
#include <QBuffer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <thread>

namespace ModuleSim {

std::string MonitorProblem(const SimOptions &options)
{
    if (options.monitorWindow && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return "--monitor needs a display (DISPLAY or WAYLAND_DISPLAY); --monitor-png FILE needs none";
    return {};
}

namespace {

std::unique_ptr<QGuiApplication> MakeApplication(const SimOptions &options)
{
    // A PNG alone needs no display.
    if (!options.monitorWindow && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees none of our options: they are parsed already.
    static int argc = 1;
    static char name[] = "module-sim";
    static char *argv[] = {name, nullptr};
    if (options.monitorWindow)
        return std::make_unique<QApplication>(argc, argv);
    return std::make_unique<QGuiApplication>(argc, argv);
}

PhotoOptions PhotoOf(const SimOptions &options)
{
    PhotoOptions photo;
    photo.kind = options.photoSeed < 0 ? PhotoKind::Plain : options.grabber ? PhotoKind::Grabber : PhotoKind::Phone;
    photo.seed = std::uint32_t(std::max(0L, options.photoSeed));
    photo.size = QSize(int(options.photoWidth), int(options.photoHeight));
    photo.condition = options.photoCondition;
    return photo;
}

SceneSetup SceneOf(const SimOptions &options)
{
    return options.tapeBySeed ? CameraScene::WithTapeOfSeed(options.scene, std::uint32_t(options.photoSeed))
                              : options.scene;
}

} // namespace

int WriteMonitorOnce(const SimOptions &options, const ModuleExecutor &executor)
{
    const auto app = MakeApplication(options);
    MonitorFeed feed(SceneOf(options), QString::fromStdString(options.monitorPng), PhotoOf(options),
                     QString::fromStdString(options.truthPath));
    feed.Publish(MonitorState::Capture(executor, 0));
    feed.Update();
    return feed.WriteFailed() ? 1 : 0;
}

int SendPhotoToPhonePage(const SimOptions &options, const ModuleExecutor &executor)
{
    const auto app = MakeApplication(options);
    MonitorFeed feed(SceneOf(options), QString::fromStdString(options.monitorPng), PhotoOf(options),
                     QString::fromStdString(options.truthPath));
    QImage monitor;
    MonitorState state;
    feed.SetListener([&](const QImage &picture, const MonitorState &shown) {
        monitor = picture;
        state = shown;
    });
    feed.Publish(MonitorState::Capture(executor, 0));
    feed.Update();
    const Photo photo = PhotoCamera::Take(monitor, state.settings, feed.Renderer().Scene(), PhotoOf(options));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    photo.picture.save(&buffer, "JPEG", 92);

    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(QString::fromStdString(options.phoneUrl)).resolved(QUrl(QStringLiteral("photo"))));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("image/jpeg"));
    request.setTransferTimeout(60'000);
    QNetworkReply *reply = network.post(request, jpeg);
    QEventLoop wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    wait.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QByteArray answer = reply->readAll();
    std::printf("%d %s\n", status, answer.isEmpty() ? qPrintable(reply->errorString()) : answer.constData());
    reply->deleteLater();
    return status == 200 ? 0 : 1;
}

LineSession::End RunWithMonitor(const SimOptions &options, ModuleExecutor &executor, LineSession &session)
{
    const auto app = MakeApplication(options);
    // A module goes on working when nobody looks at its monitor.
    app->setQuitOnLastWindowClosed(false);

    MonitorFeed feed(SceneOf(options), QString::fromStdString(options.monitorPng), PhotoOf(options),
                     QString::fromStdString(options.truthPath));
    std::unique_ptr<MonitorWindow> window;
    if (options.monitorWindow) {
        window = std::make_unique<MonitorWindow>();
        feed.SetListener([shown = window.get()](const QImage &picture, const MonitorState &state) {
            shown->ShowPicture(picture, state);
        });
        window->show();
    }

    long long commands = 0; // touched only by the line's thread once it runs
    feed.Publish(MonitorState::Capture(executor, commands));
    session.SetCommandObserver([&] { feed.Publish(MonitorState::Capture(executor, ++commands)); });
    session.SetChangeObserver([&] { feed.Publish(MonitorState::Capture(executor, commands)); });

    LineSession::End end = LineSession::End::Stopped;
    std::thread line([&] {
        end = session.Run();
        QMetaObject::invokeMethod(app.get(), [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    QCoreApplication::exec();
    line.join();
    feed.Update(); // the state of the last command, if the loop ended before drawing it
    return end;
}

} // namespace ModuleSim
