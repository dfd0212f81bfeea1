#include "QtUserInterface.h"

#include "FileDialogDateModel.h"
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
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTranslator>

#include <algorithm>

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

// The details pane, once opened, shows this many lines and columns at least
// (more when the box is made larger): the module search lists 12 tries or so.
constexpr int kDetailsLines = 14;
constexpr int kDetailsColumns = 72;
// Longer lines of the details wrap, so that the opened box stays narrow
// enough for a laptop's screen.
constexpr int kDetailsWidestColumns = 100;
// Room left beside the opened box on a narrow screen, in pixels.
constexpr int kScreenMargin = 60;
// The main text wraps only beyond this width, in average characters.
constexpr int kTextColumns = 90;

// Width of the widest line of `text` in `widget`'s font.
int WidestLine(const QWidget &widget, const QString &text)
{
    int widest = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, widget.fontMetrics().horizontalAdvance(line));
    return widest;
}

// Lines `text` takes when wrapped at `width` pixels in `metrics`.
int WrappedLines(const QFontMetrics &metrics, const QString &text, int width)
{
    int lines = 0;
    for (const QString &line : text.split(QLatin1Char('\n')))
        lines += std::max(1, metrics.boundingRect(QRect(0, 0, std::max(width, 1), 1 << 20), Qt::TextWordWrap, line)
                                     .height()
                                 / metrics.lineSpacing());
    return lines;
}

// Moves a top-level widget, frame and all, onto `area` where it can.
void KeepOn(QWidget &window, const QRect &area)
{
    QRect frame = window.frameGeometry();
    frame.moveLeft(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - frame.width())));
    frame.moveTop(std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - frame.height())));
    window.move(frame.topLeft());
}

// A message or question with details (the module search lists every try
// there): the details shown on request in a pane large enough to read them,
// in a box the installer can make larger still. QMessageBox keeps a fixed
// size and squeezes its details, so it serves only the plain messages.
// Returns the index of the answer chosen; escapeAnswer for Esc or closing.
// Without answers the box has the one standard OK button.
int ShowBoxWithDetails(const QString &caption, const QString &text, QStyle::StandardPixmap iconKind,
                       const QString &detailsText, const QStringList &answers, int defaultAnswer, int escapeAnswer)
{
    QDialog box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setSizeGripEnabled(true);
    auto *icon = new QLabel(&box);
    const int side = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, &box);
    icon->setPixmap(box.style()->standardIcon(iconKind, nullptr, &box).pixmap(side, side));
    auto *label = new QLabel(text, &box);
    label->setObjectName(QStringLiteral("message-text"));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse);
    // Wide enough that the usual texts keep their own line breaks; a
    // wrapped label never gets less height than its text needs.
    label->setMinimumWidth(std::min(WidestLine(*label, text) + label->fontMetrics().averageCharWidth(),
                                    label->fontMetrics().averageCharWidth() * kTextColumns));
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    auto *details = new QPlainTextEdit(detailsText, &box);
    details->setObjectName(QStringLiteral("message-details"));
    details->setReadOnly(true);
    details->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    details->hide();
    auto *buttons = new QDialogButtonBox(&box);
    QList<QPushButton *> answerButtons;
    // No answers given: a message, closed with the standard OK.
    const QStringList labels = answers.isEmpty() ? QStringList{QString()} : answers;
    for (const QString &answer : labels) {
        QPushButton *button = answer.isEmpty() ? buttons->addButton(QDialogButtonBox::Ok)
                                               : buttons->addButton(answer, QDialogButtonBox::AcceptRole);
        QObject::connect(button, &QPushButton::clicked, &box,
                         [&box, index = static_cast<int>(answerButtons.size())] { box.done(index + 1); });
        answerButtons << button;
    }
    QPushButton *toggle = buttons->addButton(QCoreApplication::translate("Tarvello", "Подробности"),
                                             QDialogButtonBox::ActionRole);
    toggle->setObjectName(QStringLiteral("message-details-toggle"));
    toggle->setCheckable(true);
    toggle->setAutoDefault(false);

    auto *grid = new QGridLayout(&box);
    grid->addWidget(icon, 0, 0, Qt::AlignTop);
    grid->addWidget(label, 0, 1);
    grid->addWidget(details, 1, 0, 1, 2);
    grid->addWidget(buttons, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    QObject::connect(toggle, &QPushButton::toggled, &box, [&box, grid, details](bool open) {
        const QFontMetrics metrics(details->font());
        const int frame = 2 * details->frameWidth() + 2 * static_cast<int>(details->document()->documentMargin());
        if (open) {
            const QRect area = box.screen() ? box.screen()->availableGeometry() : QRect(0, 0, 1024, 768);
            const QSize screen = area.size();
            const QSize decoration = box.frameGeometry().size() - box.size();
            // Opened: room for the whole list as far as the screen allows,
            // its longest lines wrapped...
            const int scrollBar = details->verticalScrollBar()->sizeHint().width();
            const int width = std::clamp(WidestLine(*details, details->toPlainText()),
                                         metrics.averageCharWidth() * kDetailsColumns,
                                         metrics.averageCharWidth() * kDetailsWidestColumns)
                              + frame + scrollBar;
            const int lines = WrappedLines(metrics, details->toPlainText(), width - frame - scrollBar);
            const QSize whole(width, metrics.lineSpacing() * std::max(kDetailsLines, lines) + frame);
            details->setMinimumSize(
                whole.boundedTo(QSize(screen.width() - kScreenMargin, screen.height() * 2 / 3)));
            details->show();
            grid->setRowStretch(1, 1);
            box.layout()->activate();
            box.resize(box.sizeHint().expandedTo(box.size()).boundedTo(screen - decoration));
            KeepOn(box, area);
            // ...and when the installer makes the box smaller, never less
            // than a readable pane.
            details->setMinimumSize(
                QSize(metrics.averageCharWidth() * kDetailsColumns, metrics.lineSpacing() * kDetailsLines + frame)
                    .boundedTo(screen / 2));
        } else {
            details->setMinimumSize(0, 0);
            details->hide();
            grid->setRowStretch(1, 0);
            box.layout()->activate();
            box.resize(box.minimumSizeHint().expandedTo(QSize(box.width(), 0)));
        }
    });

    if (defaultAnswer >= 0 && defaultAnswer < answerButtons.size())
        answerButtons[defaultAnswer]->setDefault(true);
    const int chosen = box.exec() - 1;
    return chosen >= 0 && chosen < answerButtons.size() ? chosen : escapeAnswer;
}

void ShowMessageWithDetails(const UserMessage &message)
{
    ShowBoxWithDetails(message.caption, message.text, IconOf(message.icon), message.details, {}, 0, 0);
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
    const bool error = question.icon == UserQuestion::Icon::Error;
    if (!question.details.isEmpty())
        return ShowBoxWithDetails(question.caption, question.text,
                                  error ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxQuestion,
                                  question.details, question.answers, question.defaultAnswer, question.escapeAnswer);
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(error ? QMessageBox::Critical : QMessageBox::Question);
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
    dialog.setProxyModel(new FileDialogDateModel(&dialog));
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
    // Month names, dates and file types in Qt's dialogs follow the default
    // locale, not the system's.
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
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
