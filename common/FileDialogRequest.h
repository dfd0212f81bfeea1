#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// A request for the open- or save-file dialog. Pages and the sheet ask
// through AskFileName; the program installs a QFileDialog-based handler,
// tests install one that answers with a prepared path.
struct FileDialogRequest {
    enum class Kind { Open, Save };

    Kind kind = Kind::Open;
    QStringList filters;     // Qt filter strings, e.g. "Файлы конфигурации (*.ini)"
    int selectedFilter = 0;  // index into filters
    QString defaultSuffix;   // added by the save dialog when the name has none
    QString directory;       // where the dialog starts; empty = current folder
    bool confirmOverwrite = true;  // the save dialog asks before replacing a file
};

// A dialog for files of one type: the filters "Все файлы" (*) and
// typeName (pattern), the second preselected.
FileDialogRequest TypedFileDialog(FileDialogRequest::Kind kind, const QString &typeName, const QString &pattern);

using FileDialogHandler = std::function<std::optional<QString>(const FileDialogRequest &)>;

// The chosen path, or nothing when the user cancelled (or no handler is installed).
std::optional<QString> AskFileName(const FileDialogRequest &request);

// Installs a handler and returns the previous one.
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);
