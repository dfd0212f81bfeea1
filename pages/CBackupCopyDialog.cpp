#include "CBackupCopyDialog.h"

#include <QDialogButtonBox>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Thumbnail size of a copy, in pixels (the module's 400 x 310 scaled down).
constexpr QSize kThumbnail(160, 124);

} // namespace

CBackupCopyDialog::CBackupCopyDialog(const std::vector<ModulePictureBackupStore::Copy> &copies, QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Копии картинки модуля"));
    list_ = new QListWidget(this);
    list_->setIconSize(kThumbnail);
    list_->setUniformItemSizes(true);
    const QLocale locale;
    for (const ModulePictureBackupStore::Copy &copy : copies) {
        QString reason;
        const auto bytes = ModulePictureBackupStore::ReadCopy(copy.path, &reason);
        auto *item = new QListWidgetItem(list_);
        item->setText(tr("%1\nмодуль %2").arg(locale.toString(copy.at, QStringLiteral("d MMMM yyyy, HH:mm:ss")), copy.module)
                      + (bytes ? QString() : tr("\nне читается: %1").arg(reason)));
        item->setData(Qt::UserRole, copy.path);
        if (bytes) {
            item->setIcon(QPixmap::fromImage(ModulePictureBackupStore::ImageOfModuleBytes(*bytes)
                                                 .scaled(kThumbnail, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        } else {
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
        }
    }
    // The newest copy that reads.
    for (int row = 0; row < list_->count(); ++row) {
        if (list_->item(row)->flags() & Qt::ItemIsEnabled) {
            list_->setCurrentRow(row);
            break;
        }
    }

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *restore = buttons->addButton(tr("Восстановить"), QDialogButtonBox::AcceptRole);
    QPushButton *other = buttons->addButton(tr("Другой файл..."), QDialogButtonBox::ActionRole);
    buttons->addButton(tr("Отмена"), QDialogButtonBox::RejectRole);
    restore->setDefault(true);
    restore->setEnabled(list_->currentItem() != nullptr);
    connect(list_, &QListWidget::currentItemChanged, restore,
            [restore](QListWidgetItem *item) { restore->setEnabled(item && (item->flags() & Qt::ItemIsEnabled)); });
    connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        if (item->flags() & Qt::ItemIsEnabled)
            accept();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(other, &QPushButton::clicked, this, [this] {
        otherFile_ = true;
        accept();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(460, 420);
}

QString CBackupCopyDialog::ChosenPath() const
{
    const QListWidgetItem *item = list_->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}
