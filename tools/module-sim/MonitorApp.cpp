#include "MonitorApp.h"

#include "MonitorFeed.h"
#include "MonitorWindow.h"

#include <QApplication>
#include <QGuiApplication>

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

LineSession::End RunWithMonitor(const SimOptions &options, ModuleExecutor &executor, LineSession &session)
{
    // A PNG alone needs no display.
    if (!options.monitorWindow && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt sees none of our options: they are parsed already.
    static int argc = 1;
    static char name[] = "module-sim";
    static char *argv[] = {name, nullptr};
    std::unique_ptr<QGuiApplication> app;
    if (options.monitorWindow)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QGuiApplication>(argc, argv);
    // A module goes on working when nobody looks at its monitor.
    app->setQuitOnLastWindowClosed(false);

    MonitorFeed feed(options.scene, QString::fromStdString(options.monitorPng));
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
