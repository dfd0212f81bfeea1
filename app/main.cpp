// The Tarvello setup program.
#include "CSetupApp.h"
#include "QtUserInterface.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvello-setup"));
    InstallQtUserInterface();
    CSetupApp setup;
    return setup.Run(QApplication::arguments());
}
