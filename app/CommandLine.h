#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Mode {
        Wizard,   // the wizard (the default)
        Help,     // --help: the usage text
        Version,  // --version
        Render,   // --render CONFIG OUT.bmp: the guide-line picture, no window
        Write,    // --write CONFIG: both pictures and every setting into the module
        Backup,   // --backup DIR: both pictures read from the module into BMP files
        Locate,   // --locate PICTURE: the grid and the marks in a picture of the monitor
    };

    Mode mode = Mode::Wizard;
    bool demo = false;  // --demo, or "/demo" anywhere in an argument
    QString port;       // --port PATH: that serial device only, no USB search
    bool allowEmptyPicture = false;  // --allow-empty-picture: --write writes a picture without lines too
    QString config;     // --render and --write
    QString output;     // --render: the BMP file; --backup: the folder; --locate: the picture
    QString error;      // why the command line is wrong; empty when it is not
};

// Exit statuses of the program.
namespace ExitCode {
constexpr int Done = 0;
constexpr int NoModule = 1;        // no module found, or its port cannot be opened
constexpr int BadCommandLine = 2;
constexpr int FileError = 3;       // a configuration or picture file cannot be read or written
constexpr int CommandFailed = 4;   // a module command failed
constexpr int NoGrid = 5;          // --locate: no calibration grid in the picture
}  // namespace ExitCode

// Reads the arguments (without the program's own path). Words that are not
// options are ignored, as the program always has; unknown options are not.
CommandLine ParseCommandLine(const QStringList &arguments);

// The --help text.
QString UsageText();
