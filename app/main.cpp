// The Tarvello setup program.
#include "BatchModes.h"
#include "CSetupApp.h"
#include "CommandLine.h"
#include "ModulePictureBackupStore.h"
#include "QtUserInterface.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <memory>

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
    if (line.mode != CommandLine::Mode::Wizard) {
        // The modes without a window need no widgets. --backup and --locate
        // only work on pictures and need no window system at all; --render and --write
        // draw the labels, whose fonts need a QGuiApplication: without a
        // platform chosen it draws off-screen, so a terminal without a
        // display will do.
        std::unique_ptr<QCoreApplication> app;
        if (line.mode == CommandLine::Mode::Backup || line.mode == CommandLine::Mode::Locate) {
            app = std::make_unique<QCoreApplication>(argc, argv);
        } else {
            if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            app = std::make_unique<QGuiApplication>(argc, argv);
        }
        QCoreApplication::setApplicationName(QStringLiteral("tarvello-setup"));
        InstallRussianTranslations(*app);
        return RunBatchMode(line);
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvello-setup"));
    InstallRussianTranslations(app);
    InstallQtUserInterface();
    // Copies of the module's pictures go to the user's data folder.
    ModulePictureBackupStore backups = ModulePictureBackupStore::ForUser();
    SetProgramBackupStore(&backups);
    CSetupApp setup;
    return setup.Run(line);
}
