#include "CResizeCtrl.h"

#include "ResourceIds.h"

#include <QEvent>

#include <algorithm>
#include <limits>

CResizeCtrl::CResizeCtrl() = default;

CResizeCtrl::~CResizeCtrl()
{
    if (created_)
        Enable(false);
}

bool CResizeCtrl::Create(QWidget *parent, bool enable, int maxPart)
{
    if (created_ || !parent || maxPart <= 0)
        return false;
    created_ = true;
    items_.clear();
    maxPart_ = maxPart;
    parent_ = parent;
    resizing_ = false;
    minTracking_ = QSize(-1, -1);
    // The size the first Resize measures its change from, also when the
    // helper starts disabled.
    lastClient_ = parent->size();
    // A parent that goes away takes the helper's hold on it along.
    connect(parent, &QObject::destroyed, this, &CResizeCtrl::OnParentDestroyed);
    if (enable)
        Enable(true);
    else
        parentRect_ = parent->geometry();
    return true;
}

bool CResizeCtrl::Add(QWidget *control, int left, int top, int width, int height)
{
    if (!created_ || !control)
        return false;
    for (int part : {left, top, width, height})
        if (part < 0 || part > maxPart_)
            return false;
    if (left + width > maxPart_ || top + height > maxPart_)
        return false;
    Item item;
    item.control = control;
    item.leftPart = left;
    item.topPart = top;
    item.widthPart = width;
    item.heightPart = height;
    items_.push_back(item);
    return true;
}

bool CResizeCtrl::AddById(int id, int left, int top, int width, int height)
{
    if (!parent_)
        return false;
    // Direct children are searched first, then deeper ones.
    return Add(parent_->findChild<QWidget *>(Ids::ObjectName(id)), left, top, width, height);
}

void CResizeCtrl::SetMinTrackingSize(QSize size)
{
    minTracking_ = size;
    ApplyTrackingLimits();
}

void CResizeCtrl::SetMinTrackingSizeToCurrent()
{
    if (parent_)
        SetMinTrackingSize(parent_->size());
}

bool CResizeCtrl::Enable(bool on)
{
    if (on == enabled_)
        return false;
    if (!parent_) {
        // The parent is gone: only switching off is meaningful.
        enabled_ = false;
        return !on;
    }
    parentRect_ = parent_->geometry();
    if (on) {
        lastClient_ = parent_->size();
        parentMinimumBefore_ = parent_->minimumSize();
        parent_->installEventFilter(this);
        enabled_ = true;
        ApplyTrackingLimits();
    } else {
        parent_->removeEventFilter(this);
        if (parent_->isWindow() && minTracking_.width() >= 0)
            parent_->setMinimumSize(parentMinimumBefore_);
        enabled_ = false;
    }
    return true;
}

bool CResizeCtrl::ApplyPart(int delta, int part, qint64 &remainder, int &value, bool clamp) const
{
    if (part <= 0)
        return false;
    const qint64 a = static_cast<qint64>(delta) * part + remainder;
    if (a == 0)
        return false;
    // C++ division truncates toward zero and the remainder takes a's sign.
    qint64 v = value + a / maxPart_;
    remainder = a % maxPart_;
    if (clamp && v < 0) {
        // Keep the shortfall so that growing back restores the size exactly.
        remainder += v * maxPart_;
        v = 0;
    }
    value = static_cast<int>(std::clamp<qint64>(v, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max()));
    return true;
}

void CResizeCtrl::Resize(int newClientWidth, int newClientHeight)
{
    if (resizing_)
        return;
    resizing_ = true;
    const QSize newSize(newClientWidth, newClientHeight);
    if (!items_.empty() && newSize != lastClient_) {
        const int dx = newClientWidth - lastClient_.width();
        const int dy = newClientHeight - lastClient_.height();
        // Every new rectangle is worked out first and then set in one pass
        // with painting held back, so the controls move together.
        std::vector<std::pair<QWidget *, QRect>> moves;
        for (Item &item : items_) {
            QWidget *control = item.control;
            if (!control)
                continue;  // destroyed since registration
            const QRect r = control->geometry();
            int x = r.x(), y = r.y(), w = r.width(), h = r.height();
            bool changed = ApplyPart(dx, item.leftPart, item.leftRemainder, x, false);
            changed |= ApplyPart(dx, item.widthPart, item.widthRemainder, w, true);
            changed |= ApplyPart(dy, item.topPart, item.topRemainder, y, false);
            changed |= ApplyPart(dy, item.heightPart, item.heightRemainder, h, true);
            if (changed)
                moves.emplace_back(control, QRect(x, y, w, h));
        }
        const bool updates = parent_ && parent_->updatesEnabled();
        if (updates)
            parent_->setUpdatesEnabled(false);
        for (const auto &[control, rect] : moves)
            control->setGeometry(rect);
        if (updates)
            parent_->setUpdatesEnabled(true);
    }
    lastClient_ = newSize;
    resizing_ = false;
}

bool CResizeCtrl::eventFilter(QObject *watched, QEvent *event)
{
    if ((event->type() == QEvent::Show || event->type() == QEvent::ParentChange) && watched == parent_)
        ApplyTrackingLimits();
    return QObject::eventFilter(watched, event);
}

void CResizeCtrl::ApplyTrackingLimits()
{
    if (!enabled_ || !parent_ || minTracking_.width() < 0 || minTracking_.height() < 0)
        return;
    if (parent_->isWindow()) {
        parent_->setMinimumSize(minTracking_);
        return;
    }
    QWidget *top = parent_->window();
    const QSize wanted = top->minimumSize().expandedTo(minTracking_);
    if (wanted != top->minimumSize())
        top->setMinimumSize(wanted);
}

void CResizeCtrl::OnParentDestroyed()
{
    // The parent's children (the registered controls) go with it; the
    // QPointers in the items already read null.
    enabled_ = false;
}
