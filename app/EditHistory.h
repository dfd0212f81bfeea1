#pragma once

#include "ConfigurationDocument.h"
#include "EditPlace.h"

#include <QObject>
#include <QUndoStack>

#include <functional>
#include <vector>

class RecordChange;

// The undo history of the configuration, on Qt's undo stack, built on the
// document's change notifications: every edit is one step, named after the
// fields it changed (ChangeName) and kept with the place it was made. Edits
// of the same fields at the same place in a row merge into one step, so that
// typing into a field and nudging it many times is taken back at once. A
// point page marks the point of the row it moves on to entered; that mark
// goes with the step made on the same page just before it (undo takes both
// back, redo ends at the row moved on to), else it is no step at all.
//
// Undo and redo first show the step's place (the wizard leaves the page it
// shows and shows that one), then hand the step's fields back through the
// document, as an edit of those values would: whatever else was changed
// since, in other fields, stays.
class EditHistory : public QObject {
    Q_OBJECT

public:
    // Shows the page of a place; the view within it follows the restore.
    using ShowPlace = std::function<void(const EditPlace &)>;
    // The guide points of a page (named first when a change touches them).
    using PageSlots = std::function<std::vector<int>(int page)>;

    EditHistory(ConfigurationDocument &document, ShowPlace showPlace, PageSlots pageSlots = {}, QObject *parent = nullptr);
    ~EditHistory() override;

    QUndoStack &Stack() { return stack_; }

    void Undo();
    void Redo();
    // The installer went to another page: the next edit starts a step of its own.
    void Break() { broken_ = pageLeft_ = true; }

private:
    friend class RecordChange;
    void Changed(const DocumentChange &change);
    // The fields of a step take values (its before or after), made at place.
    void Restore(const Settings &values, const std::vector<FieldRef> &fields, const EditPlace &place);

    ConfigurationDocument &document_;
    ShowPlace showPlace_;
    PageSlots pageSlots_;
    QUndoStack stack_;
    bool broken_ = true;    // no merge: the page changed, or undo or redo ran, since the last step
    bool pageLeft_ = true;  // the page changed since the last step
};
