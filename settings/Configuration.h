#pragma once

#include "Settings.h"

#include <QString>

// The configuration commands: they move the whole Settings record between a
// configuration file, the process-wide INI store (IniFile) and the record.
// None of them talks to the module. Texts are Windows-1251 in files and
// Unicode in Settings.

// The sheet's two file-name buffers: the file the program starts with and the
// file that File Save writes (shown in the window title).
struct ConfigurationFiles {
    QString defaultFileName = QStringLiteral("default.ini");
    QString currentFilePath;
};

// Puts the built-in values into the store (keys the store already holds get
// them in place, other keys and comments stay), fills the record from it,
// writes the store to the default file and makes "Новая конфигурация" the
// current file. False when the default file could not be written (a message
// says why; the record and the current file are set all the same).
bool NewConfiguration(Settings &settings, ConfigurationFiles &files);

// Reads the file into the store and the record; keys the file lacks leave
// their fields as they were, the four label texts fall back to "1".."4".
// The path becomes the current file. False when the file cannot be read: a
// message names it, and the record, the current file and the store are left
// as they were.
bool LoadConfiguration(Settings &settings, ConfigurationFiles &files, const QString &path);

// Writes the record into the store and the store to the file, atomically.
// Clears Changed on success. False when the file was not written: a message
// names it, the old file is left whole and Changed is left as it was. The
// current file is not changed here.
bool SaveConfiguration(Settings &settings, ConfigurationFiles &files, const QString &path);
