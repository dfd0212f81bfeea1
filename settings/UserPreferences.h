#pragma once

#include <QString>

// What the program keeps for the installer between runs, apart from the
// configurations: the recent-files list and the car library's folder. One
// file in the user's configuration folder ($XDG_CONFIG_HOME, else
// ~/.config): tarvello-setup/tarvello-setup.conf.

// The preferences file (QSettings, INI format).
QString UserPreferencesFile();

// The car library's folder: the one the installer chose, else
// tarvello-setup/cars in the user's data folder ($XDG_DATA_HOME, else
// ~/.local/share). Not made here.
QString CarLibraryFolder();
QString DefaultCarLibraryFolder();
void SetCarLibraryFolder(const QString &folder);
