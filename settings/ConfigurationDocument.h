#pragma once

#include "Configuration.h"
#include "ConfigurationEdit.h"
#include "ConfigurationTable.h"
#include "EditPlace.h"
#include "Settings.h"

#include <QString>

#include <functional>
#include <vector>

// What the wizard window does for the configuration document around the file
// commands. The document decides when; the window knows the pages.
class DocumentHost {
public:
    virtual ~DocumentHost() = default;
    // Puts what the active page shows but has not yet taken into the record.
    virtual void CommitActivePage() = 0;
    // Leaves the active page (its leave handler runs on the record it
    // showed); false when the page refuses to be left.
    virtual bool LeaveActivePage() = 0;
    // Shows again the page just left: nothing was replaced.
    virtual void ReturnToLeftPage() = 0;
    // The record has been replaced: the pages forget what they took from the
    // old one and the wizard starts again at its first page.
    virtual void ShowFirstPage() = 0;
    // Where the installer is: the place every edit is recorded with.
    virtual EditPlace CurrentPlace() const { return {}; }
};

// One change of the document's record, as its observers are told of it.
struct DocumentChange {
    enum class Origin {
        Edit,     // an edit by the installer (a page, the photo window)
        Restore,  // undo or redo handing values back
        Replace,  // New or Load: a configuration of its own
    };
    Origin origin;
    const Settings &before;
    const Settings &after;
    EditPlace place;
    std::vector<FieldRef> fields;  // what differs, in table order (none for Replace)

    bool Touches(const ConfigurationField &field) const;
};

// The configuration being edited, without any widget: the record, the copy of
// what its file holds, the current file and the file commands New, Load, Save
// and Save As with the question before unsaved changes are thrown away.
// Messages and questions go through ShowMessage and AskUser, file names
// through AskFileName.
//
// It is the record's only writer. Everyone else reads it and changes it
// through Edit; every change that alters a field is told to the observers
// once, with the fields it changed and the place it was made (the edit
// history, the module follower, the window's title and pages listen).
class ConfigurationDocument {
public:
    explicit ConfigurationDocument(DocumentHost *host = nullptr) : host_(host) {}

    void SetHost(DocumentHost *host) { host_ = host; }

    const Settings &Record() const { return record_; }

    using Observer = std::function<void(const DocumentChange &)>;
    // Observers are told in the order they were added.
    void Observe(Observer observer) { observers_.push_back(std::move(observer)); }

    // Runs edit on a copy of the record and takes the copy; the observers
    // hear of it when a field changed. True when one did.
    bool Edit(const std::function<void(ConfigurationEdit &)> &edit);
    // Undo and redo: the record takes these values, made at place.
    void Restore(const Settings &values, const EditPlace &place);
    // Takes a record as Load would take one read from a file, without the
    // file (a command-line run, a test): the observers hear of a replace.
    void ReplaceRecord(const Settings &record);
    const ConfigurationFiles &Files() const { return files_; }
    // The current file's name without its folder ('/' or '\' separated).
    QString CurrentFileName() const;

    // Whether the record holds other settings than the current file (the
    // record's own changed flag starts set and misses edits that do not mark
    // it, so the two are compared).
    bool IsModified() const;

    // Start-up: makes the default file with the built-in configuration when
    // there is none, then loads it. A default file that cannot be made or
    // read has been reported; it stays the current file all the same, so that
    // the title and Save never face an empty name.
    void OpenDefault();

    // File New and File Load: ask about unsaved changes first (Load then asks
    // for the file), leave the page, replace the record and show the first
    // page. True when the record was replaced.
    bool FileNew();
    bool FileLoad();
    // Load of a named file (recent files, the car library): the same
    // question and replacement as FileLoad without the file dialog.
    bool FileLoadPath(const QString &path);
    // Writes the record to the current file; a file that could not be loaded
    // is replaced only when the installer agrees. True when written.
    bool FileSave();
    // Asks for a file and writes the record there; the file becomes the
    // current one once it is written. True when written.
    bool FileSaveAs();
    // Writes the record to another file (the car library) without making it
    // the current one. True when written.
    bool SaveCopy(const QString &path);

    // Called with the full path of every file loaded or saved by the file
    // commands (the recent-files list).
    void SetFileUsed(std::function<void(const QString &)> used) { fileUsed_ = std::move(used); }

    // True unless the installer chose to keep changes that would be lost;
    // saves first when asked to.
    bool MayDiscardChanges();

private:
    // Leaves the page, runs replace and starts again at the first page; when
    // replace fails, goes back to the page left.
    bool Replace(const std::function<bool()> &replace);
    void NoteFileUsed(const QString &path);
    void CommitActivePage();
    void Notify(DocumentChange::Origin origin, const Settings &before, const EditPlace &place);

    DocumentHost *host_ = nullptr;
    std::vector<Observer> observers_;
    Settings record_;
    Settings saved_;  // what the current file holds: as last loaded or saved
    ConfigurationFiles files_;
    std::function<void(const QString &)> fileUsed_;
};
