#pragma once

#include "GridGeometry.h"
#include "GridMapping.h"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

// One tape mark the program sees in a picture of the monitor: a crossing or
// junction of tape strips, proposed to the installer as a point to take.
struct MarkCandidate {
    QPointF grid;    // grid units, unrounded
    QPointF picture; // picture pixels
    // How sure the finder is that a mark is there, 0..1: a crossing of
    // tape standing out clearly rates high, a faint one, a corner or a
    // strip's free end lower.
    double confidence = 1.0;
    // From here on a candidate is offered first; below it is shown as doubtful.
    static constexpr double kConfident = 0.5;
};

// What was read off one picture of the monitor showing the calibration grid.
struct PhotoLocation {
    std::optional<GridMapping> grid; // nullopt when the grid was not found
    QString problem;                 // why not, for the installer (Russian)
    std::vector<MarkCandidate> marks; // the confident, then the doubtful; each in rows from the top, left to right
};

// Finds the 10 x 10 grid and proposes the marks. Any image; a picture that
// shows no grid (a plain colour, an unrelated photo) ends with a problem,
// never a guess. gridShiftY: the module's grid shift down its picture
// ("ATK"), which tells the photo's top from its bottom when it was turned.
PhotoLocation LocateGridAndMarks(const QImage &picture, int gridShiftY = Grid::kDefaultShiftY);

// The marks seen in the picture under a mapping found some other way (the
// four corners clicked by the installer).
std::vector<MarkCandidate> FindMarks(const QImage &picture, const GridMapping &grid);
