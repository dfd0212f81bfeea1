#include "QtUserInterface.h"

#include "FileDialogRequest.h"
#include "UserMessage.h"
#include "UserQuestion.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QStyle>
#include <QPlainTextEdit>
#include <QLabel>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

namespace {

QStyle::StandardPixmap IconOf(UserMessage::Icon icon)
{
    switch (icon) {
    case UserMessage::Icon::Information:
        return QStyle::SP_MessageBoxInformation;
    case UserMessage::Icon::Warning:
        return QStyle::SP_MessageBoxWarning;
    case UserMessage::Icon::Error:
        break;
    }
    return QStyle::SP_MessageBoxCritical;
}

// A message with details (the module search lists every try there): a box
// the installer can make as large as the list needs, the details shown on
// request. QMessageBox keeps a fixed size, so it serves the plain messages.
void ShowMessageWithDetails(const UserMessage &message)
{
    QDialog box(QApplication::activeWindow());
    box.setWindowTitle(message.caption);
    box.setSizeGripEnabled(true);
    auto *icon = new QLabel(&box);
    const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(IconOf(message.icon), nullptr, &box).pixmap(side, side));
    auto *text = new QLabel(message.text, &box);
    text->setWordWrap(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    auto *details = new QPlainTextEdit(message.details, &box);
    details->setObjectName(QStringLiteral("message-details"));
    details->setReadOnly(true);
    details->hide();
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QPushButton *toggle = buttons->addButton(QCoreApplication::translate("Tarvello", "Подробности"),
                                             QDialogButtonBox::ActionRole);
    toggle->setObjectName(QStringLiteral("message-details-toggle"));
    toggle->setCheckable(true);
    QObject::connect(toggle, &QPushButton::toggled, details, &QWidget::setVisible);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);

    auto *grid = new QGridLayout(&box);
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
    grid->addWidget(text, 0, 1);
    grid->addWidget(details, 1, 0, 1, 2);
    grid->addWidget(buttons, 2, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    box.exec();
}

void ShowMessageBox(const UserMessage &message)
{
    if (!message.details.isEmpty()) {
        ShowMessageWithDetails(message);
        return;
    }
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
