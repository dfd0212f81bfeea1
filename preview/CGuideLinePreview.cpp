#include "CGuideLinePreview.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimerEvent>

#include <algorithm>
#include <limits>

CGuideLinePreview::CGuideLinePreview(QWidget *parent)
    : QWidget(parent)
{
    // Every paint covers the whole control from the off-screen picture.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The cursor blinks at the platform's caret rate; no timer when the
    // platform does not blink.
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0)
        blinkTimer_ = startTimer(std::max(1, flash / 2));
}

CGuideLinePreview::~CGuideLinePreview()
{
    if (blinkTimer_ != 0)
        killTimer(blinkTimer_);
    StopPageTimer();
}

void CGuideLinePreview::StartPageTimer()
{
    StopPageTimer();
    const int flash = QApplication::cursorFlashTime();
    if (flash > 0)
        pageTimer_ = startTimer(std::max(1, flash / 2));
}

void CGuideLinePreview::StopPageTimer()
{
    if (pageTimer_ != 0)
        killTimer(pageTimer_);
    pageTimer_ = 0;
}

void CGuideLinePreview::SetPoint(int slot, double gridX, double gridY, bool enabled, bool repaint)
{
    renderer_.SetPoint(slot, gridX, gridY, enabled);
    if (repaint)
        update();
}

void CGuideLinePreview::Draw(QPainter &painter, bool exportMode) const
{
    if (exportMode)
        renderer_.DrawExport(painter);
    else
        renderer_.DrawScreen(painter, size(), hasFocus(), blinkCounter_ % 2 == 0);
}

void CGuideLinePreview::paintEvent(QPaintEvent *)
{
    if (width() <= 0 || height() <= 0)
        return;
    // Drawn at the screen's own pixel density, so that lines stay sharp on
    // a high-density screen instead of being scaled up.
    const qreal ratio = devicePixelRatioF();
    QImage buffer(size() * ratio, QImage::Format_RGB32);
    buffer.setDevicePixelRatio(ratio);
    buffer.fill(palette().color(QPalette::Window));
    {
        QPainter memory(&buffer);
        Draw(memory, false);
    }
    QPainter window(this);
    window.drawImage(0, 0, buffer);
}

void CGuideLinePreview::timerEvent(QTimerEvent *)
{
    // Any timer (this control's own and the page's) advances the blink. The
    // counter wraps from INT_MAX (odd) to 0 (even), keeping the alternation.
    blinkCounter_ = blinkCounter_ == std::numeric_limits<int>::max() ? 0 : blinkCounter_ + 1;
    if (renderer_.HighlightedPoint() >= 0)
        update();
}
