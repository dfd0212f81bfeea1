#pragma once

#include <QString>
#include <QStringList>

// The configurations opened or saved last, most recent first, as full paths:
// the "Последние файлы" menu. Kept in the user's preferences file
// (UserPreferences.h), so that every run and every window sees the same
// list; each call reads or writes that file.
class RecentFiles {
public:
    static constexpr int kMaxFiles = 8;

    // preferencesFile: where the list is kept (tests give their own).
    explicit RecentFiles(QString preferencesFile);
    RecentFiles();

    const QString &PreferencesFile() const { return preferencesFile_; }
    QStringList Files() const;
    // Puts the file first; a path already listed moves up instead of
    // repeating, and the oldest beyond kMaxFiles drop off. False when the
    // list could not be written (the preferences folder or file is not
    // writable): it stays as it was.
    bool Add(const QString &path);
    bool Remove(const QString &path);

private:
    bool Store(const QStringList &files);

    QString preferencesFile_;
};
