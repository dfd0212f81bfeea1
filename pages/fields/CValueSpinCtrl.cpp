#include "CValueSpinCtrl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QToolButton>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <locale.h>
#include <stdlib.h>
#include <string>

namespace {

// Widest fraction the field formats; more digits carry nothing a double holds.
constexpr int kMaxDecimals = 100;

bool IsCSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r';
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The "C" locale, for conversions that must not follow the process locale.
locale_t CLocale()
{
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

std::string ToChars(double v, std::chars_format format, int precision)
{
    char buffer[512];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, format, precision);
    if (result.ec != std::errc())
        return {};
    return std::string(buffer, result.ptr);
}

// Removes trailing zeros of the fraction, then a trailing point.
void TrimFraction(std::string &text)
{
    if (text.find('.') == std::string::npos)
        return;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.')
        text.pop_back();
}

} // namespace

double ReadDecimalPrefix(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && IsCSpace(text[i].unicode()))
        ++i;
    std::string number;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number += '-';
        ++i;
    }
    int digits = 0;
    while (i < n && IsDigit(text[i].unicode())) {
        number += static_cast<char>(text[i].unicode());
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        number += '.';
        ++i;
        while (i < n && IsDigit(text[i].unicode())) {
            number += static_cast<char>(text[i].unicode());
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    // An exponent counts only when at least one digit follows it.
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        std::string exponent = "e";
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            exponent += static_cast<char>(text[j++].unicode());
        if (j < n && IsDigit(text[j].unicode())) {
            while (j < n && IsDigit(text[j].unicode()))
                exponent += static_cast<char>(text[j++].unicode());
            number += exponent;
        }
    }
    double v = strtod_l(number.c_str(), nullptr, CLocale());
    if (std::isinf(v))
        v = std::copysign(DBL_MAX, v);
    return v;
}

QString FormatSpinValue(double v, int decimals, bool trimZeros)
{
    std::string text = ToChars(v, std::chars_format::general, 6);  // "%g"
    if (decimals >= 0) {
        const int precision = std::min(decimals, kMaxDecimals);
        const bool exponent = text.find('e') != std::string::npos;
        text = ToChars(v, exponent ? std::chars_format::scientific : std::chars_format::fixed,
                       precision);
    }
    if (trimZeros) {
        const size_t e = text.find('e');
        if (e != std::string::npos) {
            std::string mantissa = text.substr(0, e);
            TrimFraction(mantissa);
            text = mantissa + text.substr(e);
        } else {
            TrimFraction(text);
        }
    }
    return QString::fromLatin1(text);
}

CValueSpinCtrl::CValueSpinCtrl(QWidget *parent) : QWidget(parent)
{
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setObjectName(QStringLiteral("up"));
    down_->setObjectName(QStringLiteral("down"));
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);  // the buddy keeps the focus
    }
    connect(up_, &QToolButton::clicked, this, [this] { SpinClick(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { SpinClick(-1); });
    setFocusPolicy(Qt::NoFocus);
    SetRange(minimum_, maximum_, step_);
}

QSize CValueSpinCtrl::sizeHint() const
{
    return QSize(16, 24);
}

void CValueSpinCtrl::SetBuddy(QLineEdit *buddy)
{
    if (buddy_)
        buddy_->removeEventFilter(this);
    buddy_ = buddy;
    if (buddy_)
        buddy_->installEventFilter(this);
}

void CValueSpinCtrl::SetRange(double minimum, double maximum, double step)
{
    minimum_ = minimum;
    maximum_ = maximum;
    step_ = step;
    if (step_ == 0.0)
        return;
    const double count = std::fabs((maximum_ - minimum_) / step_);
    // NaN and anything past the limit both end at the limit.
    positionCount_ = count < kMaxPositions ? static_cast<int>(count) : kMaxPositions;
    SetPositionFrom(GetValue());
}

void CValueSpinCtrl::GetRange(double &minimum, double &maximum, double &step) const
{
    minimum = minimum_;
    maximum = maximum_;
    step = step_;
}

void CValueSpinCtrl::SetIntegerRange(int minimum, int maximum)
{
    SetRange(minimum, maximum, 1);
    SetDecimals(0);
    SetTrimZeros(false);
}

void CValueSpinCtrl::SetDecimals(int decimals)
{
    decimals_ = decimals < 0 ? -1 : decimals;
}

void CValueSpinCtrl::SetTrimZeros(bool trim)
{
    trimZeros_ = trim;
}

void CValueSpinCtrl::SetValue(double v)
{
    SetValueText(v);
    SetPositionFrom(v);
}

void CValueSpinCtrl::SetValueText(double v)
{
    if (buddy_)
        buddy_->setText(Format(v));
}

int CValueSpinCtrl::GetIntValue() const
{
    const double v = std::trunc(GetValue());
    if (!(v > std::numeric_limits<int>::min()))
        return std::isnan(v) ? 0 : std::numeric_limits<int>::min();
    return v < std::numeric_limits<int>::max() ? static_cast<int>(v) : std::numeric_limits<int>::max();
}

double CValueSpinCtrl::GetValue() const
{
    return buddy_ ? ReadDecimalPrefix(buddy_->text()) : 0.0;
}

void CValueSpinCtrl::SetPositionFrom(double v)
{
    if (maximum_ == minimum_)
        return;
    if (std::isnan(v) || v < minimum_)
        position_ = 0;
    else if (v > maximum_)
        position_ = positionCount_;
    else {
        const double p = (v - minimum_) / (maximum_ - minimum_) * positionCount_ + 0.5;
        // An infinite or reversed range must not make the conversion overflow.
        position_ = p >= 0 ? static_cast<int>(std::min<double>(p, positionCount_)) : 0;
    }
}

void CValueSpinCtrl::SpinClick(int delta)
{
    double value = GetValue() + delta * step_;
    const double reference = delta < 0 ? std::max(value, minimum_) : std::max(value, maximum_);
    const double tolerance = std::max(std::fabs(reference) * 1e-9, 1e-9);
    // An overshoot past a bound snaps to the bound; no wrapping.
    if (delta < 0) {
        if (minimum_ - value > tolerance)
            value = minimum_;
    } else if (value - maximum_ > tolerance) {
        value = maximum_;
    }
    SetValueText(value);
    position_ = std::clamp(position_ + delta, 0, positionCount_);
    emit Spun(delta);
}

void CValueSpinCtrl::EndPress()
{
    for (QToolButton *arrow : {up_, down_}) {
        if (!arrow->isDown())
            continue;
        // Up stops the repeat; a release while up ends the press without a click.
        arrow->setDown(false);
        const QPointF centre = QRectF(arrow->rect()).center();
        QMouseEvent release(QEvent::MouseButtonRelease, centre, arrow->mapToGlobal(centre), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(arrow, &release);
    }
}

bool CValueSpinCtrl::eventFilter(QObject *watched, QEvent *event)
{
    // The type is tested first: a buddy being destroyed still passes its last
    // events through here, and is no QLineEdit any more by then.
    if (event->type() == QEvent::KeyPress && watched == buddy_ && isEnabled()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (!(key->modifiers() & Qt::ShiftModifier)
            && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            SpinClick(key->key() == Qt::Key_Up ? +1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CValueSpinCtrl::resizeEvent(QResizeEvent *event)
{
    const int w = event->size().width();
    const int h = event->size().height();
    up_->setGeometry(0, 0, w, h / 2);
    down_->setGeometry(0, h / 2, w, h - h / 2);
    QWidget::resizeEvent(event);
}
