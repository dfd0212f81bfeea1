#pragma once

#include "PhoneReceiver.h"

#include <QDialog>
#include <QHostAddress>
#include <QList>

class QComboBox;
class QLabel;
class QPushButton;

// "С телефона...": the QR code of the phone's page and its address as text
// under it. The page's server listens only while this window is shown; a
// photo it receives is announced at once and the window stays open for the
// next one. With several addresses the one on the default route is shown
// and the others can be chosen; with none the window says how to make one
// and offers the file dialog instead. Not modal.
class CPhonePhotoDialog : public QDialog {
    Q_OBJECT

public:
    // addresses: where to listen, in order of preference.
    explicit CPhonePhotoDialog(QWidget *parent = nullptr, QList<QHostAddress> addresses = {});
    ~CPhonePhotoDialog() override;

    // Where the listening addresses come from when the window is shown
    // (PhoneAddresses::Find() unless given).
    void SetAddresses(QList<QHostAddress> addresses) { addresses_ = std::move(addresses); }
    PhoneReceiver &Receiver() { return receiver_; }
    // The address the QR code holds now; empty when there is none.
    QUrl ShownUrl() const { return shown_; }
    QLabel *CodeLabel() const { return code_; }
    QLabel *AddressLabel() const { return address_; }
    QComboBox *AddressChoice() const { return choice_; }
    QLabel *StatusLine() const { return status_; }
    QPushButton *FileButton() const { return file_; }
    QPushButton *RenewButton() const { return renew_; }

signals:
    void PhotoReceived(const QString &path, const QImage &picture);
    // No address: the installer opens a file instead.
    void FileWanted();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void Listen();
    void ShowAddress(int index);
    void Received(const QString &path);
    void ShowExpired();

    PhoneReceiver receiver_;
    QList<QHostAddress> addresses_;
    QList<QHostAddress> listening_;
    QUrl shown_;
    QLabel *intro_ = nullptr;
    QLabel *code_ = nullptr;
    QLabel *address_ = nullptr;
    QLabel *choiceLabel_ = nullptr;
    QComboBox *choice_ = nullptr;
    QLabel *status_ = nullptr;
    QPushButton *renew_ = nullptr;
    QPushButton *file_ = nullptr;
    int received_ = 0;
};
