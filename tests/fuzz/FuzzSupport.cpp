#include "FuzzSupport.h"

#include "UserMessage.h"

#include <QGuiApplication>
#include <QCoreApplication>

namespace fuzz {

namespace {

void QuietQtMessages(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    // Fatal messages still end the run: they are findings.
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "Qt fatal: %s\n", qPrintable(text));
        std::abort();
    }
}

}  // namespace

void EnsureApplication()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    SetMessageHandler([](const UserMessage &) {});
    if (QCoreApplication::instance() == nullptr) {
        qInstallMessageHandler(QuietQtMessages);
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        // Lives for the whole process, as a program's application does.
        static int argc = 1;
        static char name[] = "tarvello-fuzz";
        static char *argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
    }
}

}  // namespace fuzz
