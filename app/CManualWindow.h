#pragma once

#include <QDialog>
#include <QUrl>

class QPushButton;
class QTextBrowser;

// The program's own manual viewer, for desktops with no handler for HTML
// files: the manual in a browser pane with its pictures, links inside it
// followed, back, forward and contents buttons. Non-modal; links that leave
// the manual (mail, web) go to the desktop.
class CManualWindow : public QDialog {
    Q_OBJECT

public:
    explicit CManualWindow(QWidget *parent = nullptr);

    // Shows the manual file (index.html) at `section` (an anchor; empty: its
    // top) and remembers the file as the contents page.
    void ShowManual(const QString &path, const QString &section = {});

    QTextBrowser *Browser() const { return browser_; }
    QUrl Home() const { return home_; }

private:
    void UpdateTitle();

    QTextBrowser *browser_ = nullptr;
    QPushButton *back_ = nullptr;
    QPushButton *forward_ = nullptr;
    QUrl home_;
};
