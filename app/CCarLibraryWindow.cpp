#include "CCarLibraryWindow.h"

#include "ConfigurationDocument.h"
#include "UserMessage.h"
#include "UserPreferences.h"
#include "UserQuestion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentMap>

namespace {

constexpr int kPathRole = Qt::UserRole;

QString Tr(const char *text)
{
    return QCoreApplication::translate("CCarLibraryWindow", text);
}

void ShowError(const QString &text)
{
    ShowMessage(UserMessage{text, ProgramCaption(), UserMessage::Icon::Error, QString()});
}

QPushButton *AddButton(QBoxLayout *row, const QString &text)
{
    auto *button = new QPushButton(text);
    // Enter belongs to the list and the filter: it loads, it never presses a button.
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

} // namespace

CCarLibraryWindow::CCarLibraryWindow(ConfigurationDocument &document, QWidget *parent)
    : QDialog(parent), document_(document), folder_(CarLibraryFolder())
{
    setObjectName(QStringLiteral("CCarLibraryWindow"));
    setWindowTitle(Tr("Библиотека автомобилей"));
    resize(560, 540);

    folderLabel_ = new QLabel;
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    filter_ = new QLineEdit;
    filter_->setPlaceholderText(Tr("Поиск по имени файла"));
    filter_->setClearButtonEnabled(true);
    list_ = new QListWidget;
    list_->setIconSize(QSize(kCarThumbnailWidth, kCarThumbnailHeight));
    list_->setUniformItemSizes(true);
    list_->setSpacing(2);

    auto *top = new QHBoxLayout;
    top->addWidget(folderLabel_, 1);
    connect(AddButton(top, Tr("Другая папка...")), &QPushButton::clicked, this, &CCarLibraryWindow::ChooseFolder);
    auto *bottom = new QHBoxLayout;
    connect(AddButton(bottom, Tr("Добавить текущую")), &QPushButton::clicked, this, &CCarLibraryWindow::AddCurrent);
    bottom->addStretch(1);
    load_ = AddButton(bottom, Tr("Загрузить"));
    connect(load_, &QPushButton::clicked, this, &CCarLibraryWindow::LoadCurrent);
    connect(AddButton(bottom, Tr("Закрыть")), &QPushButton::clicked, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(filter_);
    layout->addWidget(list_, 1);
    layout->addLayout(bottom);
    setTabOrder(filter_, list_);

    connect(filter_, &QLineEdit::textChanged, this, &CCarLibraryWindow::ApplyFilter);
    connect(filter_, &QLineEdit::returnPressed, this, &CCarLibraryWindow::LoadCurrent);
    connect(list_, &QListWidget::itemActivated, this, &CCarLibraryWindow::LoadCurrent);
    connect(list_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem *item) { load_->setEnabled(item && !item->isHidden()); });
    connect(&reader_, &QFutureWatcher<CarLibraryEntry>::resultReadyAt, this,
            [this](int index) { ShowEntry(reader_.resultAt(index)); });
    filter_->installEventFilter(this);
    list_->installEventFilter(this);

    askName_ = [this](const QString &suggestion) -> std::optional<QString> {
        bool ok = false;
        const QString name = QInputDialog::getText(this, Tr("Добавить текущую"), Tr("Имя файла в библиотеке:"),
                                                   QLineEdit::Normal, suggestion, &ok);
        return ok ? std::optional<QString>(name) : std::nullopt;
    };
    askFolder_ = [this](const QString &current) -> std::optional<QString> {
        const QString folder = QFileDialog::getExistingDirectory(this, Tr("Папка библиотеки автомобилей"), current);
        return folder.isEmpty() ? std::nullopt : std::optional<QString>(folder);
    };

    // The default folder is made on first use.
    if (!QDir().mkpath(folder_))
        ShowError(Tr("Не удалось создать папку библиотеки «%1».").arg(folder_));
    Refresh();
    filter_->setFocus();
}

CCarLibraryWindow::~CCarLibraryWindow()
{
    reader_.cancel();
    reader_.waitForFinished();
}

void CCarLibraryWindow::Refresh()
{
    reader_.cancel();
    reader_.waitForFinished();
    folderLabel_->setText(Tr("Папка: %1").arg(QDir::toNativeSeparators(folder_)));
    list_->clear();
    QPixmap blank(kCarThumbnailWidth, kCarThumbnailHeight);
    blank.fill(Qt::black);
    const QStringList paths = CarLibraryFiles(folder_);
    for (const QString &path : paths) {
        auto *item = new QListWidgetItem(QIcon(blank), QFileInfo(path).fileName() + QLatin1Char('\n'), list_);
        item->setData(kPathRole, path);
        item->setToolTip(path);
    }
    reader_.setFuture(QtConcurrent::mapped(paths, ReadCarLibraryEntry));
    ApplyFilter();
}

void CCarLibraryWindow::WaitForEntries()
{
    reader_.waitForFinished();
    if (!reader_.isCanceled())
        for (const CarLibraryEntry &entry : reader_.future().results())
            ShowEntry(entry);
}

void CCarLibraryWindow::ShowEntry(const CarLibraryEntry &entry)
{
    QListWidgetItem *item = ItemOf(entry.path);
    if (!item)
        return;
    const bool read = entry.problem.isEmpty();
    item->setText(QFileInfo(entry.path).fileName() + QLatin1Char('\n') + (read ? entry.firstComment : entry.problem));
    if (read) {
        item->setIcon(QIcon(QPixmap::fromImage(entry.thumbnail)));
        return;
    }
    // No picture: a blank, not the black of a picture without lines.
    QPixmap none(kCarThumbnailWidth, kCarThumbnailHeight);
    none.fill(palette().color(QPalette::Window));
    item->setIcon(QIcon(none));
    item->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
}

QListWidgetItem *CCarLibraryWindow::ItemOf(const QString &path) const
{
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->data(kPathRole).toString() == path)
            return list_->item(i);
    return nullptr;
}

void CCarLibraryWindow::ApplyFilter()
{
    const QString text = filter_->text().trimmed();
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem *item = list_->item(i);
        item->setHidden(!QFileInfo(item->data(kPathRole).toString()).fileName().contains(text, Qt::CaseInsensitive));
    }
    SelectFirstVisible();
}

void CCarLibraryWindow::SelectFirstVisible()
{
    if (list_->currentItem() && !list_->currentItem()->isHidden())
        return;
    list_->setCurrentItem(nullptr);
    for (int i = 0; i < list_->count(); ++i)
        if (!list_->item(i)->isHidden()) {
            list_->setCurrentItem(list_->item(i));
            break;
        }
    load_->setEnabled(list_->currentItem() != nullptr);
}

bool CCarLibraryWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    // Typing in the list goes to the filter; the arrows in the filter move
    // through the list.
    if (watched == list_ && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))
        && ((!key->text().isEmpty() && key->text().front().isPrint()) || key->key() == Qt::Key_Backspace)) {
        filter_->setFocus();
        QCoreApplication::sendEvent(filter_, event);
        return true;
    }
    if (watched == filter_
        && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_PageUp
            || key->key() == Qt::Key_PageDown)) {
        QCoreApplication::sendEvent(list_, event);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CCarLibraryWindow::LoadCurrent()
{
    QListWidgetItem *item = list_->currentItem();
    if (!item || item->isHidden())
        return;
    // The document asks about unsaved changes and reports a file it cannot read.
    if (document_.FileLoadPath(item->data(kPathRole).toString()))
        accept();
}

void CCarLibraryWindow::AddCurrent()
{
    const std::optional<QString> answer = askName_(QFileInfo(document_.CurrentFileName()).completeBaseName());
    if (!answer)
        return;
    QString name = answer->trimmed();
    if (name.isEmpty()) {
        ShowError(Tr("Имя файла не задано. Конфигурация не добавлена."));
        return;
    }
    if (name.contains(QLatin1Char('/'))) {
        ShowError(Tr("Имя «%1» содержит «/». Введите имя файла без папки: он будет записан в папку библиотеки.")
                      .arg(name));
        return;
    }
    if (!name.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive))
        name += QStringLiteral(".ini");
    // A hidden file ("..ini" from "."): written, it would never be listed.
    if (!IsCarLibraryFileName(name)) {
        ShowError(Tr("Имя «%1» начинается с точки: такой файл скрыт, и библиотека его не покажет. "
                     "Введите имя без точки в начале.")
                      .arg(answer->trimmed()));
        return;
    }
    const QString path = QDir(folder_).absoluteFilePath(name);
    if (QFileInfo::exists(path)) {
        const UserQuestion question{Tr("В библиотеке уже есть файл «%1». Заменить его текущей конфигурацией?").arg(name),
                                    ProgramCaption(),
                                    {Tr("Заменить"), Tr("Отмена")},
                                    1,
                                    1};
        if (AskUser(question) != 0)
            return;
    }
    QDir().mkpath(folder_);
    // A file that could not be written has been reported by the save.
    if (!document_.SaveCopy(path))
        return;
    filter_->clear();
    Refresh();
    if (QListWidgetItem *item = ItemOf(path))
        list_->setCurrentItem(item);
}

void CCarLibraryWindow::ChooseFolder()
{
    const std::optional<QString> folder = askFolder_(folder_);
    if (!folder || folder->isEmpty())
        return;
    folder_ = QDir::cleanPath(QDir(*folder).absolutePath());
    SetCarLibraryFolder(folder_);
    Refresh();
}
