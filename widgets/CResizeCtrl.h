#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <vector>

// Keeps the controls of one parent window (a wizard page or the sheet) in
// place when the parent is resized. Each control is registered with four
// parts that say how much of a change in the parent's width and height moves
// its left edge, moves its top edge, widens it and heightens it; a part equal
// to the maximum part (100 for every owner in this program) follows the
// change fully. Fractions of a pixel are carried per edge, so a control that
// is shrunk and grown back by the same amount ends exactly where it was.
//
// The owner calls Create, registers its controls, then calls Resize from its
// own resizeEvent with the new client size. While enabled the helper watches
// the parent (an event filter) only to keep the minimum tracking size: a
// top-level parent gets it as its minimum size; a child parent (a page)
// raises its top-level window's minimum size to it when that is smaller,
// whenever the page is shown or moved to another window. Dragging the edges
// is left to the window system (Qt windows are resizable by themselves).
class CResizeCtrl : public QObject {
    Q_OBJECT
public:
    CResizeCtrl();
    ~CResizeCtrl() override;
    CResizeCtrl(const CResizeCtrl &) = delete;
    CResizeCtrl &operator=(const CResizeCtrl &) = delete;

    // Binds the helper to parent for the parent's whole life. False when the
    // helper is already bound, when parent is null or maxPart is not positive.
    bool Create(QWidget *parent, bool enable = true, int maxPart = 100);

    // Registers a control with its left, top, width and height parts. False
    // (nothing registered) when the helper has no parent, the control is
    // null, a part is outside 0..maximum part, or left + width or
    // top + height exceeds the maximum part.
    bool Add(QWidget *control, int left, int top, int width, int height);
    // Add for the parent's child whose objectName is Ids::ObjectName(id).
    bool AddById(int id, int left, int top, int width, int height);

    // Minimum size of the window in pixels; QSize(-1, -1) = none.
    void SetMinTrackingSize(QSize size);
    void SetMinTrackingSizeToCurrent();
    QSize MinTrackingSize() const { return minTracking_; }

    // Starts or stops watching the parent. False when the state is unchanged.
    bool Enable(bool on);
    bool IsEnabled() const { return enabled_; }

    // Moves and sizes every registered control for the new client size of
    // the parent (pixels), all in one pass. A size equal to the last one does
    // nothing; a call made while a resize is running is ignored.
    void Resize(int newClientWidth, int newClientHeight);

    QSize LastClientSize() const { return lastClient_; }
    int MaxPart() const { return maxPart_; }
    int Count() const { return static_cast<int>(items_.size()); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Item {
        QPointer<QWidget> control;
        // Carried fractions in 1/maximum part of a pixel; wide so that a long
        // shrink past zero cannot overflow.
        qint64 leftRemainder = 0, topRemainder = 0, widthRemainder = 0, heightRemainder = 0;
        int leftPart = 0, topPart = 0, widthPart = 0, heightPart = 0;
    };

    bool ApplyPart(int delta, int part, qint64 &remainder, int &value, bool clamp) const;
    void ApplyTrackingLimits();
    void OnParentDestroyed();

    bool created_ = false;
    bool enabled_ = false;
    int maxPart_ = 100;
    QPointer<QWidget> parent_;
    QSize lastClient_;
    std::vector<Item> items_;
    QSize minTracking_{-1, -1};
    QSize parentMinimumBefore_;  // a top-level parent's own minimum before enabling
    bool resizing_ = false;
    QRect parentRect_;           // parent geometry at creation or enabling
};
