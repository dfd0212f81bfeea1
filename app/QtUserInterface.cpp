#include "QtUserInterface.h"

#include "FileDialogRequest.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QApplication>
#include <QFileDialog>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace {

void ShowMessageBox(const UserMessage &message)
{
    QMessageBox box(QApplication::activeWindow());
    switch (message.icon) {
    case UserMessage::Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case UserMessage::Icon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case UserMessage::Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    box.setWindowTitle(message.caption);
    box.setText(message.text);
    // Addresses, paths and error texts can be selected and copied (the
    // label's context menu); the keyboard stays with the buttons.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    if (!message.details.isEmpty())
        box.setDetailedText(message.details);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

int AskWithBox(const UserQuestion &question)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(question.caption);
    box.setText(question.text);
    QList<QAbstractButton *> buttons;
    for (const QString &answer : question.answers)
        buttons << box.addButton(answer, QMessageBox::AcceptRole);
    if (question.defaultAnswer >= 0 && question.defaultAnswer < buttons.size())
        box.setDefaultButton(static_cast<QPushButton *>(buttons[question.defaultAnswer]));
    if (question.escapeAnswer >= 0 && question.escapeAnswer < buttons.size())
        box.setEscapeButton(buttons[question.escapeAnswer]);
    box.exec();
    const int chosen = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return chosen >= 0 ? chosen : question.escapeAnswer;
}

std::optional<QString> AskWithDialog(const FileDialogRequest &request)
{
    QFileDialog dialog(QApplication::activeWindow());
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(request.filters);
    if (request.selectedFilter >= 0 && request.selectedFilter < request.filters.size())
        dialog.selectNameFilter(request.filters[request.selectedFilter]);
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.confirmOverwrite)
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setDirectory(request.directory.isEmpty() ? QDir::currentPath() : request.directory);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

// The window icon from the small PNGs compiled in (resources/icons). Only
// their headers are read here; X11 decodes them all when the first window
// shows. Wayland compositors take the icon from the desktop entry instead,
// found by this name.
void SetProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("tarvello-setup"));
}

} // namespace

void InstallQtUserInterface()
{
    SetMessageHandler(ShowMessageBox);
    SetQuestionHandler(AskWithBox);
    SetFileDialogHandler(AskWithDialog);
    SetProgramIcon();
}

void InstallRussianTranslations(QCoreApplication &app)
{
    const QString name = QStringLiteral("TarvelloQtRussian");
    if (app.findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly))
        return;
    auto *translator = new QTranslator(&app);
    translator->setObjectName(name);
    if (translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        return;
    }
    delete translator;
}
