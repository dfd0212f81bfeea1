#include "CoordinateKeys.h"

#include "CValueSpinCtrl.h"
#include "UserMessage.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>

CoordinateKeys::CoordinateKeys(QObject *parent) : QObject(parent)
{
}

void CoordinateKeys::SetRows(std::vector<CoordinateRow> rows)
{
    rows_ = std::move(rows);
    taken_.clear();
    for (const CoordinateRow &row : rows_)
        for (QLineEdit *edit : {row.xEdit, row.yEdit})
            if (edit)
                TrackTaken(edit);
}

void CoordinateKeys::TrackTaken(QLineEdit *edit)
{
    taken_.insert(edit, edit->text());
    // setText (a spin, the page filling its fields) clears the modified
    // flag before it reports the change; typing sets it.
    connect(edit, &QLineEdit::textChanged, this, [this, edit](const QString &text) {
        if (!edit->isModified())
            taken_.insert(edit, text);
    });
    connect(edit, &QObject::destroyed, this, [this, edit] { taken_.remove(edit); });
}

int CoordinateKeys::ActiveRow() const
{
    for (int r = static_cast<int>(rows_.size()) - 1; r >= 0; --r) {
        const QLineEdit *x = rows_[r].xEdit;
        // Visible as far as its window goes, so a row counts before the page
        // is on screen just as it will once it is.
        if (x && x->isVisibleTo(x->window()) && x->isEnabled())
            return r;
    }
    return 0;
}

bool CoordinateKeys::HandleKey(QObject *target, QKeyEvent *event)
{
    if (!event || event->type() != QEvent::KeyPress)
        return false;
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && rules_.enter) {
        for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
            const CoordinateRow &row = rows_[r];
            if (row.xEdit && target == row.xEdit && row.xSpin)
                return CommitTyped(r, row.xEdit, row.xSpin, OutOfRange::KeepTyped);
            if (row.yEdit && target == row.yEdit && row.ySpin)
                return CommitTyped(r, row.yEdit, row.ySpin, OutOfRange::KeepTyped);
        }
        return false;
    }
    if (rules_.nudge && (event->modifiers() & Qt::ShiftModifier)
        && (key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down))
        return Nudge(key);
    return false;
}

void CoordinateKeys::CommitPending()
{
    for (const CoordinateRow &row : rows_)
        for (QLineEdit *edit : {row.xEdit, row.yEdit})
            CommitIfTyped(edit);
}

bool CoordinateKeys::TakeValues(int r, double x, double y)
{
    if (!rules_.enter || r < 0 || r >= static_cast<int>(rows_.size()))
        return false;
    const CoordinateRow &row = rows_[r];
    if (!row.xSpin || !row.ySpin || !WithinRange(row.xSpin, x) || !WithinRange(row.ySpin, y))
        return false;
    row.xSpin->SetValue(x);
    row.ySpin->SetValue(y);
    for (QLineEdit *edit : {row.xEdit, row.yEdit})
        if (edit) {
            edit->setModified(false);
            taken_.insert(edit, edit->text());
        }
    if (afterChange_)
        afterChange_(r);
    return true;
}

bool CoordinateKeys::WithinRange(const CValueSpinCtrl *spin, double value)
{
    double minimum = 0, maximum = 0, step = 0;
    spin->GetRange(minimum, maximum, step);
    // The bounds themselves are accepted. A number too large for a double
    // has already been read as the largest one and fails here.
    if (value >= minimum && value <= maximum && std::isfinite(value))
        return true;
    const QString text = QCoreApplication::translate(
        "CoordinateKeys", "Введённое значение выходит за допустимые пределы. Введите число от %.02f до %.02f.");
    ShowMessage({QString::asprintf(text.toUtf8().constData(), minimum, maximum), ProgramCaption(),
                 UserMessage::Icon::Warning, {}});
    return false;
}

void CoordinateKeys::CommitIfTyped(QLineEdit *edit)
{
    if (!edit || !edit->isModified() || !rules_.enter)
        return;
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const CoordinateRow &row = rows_[r];
        CValueSpinCtrl *spin = edit == row.xEdit ? row.xSpin : edit == row.yEdit ? row.ySpin : nullptr;
        if (spin) {
            CommitTyped(r, edit, spin, OutOfRange::Restore);
            return;
        }
    }
}

bool CoordinateKeys::CommitTyped(int row, QLineEdit *edit, CValueSpinCtrl *spin, OutOfRange outOfRange)
{
    const double value = ReadDecimalPrefix(edit->text());
    // Going back first: the message box takes the focus away from the edit,
    // and the field must not hold the refused number meanwhile.
    double minimum = 0, maximum = 0, step = 0;
    spin->GetRange(minimum, maximum, step);
    if (outOfRange == OutOfRange::Restore && !(value >= minimum && value <= maximum && std::isfinite(value)))
        edit->setText(taken_.value(edit));
    if (!WithinRange(spin, value))
        return true;
    spin->SetValue(value);
    // Also when the formatted text is what was typed (no change reported).
    taken_.insert(edit, edit->text());
    if (afterChange_)
        afterChange_(row);
    return true;
}

bool CoordinateKeys::Nudge(int key)
{
    if (rows_.empty())
        return false;
    const int r = ActiveRow();
    const CoordinateRow &row = rows_[r];
    const bool horizontal = key == Qt::Key_Left || key == Qt::Key_Right;
    CValueSpinCtrl *spin = horizontal ? row.xSpin : row.ySpin;
    if (!spin)
        return true;
    const double value = spin->GetValue();
    // The limit is tested on the value before the move, so a typed value
    // just inside it may end just outside.
    const bool down = key == Qt::Key_Left || key == Qt::Key_Up;
    const double low = horizontal ? rules_.xLow : rules_.yLow;
    const double high = horizontal ? rules_.xHigh : rules_.yHigh;
    if (down) {
        if (!(value > low))
            return true;
        spin->SetValue(value - rules_.step);
    } else {
        if (value >= high)
            return true;
        spin->SetValue(value + rules_.step);
    }
    if (afterChange_)
        afterChange_(r);
    return true;
}

void CoordinateKeys::Watch(QWidget *scope)
{
    if (scope_ == scope)
        return;
    if (!scope_ && scope)
        qApp->installEventFilter(this);
    else if (scope_ && !scope)
        qApp->removeEventFilter(this);
    scope_ = scope;
}

bool CoordinateKeys::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::FocusOut && scope_ && watched->isWidgetType()) {
        // Leaving the field takes what was typed; the focus going to a
        // message box or another window does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && taken_.contains(edit))
                CommitIfTyped(edit);
        return QObject::eventFilter(watched, event);
    }
    if ((type != QEvent::KeyPress && type != QEvent::FocusIn) || !scope_ || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    auto *widget = static_cast<QWidget *>(watched);
    if (widget != scope_ && !scope_->isAncestorOf(widget))
        return QObject::eventFilter(watched, event);
    if (type == QEvent::KeyPress)
        return HandleKey(watched, static_cast<QKeyEvent *>(event));
    if (rowFocused_) {
        for (int r = 0; r < static_cast<int>(rows_.size()); ++r)
            if (watched == rows_[r].xEdit || watched == rows_[r].yEdit)
                rowFocused_(r);
    }
    return QObject::eventFilter(watched, event);
}
