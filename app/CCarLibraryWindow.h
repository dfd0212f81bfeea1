#pragma once

#include "CarLibrary.h"

#include <QDialog>
#include <QFutureWatcher>

#include <functional>
#include <optional>

class ConfigurationDocument;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// "Библиотека автомобилей": the configurations of the library folder with a
// picture of their guide lines, their name and first comment. Typing filters
// by name; Enter or a double click loads the chosen one through the document
// (with its question about unsaved changes) and closes the window; "Добавить
// текущую" saves a copy of the current configuration into the folder.
// Files are read and drawn on worker threads; the list shows at once and the
// pictures fill in.
class CCarLibraryWindow : public QDialog {
    Q_OBJECT

public:
    explicit CCarLibraryWindow(ConfigurationDocument &document, QWidget *parent = nullptr);
    ~CCarLibraryWindow() override;

    // What the installer is asked for: the name of a new library file (the
    // suggestion given; nothing when cancelled) and another folder.
    using NameQuestion = std::function<std::optional<QString>(const QString &suggestion)>;
    using FolderQuestion = std::function<std::optional<QString>(const QString &current)>;
    void SetNameQuestion(NameQuestion ask) { askName_ = std::move(ask); }
    void SetFolderQuestion(FolderQuestion ask) { askFolder_ = std::move(ask); }

    QString Folder() const { return folder_; }
    QLineEdit *Filter() const { return filter_; }
    QListWidget *List() const { return list_; }
    // Lists the folder again and starts reading its files.
    void Refresh();
    // Blocks until every file listed has been read and drawn (tests, screenshots).
    void WaitForEntries();

    // Loads the chosen entry; closes the window when it was loaded.
    void LoadCurrent();
    void AddCurrent();
    void ChooseFolder();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ApplyFilter();
    void ShowEntry(const CarLibraryEntry &entry);
    QListWidgetItem *ItemOf(const QString &path) const;
    void SelectFirstVisible();

    ConfigurationDocument &document_;
    QString folder_;
    QLabel *folderLabel_ = nullptr;
    QLineEdit *filter_ = nullptr;
    QListWidget *list_ = nullptr;
    QPushButton *load_ = nullptr;
    QFutureWatcher<CarLibraryEntry> reader_;
    NameQuestion askName_;
    FolderQuestion askFolder_;
};
