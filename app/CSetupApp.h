#pragma once

#include <QObject>
#include <QStringList>

struct CommandLine;

// The program's start-up: finds the module (or takes the demo link), runs
// the wizard modally with that link, closes the link at the end. Also turns
// the F1 key into the program's help.
class CSetupApp : public QObject {
    Q_OBJECT

public:
    // Runs the wizard as the command line asks (demo link, one port, or the
    // search). When no module is found the installer chooses: search again,
    // demo mode, or quit. Returns the exit status (0 after the wizard closed,
    // 1 when no module was found and the installer quit).
    int Run(const CommandLine &line);
    // The same from the whole command line, the program's path first.
    int Run(const QStringList &arguments);

    static QString Version();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
