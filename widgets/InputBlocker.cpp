#include "InputBlocker.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

InputBlocker::InputBlocker(QWidget *window) : window_(window)
{
    // Installed last, so it sees events before every filter installed before.
    qApp->installEventFilter(this);
}

InputBlocker::~InputBlocker()
{
    qApp->removeEventFilter(this);
}

bool InputBlocker::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Close:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
        break;
    case QEvent::ShortcutOverride:
        // Accepting it keeps the key from firing a shortcut; the key press
        // that follows is swallowed below.
        break;
    default:
        return QObject::eventFilter(watched, event);
    }
    if (!window_ || !watched->isWidgetType() || static_cast<QWidget *>(watched)->window() != window_)
        return QObject::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::Close)
        event->ignore();
    return true;
}
