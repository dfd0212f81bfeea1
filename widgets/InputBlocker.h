#pragma once

#include <QObject>
#include <QPointer>

class QWidget;

// While it lives, the user's input to one window (keys, shortcuts, mouse,
// wheel, closing) is swallowed, while the window goes on painting. Other
// windows, such as the message boxes shown meanwhile, are not affected.
// Used for the length of a picture upload, which must not be interrupted.
class InputBlocker : public QObject {
    Q_OBJECT
public:
    explicit InputBlocker(QWidget *window);
    ~InputBlocker() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> window_;
};
