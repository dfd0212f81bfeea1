#include "CSetupApp.h"

#include "CPageSheet.h"
#include "CommandLine.h"
#include "DeviceLink.h"
#include "ModuleFinder.h"
#include "ModuleLink.h"
#include "ProgramHelp.h"
#include "ResourceIds.h"
#include "UserMessage.h"
#include "UserQuestion.h"

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

enum class NoModuleAnswer { Retry, Demo, Exit };

// No module answered: search again (the cable went in late), go on in demo
// mode, or end the program. Closing the box ends it, as before.
NoModuleAnswer AskWhenNoModule(const UserMessage &message)
{
    UserQuestion question;
    question.text = message.text;
    question.caption = message.caption;
    question.icon = UserQuestion::Icon::Error;
    question.details = message.details;
    question.answers = {QCoreApplication::translate("CSetupApp", "Повторить"),
                        QCoreApplication::translate("CSetupApp", "Демо-режим"),
                        QCoreApplication::translate("CSetupApp", "Выход")};
    question.defaultAnswer = static_cast<int>(NoModuleAnswer::Retry);
    question.escapeAnswer = static_cast<int>(NoModuleAnswer::Exit);
    switch (AskUser(question)) {
    case static_cast<int>(NoModuleAnswer::Retry):
        return NoModuleAnswer::Retry;
    case static_cast<int>(NoModuleAnswer::Demo):
        return NoModuleAnswer::Demo;
    default:
        return NoModuleAnswer::Exit;
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

    std::unique_ptr<DeviceLink> link;
    while (!link) {
        ProbeReport report;
        link = OpenModuleLink(line.demo, line.port, &report);
        if (link)
            break;
        // The box searches again itself: its text asks for "Повторить", not a restart.
        const UserMessage message =
            ModuleNotFoundMessage(report, QCoreApplication::translate("CSetupApp", "нажмите «Повторить»"));
        // Also on the terminal, where it can be copied whole into a question.
        std::fprintf(stderr, "%s\n%s\n", qPrintable(message.text), qPrintable(message.details));
        switch (AskWhenNoModule(message)) {
        case NoModuleAnswer::Retry:
            continue;
        case NoModuleAnswer::Demo:
            link = OpenModuleLink(true, {});
            break;
        case NoModuleAnswer::Exit:
            return ExitCode::NoModule;
        }
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
        // Pressed in the wizard or a window of its own: the wizard's help,
        // which opens the manual at the page shown.
        QWidget *from = qobject_cast<QWidget *>(watched);
        if (from == nullptr)
            from = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
        for (QWidget *widget = from; widget != nullptr; widget = widget->parentWidget()) {
            if (auto *sheet = qobject_cast<CPageSheet *>(widget)) {
                sheet->RunCommand(Ids::ID_HELP_CONTENTS);
                return true;
            }
        }
        OpenProgramHelp();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
