#pragma once

#include "GridMapping.h"
#include "LineCheck.h"
#include "PhotoLocation.h"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

// What the photo window's worker thread makes of a photo: the file read and
// what is found on it. Plain values in and out, safe to run on any thread;
// nothing here touches a widget, and nothing here throws (whatever a step
// throws ends as a problem with its reason).
namespace PhotoWork {

// What the photo is for: points off the calibration grid, or the written
// lines measured on the normal display.
enum class Use { Points, LineCheck };

// The grid (or screen) mapping and what was found under it.
struct Findings {
    std::optional<GridMapping> mapping; // nullopt: none found, the installer clicks corners
    std::vector<MarkCandidate> marks;   // Points
    std::vector<LineDeviation> deviations; // LineCheck
    QString problem;                    // shown above the picture; empty when there is none
};

struct Read {
    QString fileProblem; // why the file could not be read; then nothing else is set
    QImage picture;      // as the window shows it (32-bit RGB)
    Findings found;
};

// Reads the photo and looks for the grid and its marks (Points) or for the
// monitor picture, mapped with the grid shift as the module has it, and the
// lines against the marks (LineCheck).
Read ReadPhoto(const QString &path, Use use, int gridShiftX, int gridShiftY);

// The same for a photo already decoded (one the phone sent).
Read Examine(QImage picture, Use use, int gridShiftX, int gridShiftY);

// Under a mapping from the corners the installer clicked: the marks
// (Points) or the lines against the marks (LineCheck).
Findings FindUnder(const QImage &picture, Use use, const GridMapping &mapping);

} // namespace PhotoWork
