#include "CManualWindow.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// Start size; the manual's screenshots are about 580 pixels wide.
constexpr int kStartWidth = 860;
constexpr int kStartHeight = 700;

} // namespace

CManualWindow::CManualWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CManualWindow"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setModal(false);
    setWindowTitle(tr("Руководство по настройке Tarvello"));

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("ManualBrowser"));
    // Pages of the manual open here; mail and web links go to the desktop.
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);

    back_ = new QPushButton(tr("< Назад"), this);
    forward_ = new QPushButton(tr("Вперёд >"), this);
    auto *contents = new QPushButton(tr("Содержание"), this);
    back_->setEnabled(false);
    forward_->setEnabled(false);
    for (QPushButton *button : {back_, forward_, contents})
        button->setAutoDefault(false);
    connect(back_, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QPushButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QPushButton::clicked, this, [this] { browser_->setSource(home_); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QPushButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &CManualWindow::UpdateTitle);

    // Our own text, so that the button is Russian also without Qt's translation.
    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setText(tr("Закрыть"));
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto *navigation = new QHBoxLayout;
    navigation->addWidget(back_);
    navigation->addWidget(forward_);
    navigation->addWidget(contents);
    navigation->addStretch();
    navigation->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(browser_, 1);
    layout->addLayout(navigation);

    QSize size(kStartWidth, kStartHeight);
    if (const QScreen *screen = this->screen())
        size = size.boundedTo(screen->availableSize() * 9 / 10);
    resize(size);
}

void CManualWindow::ShowManual(const QString &path, const QString &section)
{
    const QFileInfo file(path);
    home_ = QUrl::fromLocalFile(file.absoluteFilePath());
    // Pictures and the other pages resolve against the manual's folder.
    browser_->setSearchPaths({file.absolutePath()});
    QUrl target = home_;
    if (!section.isEmpty())
        target.setFragment(section);
    browser_->setSource(target);
    UpdateTitle();
}

void CManualWindow::UpdateTitle()
{
    // The manual's own title (its <title>), else the window's default title.
    const QString title = browser_->documentTitle().trimmed();
    setWindowTitle(title.isEmpty() ? tr("Руководство по настройке Tarvello") : title);
}
