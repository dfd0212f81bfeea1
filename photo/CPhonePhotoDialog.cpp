#include "CPhonePhotoDialog.h"

#include "PhoneAddresses.h"
#include "QrCode.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

constexpr int kModulePixels = 6; // a QR module on the screen, pixels: readable from an arm's length

} // namespace

CPhonePhotoDialog::CPhonePhotoDialog(QWidget *parent, QList<QHostAddress> addresses)
    : QDialog(parent), addresses_(std::move(addresses))
{
    setObjectName(QStringLiteral("CPhonePhotoDialog"));
    setWindowTitle(tr("Снимок с телефона"));
    intro_ = new QLabel(this);
    intro_->setWordWrap(true);
    code_ = new QLabel(this);
    code_->setAlignment(Qt::AlignCenter);
    address_ = new QLabel(this);
    address_->setAlignment(Qt::AlignCenter);
    address_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont big = address_->font();
    big.setPointSizeF(big.pointSizeF() * 1.3);
    big.setBold(true);
    address_->setFont(big);
    choiceLabel_ = new QLabel(tr("Другой адрес этого компьютера:"), this);
    choice_ = new QComboBox(this);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    renew_ = new QPushButton(tr("Новый код"), this);
    renew_->setAutoDefault(false);
    file_ = new QPushButton(tr("Открыть файл..."), this);
    file_->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addButton(file_, QDialogButtonBox::ActionRole);
    buttons->addButton(renew_, QDialogButtonBox::ActionRole);

    auto *choiceRow = new QHBoxLayout;
    choiceRow->addWidget(choiceLabel_);
    choiceRow->addWidget(choice_, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro_);
    layout->addWidget(code_, 1);
    layout->addWidget(address_);
    layout->addLayout(choiceRow);
    layout->addWidget(status_);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(file_, &QPushButton::clicked, this, [this] {
        close();
        emit FileWanted();
    });
    connect(renew_, &QPushButton::clicked, this, [this] {
        receiver_.Renew();
        ShowAddress(choice_->currentIndex());
    });
    connect(choice_, &QComboBox::currentIndexChanged, this, &CPhonePhotoDialog::ShowAddress);
    connect(&receiver_, &PhoneReceiver::PhotoReceived, this, [this](const QString &path, const QImage &picture) {
        Received(path);
        emit PhotoReceived(path, picture);
    });
    connect(&receiver_, &PhoneReceiver::TokenExpired, this, &CPhonePhotoDialog::ShowExpired);
}

CPhonePhotoDialog::~CPhonePhotoDialog() = default;

void CPhonePhotoDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!receiver_.IsListening())
        Listen();
}

void CPhonePhotoDialog::hideEvent(QHideEvent *event)
{
    // Closed: nobody sees the code any more, so nothing listens and the
    // token is dead. (Minimised with the program, it keeps listening.)
    if (!event->spontaneous())
        receiver_.Stop();
    QDialog::hideEvent(event);
}

void CPhonePhotoDialog::Listen()
{
    received_ = 0;
    listening_ = receiver_.Start(addresses_.isEmpty() ? PhoneAddresses::Find() : addresses_);
    const bool none = listening_.isEmpty();
    code_->setVisible(!none);
    address_->setVisible(!none);
    file_->setVisible(none);
    if (none) {
        shown_.clear();
        intro_->setText(
            tr("У компьютера нет адреса в локальной сети, и телефон не сможет передать снимок.\n\n"
               "Включите на ноутбуке точку доступа Wi-Fi и подключите к ней телефон, "
               "или подключите телефон и ноутбук к одной сети Wi-Fi, и откройте это окно снова.\n\n"
               "Или откройте снимок из файла."));
        choiceLabel_->hide();
        choice_->hide();
        renew_->hide();
        status_->clear();
        adjustSize();
        return;
    }
    intro_->setText(tr("Отсканируйте код камерой телефона (телефон и компьютер - в одной сети), "
                       "сфотографируйте монитор с сеткой и нажмите «Отправить». Снимок откроется здесь сам."));
    const QSignalBlocker blocker(choice_);
    choice_->clear();
    for (const QHostAddress &address : listening_)
        choice_->addItem(address.toString());
    choiceLabel_->setVisible(listening_.size() > 1);
    choice_->setVisible(listening_.size() > 1);
    ShowAddress(0);
    adjustSize();
}

void CPhonePhotoDialog::ShowAddress(int index)
{
    if (index < 0 || index >= listening_.size())
        return;
    shown_ = receiver_.PageUrl(listening_[index]);
    const QByteArray text = shown_.toEncoded();
    code_->setPixmap(QPixmap::fromImage(QrCode::Render(text, kModulePixels)));
    address_->setText(QString::fromLatin1(text));
    renew_->hide();
    status_->setText(received_ > 0 ? status_->text() : tr("Ждём снимок с телефона..."));
}

void CPhonePhotoDialog::Received(const QString &path)
{
    ++received_;
    status_->setText(tr("Снимок %1 получен (%2). Можно отправить следующий.")
                         .arg(received_)
                         .arg(QFileInfo(path).fileName()));
}

void CPhonePhotoDialog::ShowExpired()
{
    status_->setText(tr("Код действовал 15 минут и больше не принимается. Нажмите «Новый код» и отсканируйте его снова."));
    code_->setPixmap({});
    renew_->show();
}
