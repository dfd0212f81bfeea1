#pragma once

#include "Settings.h"

#include <QObject>
#include <QUndoStack>

#include <functional>

// Where a change was made: the wizard page and what it showed of its steps.
struct EditPlace {
    int page = -1;
    int subStep = 0;
    bool review = false;  // a point page showed its review
    bool operator==(const EditPlace &) const = default;
};

// The undo history of the configuration record, on Qt's undo stack.
//
// The record is edited in many places (fields, spins, lists, buttons, the
// photo window), and none of them reports to the history: it compares the
// record with its copy from the last checkpoint, as the unsaved-changes
// question compares, and pushes what differs as one step, with the place it
// was made and a name (ChangeName). The window calls Checkpoint after every
// input event and before undo, redo and the file commands. Changes of the
// same fields at the same place in a row merge into one step, so that typing
// into a field and nudging it many times is taken back at once. A point page
// marks the point of each row it shows entered; that mark is no edit of its
// own and goes with the step before it on the same page.
class EditHistory : public QObject {
    Q_OBJECT

public:
    using Locate = std::function<EditPlace()>;
    // Makes the record a copy of the one given and shows it at the place.
    using Restore = std::function<void(const Settings &, const EditPlace &)>;
    // The guide points of a page (named first when a change touches them).
    using PageSlots = std::function<std::vector<int>(int page)>;

    EditHistory(Settings &record, Locate locate, Restore restore, PageSlots pageSlots = {}, QObject *parent = nullptr);
    ~EditHistory() override;

    QUndoStack &Stack() { return stack_; }

    // Pushes the change made since the last checkpoint, if any.
    void Checkpoint();
    void Undo();
    void Redo();
    // New and Load: the history starts again from the record as it is now.
    void Reset();

private:
    friend class RecordChange;
    void Apply(const Settings &record, const EditPlace &place);

    Settings &record_;
    Locate locate_;
    Restore restore_;
    PageSlots pageSlots_;
    QUndoStack stack_;
    Settings last_;         // the record at the last checkpoint
    EditPlace lastPlace_;
    bool moved_ = true;     // no merge: the place changed, or undo ran, since the last step
    bool restoring_ = false;
};
