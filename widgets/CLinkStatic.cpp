#include "CLinkStatic.h"

#include "UserMessage.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPalette>
#include <QUrl>

namespace {

CLinkStatic::Opener &CurrentOpener()
{
    static CLinkStatic::Opener opener = &CLinkStatic::OpenWithDesktop;
    return opener;
}

// The message for a target that nothing could open.
UserMessage FailureMessage(const QString &target)
{
    const QString trimmed = target.trimmed();
    const QUrl url(trimmed, QUrl::TolerantMode);
    UserMessage message;
    message.caption = ProgramCaption();
    message.icon = UserMessage::Icon::Warning;
    if (url.scheme().compare(QLatin1String("mailto"), Qt::CaseInsensitive) == 0) {
        // "mailto:a@b.ru?subject=..." -> "a@b.ru"
        const QString address = url.path(QUrl::FullyDecoded).trimmed();
        message.text = QCoreApplication::translate("CLinkStatic",
                                                   "Не удалось открыть почтовую программу.\n\n"
                                                   "Напишите письмо по адресу:\n%1\n\n"
                                                   "Адрес можно выделить и скопировать.")
                           .arg(address.isEmpty() ? trimmed : address);
    } else {
        message.text = QCoreApplication::translate("CLinkStatic",
                                                   "Не удалось открыть ссылку:\n%1\n\n"
                                                   "Её можно выделить и скопировать.")
                           .arg(trimmed);
    }
    return message;
}

} // namespace

CLinkStatic::CLinkStatic(QWidget *parent) : QLabel(parent)
{
    Init();
}

CLinkStatic::CLinkStatic(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    Init();
}

void CLinkStatic::Init()
{
    hoverColor_ = palette().color(QPalette::Highlight);
    // A static text: plain, top-left, drawn on the parent's background.
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setAutoFillBackground(false);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
    UpdateColor();
}

CLinkStatic::Opener CLinkStatic::SetOpener(Opener opener)
{
    Opener previous = std::move(CurrentOpener());
    CurrentOpener() = opener ? std::move(opener) : Opener(&CLinkStatic::OpenWithDesktop);
    return previous;
}

bool CLinkStatic::OpenWithDesktop(const QString &target)
{
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty())
        return false;
    QUrl url(trimmed, QUrl::TolerantMode);
    // "C:/x" parses with scheme "c"; a one-letter scheme is a drive letter.
    if (!url.isValid() || url.scheme().size() < 2)
        url = QUrl::fromUserInput(trimmed, QDir::currentPath(), QUrl::AssumeLocalFile);
    return url.isValid() && QDesktopServices::openUrl(url);
}

void CLinkStatic::SetTarget(const QString &target)
{
    target_ = target;
    if (attached_) {
        FitText();
        setToolTip(target_);
    }
}

void CLinkStatic::MarkVisited(bool visited)
{
    visited_ = visited;
    UpdateColor();
}

void CLinkStatic::SetFitToText(bool fit)
{
    fitToText_ = fit;
    if (attached_)
        FitText();
}

void CLinkStatic::SetUnderline(bool underline)
{
    underline_ = underline;
    if (attached_) {
        QFont f = font();
        f.setUnderline(underline_);
        setFont(f);
        FitText();
    }
}

void CLinkStatic::SetLinkColor(const QColor &color)
{
    linkColor_ = color;
    UpdateColor();
}

void CLinkStatic::SetVisitedColor(const QColor &color)
{
    visitedColor_ = color;
    UpdateColor();
}

void CLinkStatic::SetHoverColor(const QColor &color)
{
    hoverColor_ = color;
    UpdateColor();
}

void CLinkStatic::Attach()
{
    if (attached_)
        return;
    attached_ = true;
    if (target_.isEmpty())
        target_ = text();
    if (text().isEmpty())
        setText(target_);
    QFont f = font();
    f.setUnderline(underline_);
    setFont(f);
    FitText();
    setToolTip(target_);
}

QColor CLinkStatic::CurrentColor() const
{
    if (hover_)
        return hoverColor_;
    return visited_ ? visitedColor_ : linkColor_;
}

bool CLinkStatic::Open()
{
    const bool ok = CurrentOpener()(target_);
    MarkVisited(ok);
    if (ok)
        emit Opened(target_);
    else
        ShowMessage(FailureMessage(target_));
    return ok;
}

bool CLinkStatic::event(QEvent *event)
{
    if (event->type() == QEvent::Show && !attached_)
        Attach();
    return QLabel::event(event);
}

void CLinkStatic::mouseMoveEvent(QMouseEvent *event)
{
    // While a button is held the label keeps the mouse; the pointer may then
    // leave without a leave event reaching us.
    const bool inside = rect().contains(event->position().toPoint());
    if (hover_ && !inside)
        SetHover(false);
    else if (!hover_ && inside)
        SetHover(true);
    QLabel::mouseMoveEvent(event);
}

void CLinkStatic::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        event->accept();
        return;
    }
    QLabel::mousePressEvent(event);
}

void CLinkStatic::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false;
        event->accept();
        if (rect().contains(event->position().toPoint()))
            Open();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CLinkStatic::enterEvent(QEnterEvent *event)
{
    SetHover(true);
    QLabel::enterEvent(event);
}

void CLinkStatic::leaveEvent(QEvent *event)
{
    SetHover(false);
    QLabel::leaveEvent(event);
}

void CLinkStatic::SetHover(bool hover)
{
    if (hover_ == hover)
        return;
    hover_ = hover;
    UpdateColor();
}

void CLinkStatic::UpdateColor()
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, CurrentColor());
    setPalette(p);
    update();
}

void CLinkStatic::FitText()
{
    if (!attached_ || !fitToText_)
        return;
    const QFontMetrics fm(font());
    const QSize textSize = fm.size(0, text());
    const QMargins m = contentsMargins();
    const int w = textSize.width() + m.left() + m.right() + 2 * margin();
    const int h = textSize.height() + m.top() + m.bottom() + 2 * margin();
    QRect r = geometry();
    const Qt::Alignment a = alignment();
    if (a & Qt::AlignVCenter)
        r.setTop(r.center().y() - h / 2);
    r.setHeight(h);
    if (a & Qt::AlignHCenter) {
        const int centre = r.center().x();
        r.setLeft(centre - w / 2);
        r.setWidth(w);
    } else if (a & Qt::AlignRight) {
        const int right = r.right();
        r.setWidth(w);
        r.moveRight(right);
    } else {
        r.setWidth(w);
    }
    setGeometry(r);
}
