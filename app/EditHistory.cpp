#include "EditHistory.h"

#include "ConfigurationChange.h"

#include <QUndoCommand>

// One step: the record before and after it, and where it was made. Undo and
// redo hand the whole record back, so whatever a change touched (a point and
// the one it shares, the right side recomputed) goes back with it.
class RecordChange : public QUndoCommand {
public:
    RecordChange(EditHistory *history, const Settings &before, const Settings &after, const EditPlace &placeBefore,
                 const EditPlace &placeAfter, const QString &name, bool mergeable)
        : QUndoCommand(name), history_(history), before_(before), after_(after),
          placeBefore_(placeBefore), placeAfter_(placeAfter), mergeable_(mergeable)
    {
    }

    int id() const override { return 1; }

    void undo() override { history_->Apply(before_, placeBefore_); }

    void redo() override
    {
        // The first redo is the push: the change is already in the record.
        if (pushed_)
            history_->Apply(after_, placeAfter_);
        pushed_ = true;
    }

    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const RecordChange *>(other);
        if (!next->mergeable_ || next->text() != text() || !(next->placeBefore_ == placeAfter_))
            return false;
        Extend(next->after_, next->placeAfter_);
        return true;
    }

    // The step now ends at this record and place.
    void Extend(const Settings &after, const EditPlace &placeAfter)
    {
        after_ = after;
        placeAfter_ = placeAfter;
    }
    int Page() const { return placeAfter_.page; }

private:
    EditHistory *history_;
    Settings before_;
    Settings after_;
    EditPlace placeBefore_;
    EditPlace placeAfter_;
    bool mergeable_;
    bool pushed_ = false;
};

EditHistory::EditHistory(Settings &record, Locate locate, Restore restore, PageSlots pageSlots, QObject *parent)
    : QObject(parent), record_(record), locate_(std::move(locate)), restore_(std::move(restore)),
      pageSlots_(std::move(pageSlots)), last_(record)
{
    // The undo stack has no limit by default; a day's installation is a few
    // hundred steps of a small record.
}

EditHistory::~EditHistory() = default;

void EditHistory::Checkpoint()
{
    if (restoring_)
        return;
    const EditPlace place = locate_();
    if (record_.SameConfiguration(last_)) {
        if (!(place == lastPlace_))
            moved_ = true;
        // What no file holds (the changed mark) follows along unseen.
        last_ = record_;
        lastPlace_ = place;
        return;
    }
    if (OnlyMarksEntered(last_, record_)) {
        // Goes with the last step when it was made on this page and is the
        // newest; otherwise it is simply part of the record from here on.
        const int top = stack_.index() - 1;
        auto *last = top >= 0 && stack_.index() == stack_.count()
                         ? const_cast<RecordChange *>(static_cast<const RecordChange *>(stack_.command(top)))
                         : nullptr;
        if (last && last->Page() == place.page && lastPlace_.page == place.page)
            last->Extend(record_, place);
        last_ = record_;
        lastPlace_ = place;
        return;
    }
    const QString name = ChangeName(last_, record_, pageSlots_ ? pageSlots_(lastPlace_.page) : std::vector<int>{});
    auto *change = new RecordChange(this, last_, record_, lastPlace_, place, name, !moved_);
    moved_ = false;
    last_ = record_;
    lastPlace_ = place;
    stack_.push(change);
}

void EditHistory::Undo()
{
    Checkpoint();
    if (stack_.canUndo())
        stack_.undo();
}

void EditHistory::Redo()
{
    Checkpoint();
    if (stack_.canRedo())
        stack_.redo();
}

void EditHistory::Reset()
{
    stack_.clear();
    last_ = record_;
    lastPlace_ = {};
    moved_ = true;
}

void EditHistory::Apply(const Settings &record, const EditPlace &place)
{
    restoring_ = true;
    restore_(record, place);
    restoring_ = false;
    last_ = record_;
    lastPlace_ = locate_();
    // The next change starts a step of its own, never one merged into the
    // step below the one taken back.
    moved_ = true;
}
