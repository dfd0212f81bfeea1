// The Tarvello setup program.
#include "BatchModes.h"
#include "CSetupApp.h"
#include "CommandLine.h"
#include "QtUserInterface.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    // The command line is read before any window system is touched: --help
    // and --version answer without a display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.error.isEmpty()) {
        QTextStream(stderr) << line.error << "\n" << UsageText();
        return ExitCode::BadCommandLine;
    }
    if (line.mode == CommandLine::Mode::Help) {
        QTextStream(stdout) << UsageText();
        return ExitCode::Done;
    }
    if (line.mode == CommandLine::Mode::Version) {
        QTextStream(stdout) << "tarvello-setup " << CSetupApp::Version() << "\n";
        return ExitCode::Done;
    }
    const bool batch = line.mode != CommandLine::Mode::Wizard;
    // The modes without a window draw and convert pictures all the same,
    // on any machine: a terminal without a display will do.
    if (batch && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvello-setup"));
    InstallRussianTranslations(app);
    if (batch)
        return RunBatchMode(line);
    InstallQtUserInterface();
    CSetupApp setup;
    return setup.Run(line);
}
