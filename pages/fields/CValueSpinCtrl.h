#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>
#include <QWidget>

class QToolButton;

// Reads a number the way the C library reads a decimal: leading blanks, an
// optional sign, digits with an optional '.' fraction and an optional
// exponent, and stops at the first character that does not fit. Text with
// no number reads as 0. Always uses '.', whatever the process locale.
// Only decimal numbers are read ("inf", "nan" and hexadecimal give 0), and a
// number too large for a double reads as the largest finite one.
double ReadDecimalPrefix(const QString &text);

// The text a numeric field shows for v: "%g" when decimals is negative;
// otherwise %.<decimals>e when "%g" would use an exponent, else
// %.<decimals>f; then, with trimZeros, trailing zeros of the fraction (and a
// then trailing '.') are removed. Locale-independent.
QString FormatSpinValue(double v, int decimals, bool trimZeros);

// The numeric field of every page: a pair of arrow buttons (with auto-repeat)
// beside a QLineEdit, its buddy. The value lives in the buddy's text; the
// control's own position (0..PositionCount) is kept roughly in step. A click
// on an arrow, or Up/Down (without Shift) in the buddy, adds or subtracts one
// step, snaps an overshoot past a bound back to the bound, writes the new
// text and then emits Spun, so the page's handler reads the updated text.
class CValueSpinCtrl : public QWidget {
    Q_OBJECT
public:
    // Largest position count (the 16-bit up-down range of the original control).
    static constexpr int kMaxPositions = 32767;

    explicit CValueSpinCtrl(QWidget *parent = nullptr);

    // Attaches the edit whose text is the value (null detaches).
    void SetBuddy(QLineEdit *buddy);
    QLineEdit *Buddy() const { return buddy_; }

    // Stores the range; with a non-zero step it recomputes the position
    // count, min(|(maximum - minimum) / step| truncated, 32767), and moves
    // the position to the current value. Step 0 leaves the count as it was.
    void SetRange(double minimum, double maximum, double step);
    void GetRange(double &minimum, double &maximum, double &step) const;

    // A whole-number field: minimum..maximum in steps of 1, shown without
    // decimals and with its zeros ("10", not "1").
    void SetIntegerRange(int minimum, int maximum);

    // Digits after the point; -1 (or any negative) = automatic ("%g").
    void SetDecimals(int decimals);
    int Decimals() const { return decimals_; }
    void SetTrimZeros(bool trim);
    bool TrimZeros() const { return trimZeros_; }

    // Writes the formatted v into the buddy and moves the position to v.
    void SetValue(double v);
    // Writes the formatted v into the buddy only.
    void SetValueText(double v);
    // The buddy's text read as a decimal number; 0 without a buddy.
    double GetValue() const;
    // The same as an integer, as a field with no decimals shows it:
    // truncated toward zero, saturated at the ends of int.
    int GetIntValue() const;
    QString Format(double v) const { return FormatSpinValue(v, decimals_, trimZeros_); }

    int PositionCount() const { return positionCount_; }
    int Position() const { return position_; }

    // One click of the arrows: delta +1 is up (adds a step), -1 is down.
    void SpinClick(int delta);

    // Ends a press-and-hold on an arrow: the held arrow is let go without a
    // further step, so its auto-repeat stops and the later release of the
    // mouse button does nothing. A page calls it when a step failed, before
    // it reports the failure in a box (which would swallow the release).
    void EndPress();

    QToolButton *UpButton() const { return up_; }
    QToolButton *DownButton() const { return down_; }

    QSize sizeHint() const override;

signals:
    // After a spin click has written the new text.
    void Spun(int delta);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void SetPositionFrom(double v);

    double minimum_ = 0.0;
    double maximum_ = 100.0;
    double step_ = 1.0;
    int positionCount_ = 100;
    int decimals_ = -1;
    bool trimZeros_ = true;
    int position_ = 0;
    QPointer<QLineEdit> buddy_;
    QToolButton *up_ = nullptr;
    QToolButton *down_ = nullptr;
};
