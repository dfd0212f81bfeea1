#include "EditHistory.h"

#include "ConfigurationChange.h"

#include <QUndoCommand>

#include <algorithm>

// One step: the record before and after it, the fields it changed and where
// it was made.
class RecordChange : public QUndoCommand {
public:
    RecordChange(EditHistory *history, const DocumentChange &change, const QString &name, bool mergeable)
        : QUndoCommand(name), history_(history), before_(change.before), after_(change.after),
          fields_(change.fields), place_(change.place), endPlace_(change.place), mergeable_(mergeable)
    {
    }

    int id() const override { return 1; }

    void undo() override { history_->Restore(before_, fields_, place_); }

    void redo() override
    {
        // The first redo is the push: the change is already in the record.
        if (pushed_)
            history_->Restore(after_, fields_, endPlace_);
        pushed_ = true;
    }

    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const RecordChange *>(other);
        if (!next->mergeable_ || next->fields_ != fields_ || !(next->place_ == endPlace_))
            return false;
        after_ = next->after_;
        // Back where it started (a value nudged there and back): no step.
        setObsolete(SameFields(before_, after_));
        return true;
    }

    // Marks entered on the same page join this step, which then ends where
    // they were made.
    void Extend(const DocumentChange &change)
    {
        after_ = change.after;
        endPlace_ = change.place;
        for (const FieldRef &field : change.fields)
            if (std::find(fields_.begin(), fields_.end(), field) == fields_.end())
                fields_.push_back(field);
    }
    int Page() const { return place_.page; }
    const EditPlace &Place() const { return place_; }
    const EditPlace &EndPlace() const { return endPlace_; }

private:
    EditHistory *history_;
    Settings before_;
    Settings after_;
    std::vector<FieldRef> fields_;
    EditPlace place_;     // where it was made: undo shows it
    EditPlace endPlace_;  // where it ended: redo shows it
    bool mergeable_;
    bool pushed_ = false;
};

EditHistory::EditHistory(ConfigurationDocument &document, ShowPlace showPlace, PageSlots pageSlots, QObject *parent)
    : QObject(parent), document_(document), showPlace_(std::move(showPlace)), pageSlots_(std::move(pageSlots))
{
    // The undo stack has no limit by default; a day's installation is a few
    // hundred steps of a small record.
    document.Observe([this](const DocumentChange &change) { Changed(change); });
}

EditHistory::~EditHistory() = default;

void EditHistory::Changed(const DocumentChange &change)
{
    using Origin = DocumentChange::Origin;
    if (change.origin == Origin::Restore)
        return;  // the history's own
    if (change.origin == Origin::Replace) {
        stack_.clear();
        broken_ = pageLeft_ = true;
        return;
    }
    if (OnlyMarksEntered(change.before, change.after)) {
        // With the step made just before on the same page; otherwise (a
        // page's first row shown) the marks simply belong to the record.
        const bool newest = stack_.index() == stack_.count() && stack_.count() > 0;
        auto *top = newest ? const_cast<RecordChange *>(static_cast<const RecordChange *>(stack_.command(stack_.count() - 1)))
                           : nullptr;
        if (top && top->Page() == change.place.page && !pageLeft_)
            top->Extend(change);
        return;
    }
    const QString name = ChangeName(change.before, change.after,
                                     pageSlots_ ? pageSlots_(change.place.page) : std::vector<int>{});
    auto *step = new RecordChange(this, change, name, !broken_);
    broken_ = false;
    pageLeft_ = false;
    stack_.push(step);
}

void EditHistory::Undo()
{
    // The page is shown before the step is taken back, outside the undo
    // stack's own work: what showing it does (leaving the page shown, an
    // activation) happens on the record as it is.
    if (stack_.canUndo() && showPlace_)
        showPlace_(static_cast<const RecordChange *>(stack_.command(stack_.index() - 1))->Place());
    if (stack_.canUndo())
        stack_.undo();
    broken_ = true;
}

void EditHistory::Redo()
{
    if (stack_.canRedo() && showPlace_)
        showPlace_(static_cast<const RecordChange *>(stack_.command(stack_.index()))->EndPlace());
    if (stack_.canRedo())
        stack_.redo();
    broken_ = true;
}

void EditHistory::Restore(const Settings &values, const std::vector<FieldRef> &fields, const EditPlace &place)
{
    Settings restored = document_.Record();
    CopyFields(restored, values, fields);
    document_.Restore(restored, place);
}
