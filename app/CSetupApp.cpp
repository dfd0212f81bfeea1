#include "CSetupApp.h"

#include "CPageSheet.h"
#include "CommandLine.h"
#include "DeviceLink.h"
#include "ModuleFinder.h"
#include "ProgramHelp.h"
#include "UserMessage.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <cstdio>

#include <sched.h>

namespace {

// Pins the calling thread to the first processor it may run on; the device
// link's byte pacing spins on the clock and should not migrate.
void PinToFirstProcessor()
{
    cpu_set_t mask;
    CPU_ZERO(&mask);
    if (sched_getaffinity(0, sizeof mask, &mask) != 0)
        return;
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &mask)) {
            cpu_set_t first;
            CPU_ZERO(&first);
            CPU_SET(cpu, &first);
            sched_setaffinity(0, sizeof first, &first);
            return;
        }
    }
}

} // namespace

QString CSetupApp::Version()
{
    return QStringLiteral(TARVELLO_VERSION);
}

int CSetupApp::Run(const QStringList &arguments)
{
    const CommandLine line = ParseCommandLine(arguments.mid(1));
    if (!line.error.isEmpty()) {
        ShowMessage({line.error, ProgramCaption(), UserMessage::Icon::Error, UsageText()});
        return ExitCode::BadCommandLine;
    }
    return Run(line);
}

int CSetupApp::Run(const CommandLine &line)
{
    qApp->installEventFilter(this);

    CPageSheet sheet(QStringLiteral("Test"));

    ProbeReport report;
    std::unique_ptr<DeviceLink> link =
        line.port.isEmpty() || line.demo ? FindModule(line.demo, &report) : FindModuleOnPort(line.port, &report);
    if (!link) {
        const UserMessage message = ModuleNotFoundMessage(report);
        // Also on the terminal, where it can be copied whole into a question.
        std::fprintf(stderr, "%s\n%s\n", qPrintable(message.text), qPrintable(message.details));
        ShowMessage(message);
        return ExitCode::NoModule;
    }
    sheet.SetLink(link.get());
    PinToFirstProcessor();

    // For start-up measurements: leave as soon as the first page is painted.
    if (qEnvironmentVariableIsSet("TARVELLO_EXIT_AFTER_FIRST_PAINT"))
        connect(&sheet, &CPageSheet::FirstPagePainted, &sheet, &QDialog::reject);

    sheet.exec();
    link->Close();
    return ExitCode::Done;
}

bool CSetupApp::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
        OpenProgramHelp();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
