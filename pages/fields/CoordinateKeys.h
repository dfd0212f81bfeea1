#pragma once

#include "GridGeometry.h"

#include <QObject>
#include <QPointer>

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

class CValueSpinCtrl;
class QKeyEvent;
class QLineEdit;
class QWidget;

// One coordinate row of a point page: X edit and spin, Y edit and spin. Any
// member may be null on pages that leave it out.
struct CoordinateRow {
    QLineEdit *xEdit = nullptr;
    CValueSpinCtrl *xSpin = nullptr;
    QLineEdit *yEdit = nullptr;
    CValueSpinCtrl *ySpin = nullptr;
};

// Which keys a page's numeric fields answer, and how far Shift + cursor
// keys move a value. The limits are tested on the value before the move and
// do not depend on the spins' ranges. The default is the point pages' rule:
// one grid step within the grid's entry range.
struct FieldKeyRules {
    bool enter = true;   // Enter commits the typed number with the range check
    bool nudge = true;   // Shift + cursor keys move the active row's value
    double step = Grid::kStep;
    double xLow = Grid::kLowest;
    double xHigh = Grid::kHighest;
    double yLow = Grid::kLowest;
    double yHigh = Grid::kHighest;

    // Neither key: the fields behave as plain edits.
    static FieldKeyRules None() { return {false, false}; }
    // Enter with the range check; Shift + cursor keys left to the edits.
    static FieldKeyRules EnterOnly() { return {true, false}; }
    // Enter, and Shift + cursor keys by step within the given limits.
    static FieldKeyRules Steps(double step, double xLow, double xHigh, double yLow, double yHigh)
    {
        return {true, true, step, xLow, xHigh, yLow, yHigh};
    }
};

// The keys a page's numeric fields handle before the controls see them, as
// the page's FieldKeyRules choose:
//  - Enter in an X or Y edit commits the typed number, or shows the range
//    message and leaves the text as typed; Enter never reaches the dialog's
//    default button.
//  - A number typed but not entered is taken the same way when its edit
//    loses the focus (Tab, a click elsewhere) or CommitPending is called
//    (the page is left, its sub-step moves, the file is saved); out of range
//    it shows the message and the field goes back to its last taken value,
//    so a field never shows what the record does not hold.
//  - Shift + Left/Right/Up/Down moves the active row's value by the step
//    within the limits (tested before the move; the key is consumed also
//    when the limit stops it); the active row is the last one whose X edit
//    is visible and enabled, row 0 if none is.
// After every committed change the page's after-change callback runs with
// the row number.
class CoordinateKeys : public QObject {
    Q_OBJECT
public:
    using RowCallback = std::function<void(int row)>;

    explicit CoordinateKeys(QObject *parent = nullptr);

    void SetRules(const FieldKeyRules &rules) { rules_ = rules; }
    const FieldKeyRules &Rules() const { return rules_; }

    // Rows numbered from 0 at the top (at most five on the pages).
    void SetRows(std::vector<CoordinateRow> rows);
    const std::vector<CoordinateRow> &Rows() const { return rows_; }

    void SetAfterChange(RowCallback callback) { afterChange_ = std::move(callback); }
    // Optional: runs when an X or Y edit of a row gets the focus.
    void SetRowFocused(RowCallback callback) { rowFocused_ = std::move(callback); }

    // Handles one key press aimed at target; true when the key is consumed.
    bool HandleKey(QObject *target, QKeyEvent *event);

    // Routes the key presses of scope and everything inside it through
    // HandleKey (an application event filter, so it sees them before the
    // focused control does), and focus changes into the rows' edits to the
    // row-focused callback. Null stops watching.
    void Watch(QWidget *scope);

    // The row Shift + cursor keys act on.
    int ActiveRow() const;

    // Takes every number typed into the rows' edits and not yet entered.
    void CommitPending();

    // Gives the row both values at once, as Enter gives it a typed one:
    // the range check with its message, then the after-change callback once
    // (one edit of the point). False when the row has no such fields or a
    // value was refused; the fields then stay as they were.
    bool TakeValues(int row, double x, double y);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class OutOfRange { KeepTyped, Restore };
    // The range check of a value for spin, with the message when it fails.
    static bool WithinRange(const CValueSpinCtrl *spin, double value);
    bool CommitTyped(int row, QLineEdit *edit, CValueSpinCtrl *spin, OutOfRange outOfRange);
    // Takes the edit's typed number, when it has one, restoring on failure.
    void CommitIfTyped(QLineEdit *edit);
    // Remembers the text each edit was given by the program (the last
    // taken value), to go back to when a typed number is refused.
    void TrackTaken(QLineEdit *edit);
    bool Nudge(int key);

    std::vector<CoordinateRow> rows_;
    FieldKeyRules rules_;
    RowCallback afterChange_;
    RowCallback rowFocused_;
    QPointer<QWidget> scope_;
    QHash<const QLineEdit *, QString> taken_;
};
