#include "ProgramHelp.h"

#include "CManualWindow.h"
#include "UserMessage.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>

namespace {

ManualOpener &CurrentOpener()
{
    static ManualOpener opener = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    return opener;
}

// The one manual window; it goes with its parent.
QPointer<CManualWindow> &ManualWindow()
{
    static QPointer<CManualWindow> window;
    return window;
}

#if defined(TARVELLO_SOURCE_MANUAL) && defined(TARVELLO_BUILD_DIR)
// True when the program runs from inside its build tree (tests, run.sh),
// not from an install prefix or a package.
bool RunsFromBuildTree()
{
    const QString build = QFileInfo(QStringLiteral(TARVELLO_BUILD_DIR)).canonicalFilePath();
    const QString program = QFileInfo(QCoreApplication::applicationDirPath()).canonicalFilePath();
    return !build.isEmpty() && (program == build || program.startsWith(build + QLatin1Char('/')));
}
#endif

void ShowManualWindow(const QString &path, const QString &section, QWidget *parent)
{
    QPointer<CManualWindow> &window = ManualWindow();
    if (!window) {
        // A child of the wizard, so that its modality does not block it.
        window = new CManualWindow(parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->ShowManual(path, section);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

QStringList ProgramManualCandidates()
{
    // Named explicitly: that file or none, so that a wrong path is reported
    // instead of quietly showing another copy.
    if (const QString manual = qEnvironmentVariable("TARVELLO_MANUAL"); !manual.isEmpty())
        return {manual};
    QStringList candidates;
    const QDir programDir(QCoreApplication::applicationDirPath());
    candidates << QDir::cleanPath(
        programDir.filePath(QStringLiteral("../share/doc/tarvello-setup/manual/index.html")));
#if defined(TARVELLO_SOURCE_MANUAL) && defined(TARVELLO_BUILD_DIR)
    if (RunsFromBuildTree())
        candidates << QStringLiteral(TARVELLO_SOURCE_MANUAL);
#endif
    candidates << QStringLiteral("/usr/share/doc/tarvello-setup/manual/index.html");
    candidates.removeDuplicates();
    return candidates;
}

QString FindProgramManual()
{
    for (const QString &candidate : ProgramManualCandidates()) {
        const QFileInfo file(candidate);
        if (file.isFile())
            return file.absoluteFilePath();
    }
    return {};
}

ManualOpener SetManualOpener(ManualOpener opener)
{
    ManualOpener previous = std::move(CurrentOpener());
    if (opener)
        CurrentOpener() = std::move(opener);
    else
        CurrentOpener() = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    return previous;
}

bool OpenProgramHelp(QWidget *parent, const QString &section)
{
    const QString manual = FindProgramManual();
    if (manual.isEmpty()) {
        UserMessage message;
        message.caption = ProgramCaption();
        message.icon = UserMessage::Icon::Warning;
        message.text = QCoreApplication::translate(
            "ProgramHelp", "Руководство по настройке не найдено.\n"
                           "Установите программу заново или укажите путь к руководству "
                           "(index.html) в переменной окружения TARVELLO_MANUAL.");
        message.details = QCoreApplication::translate("ProgramHelp", "Руководство искали здесь:") + QLatin1Char('\n')
            + ProgramManualCandidates().join(QLatin1Char('\n'));
        ShowMessage(message);
        return false;
    }
    QUrl url = QUrl::fromLocalFile(manual);
    if (!section.isEmpty())
        url.setFragment(section);
    if (CurrentOpener()(url))
        return true;
    ShowManualWindow(manual, section, parent ? parent->window() : QApplication::activeWindow());
    return true;
}
