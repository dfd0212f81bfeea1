#pragma once

// The car library without widgets: the configurations (*.ini) of one folder,
// each read on its own (ReadConfigurationSummary: the current configuration
// and the INI store are left alone) with a small picture of its guide lines.

#include <QImage>
#include <QString>
#include <QStringList>

struct CarLibraryEntry {
    QString path;
    QString firstComment;  // the file's first comment line
    QString problem;       // empty when the file was read; else why not, for the list
    QImage thumbnail;      // the guide-line picture scaled down; null when not read
};

// Thumbnails: the 400 x 312 guide-line picture at less than a third of its size.
inline constexpr int kCarThumbnailWidth = 120;
inline constexpr int kCarThumbnailHeight = 94;

// Whether a file of this name (no folder) is one the library lists: a
// *.ini name, any case, that is not hidden (a leading '.').
bool IsCarLibraryFileName(const QString &name);

// The files of the folder that IsCarLibraryFileName takes, full paths, by name.
QStringList CarLibraryFiles(const QString &folder);

// Reads one file and draws its thumbnail. Safe on a worker thread (QtGui
// painting onto an image only).
CarLibraryEntry ReadCarLibraryEntry(const QString &path);
