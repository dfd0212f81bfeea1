#pragma once

#include <QDialog>

class CLinkStatic;
class QLabel;
class QPushButton;

// The About box of the Help menu: program icon, name and version, and the two
// e-mail addresses (general contact, technical support) as links.
class CAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit CAboutBox(QWidget *parent = nullptr);

    static QString ContactAddress();  // "info@tarvello.ru"
    static QString SupportAddress();  // "support@tarvello.ru"

    CLinkStatic *ContactLink() const { return contact_; }
    CLinkStatic *SupportLink() const { return support_; }
    QPushButton *OkButton() const { return ok_; }
    // The label that shows the program icon; without an icon it is empty.
    QLabel *IconLabel() const { return icon_; }

private:
    QRect Units(int x, int y, int w, int h) const;

    QLabel *icon_ = nullptr;
    CLinkStatic *contact_ = nullptr;
    CLinkStatic *support_ = nullptr;
    QPushButton *ok_ = nullptr;
};
