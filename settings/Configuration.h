#pragma once

#include "Settings.h"

#include <QString>
#include <QStringList>

// The configuration commands: they move the whole Settings record between a
// configuration file, the process-wide INI store (IniFile) and the record.
// None of them talks to the module. Texts are Windows-1251 in files and
// Unicode in Settings.

// The sheet's two file-name buffers: the file the program starts with and the
// file that File Save writes (shown in the window title).
struct ConfigurationFiles {
    QString defaultFileName = QStringLiteral("default.ini");
    QString currentFilePath;
    // Files that could not be loaded (refused or unreadable) and have been
    // neither loaded nor saved since: they may hold the installer's work, so
    // they are replaced only when the installer agrees (MayReplaceFile).
    QStringList unloadedFiles;
    // The current configuration was read from a UTF-8 file: its first save,
    // in Windows-1251 as always, says so.
    bool readAsUtf8 = false;
};

// True when path may be written: it names no file that could not be loaded,
// or the installer, asked, agreed to replace it (it is then not asked again).
bool MayReplaceFile(ConfigurationFiles &files, const QString &path);

// Puts the built-in values into the store (keys the store already holds get
// them in place, other keys and comments stay), fills the record from it,
// makes the default file from the store when there is none and makes
// "Новая конфигурация" the current file. A default file that exists is left
// as it is. False when the default file could not be made (a message says
// why; the record and the current file are set all the same).
bool NewConfiguration(Settings &settings, ConfigurationFiles &files);

// Reads the file into the store and the record; keys the file lacks leave
// their fields as they were, the four label texts fall back to "1".."4".
// The path becomes the current file. False when the file cannot be read: a
// message names it, the record, the current file and the store are left as
// they were, and the file is counted among the unloaded files.
bool LoadConfiguration(Settings &settings, ConfigurationFiles &files, const QString &path);

// Writes the record into the store and the store to the file, atomically.
// False when the file was not written: a message names it and the old file
// is left whole. The current file is not changed here. The first save after a configuration was
// read from UTF-8 says that it is written in Windows-1251.
bool SaveConfiguration(const Settings &settings, ConfigurationFiles &files, const QString &path);

// A configuration file read on its own, for a list of files (the car
// library): the store, the current file and every document are left alone,
// nothing is shown, and it may run on any thread.
struct ConfigurationSummary {
    bool readable = false;  // read, and it holds a configuration
    bool opened = false;    // read, whether or not it holds a configuration
    Settings settings;     // a new record filled from the file as Load fills one
    QString firstComment;  // the text of the file's first comment line, without ';' or '#'
    QString reason;        // why it could not be read, in words for the user
};
ConfigurationSummary ReadConfigurationSummary(const QString &path);
