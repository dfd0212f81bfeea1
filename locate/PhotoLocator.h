#pragma once

#include "GridMapping.h"
#include "LineCheck.h"
#include "PhotoLocation.h"

#include <QImage>
#include <QString>

#include <optional>
#include <vector>

// Reading the grid, the marks and the screen off a picture of the monitor,
// for the photo window and --locate. The work is in a shared module of its
// own (tarvello-locate), loaded on first use: OpenCV and the libraries it
// pulls in would otherwise be loaded at every start, and most runs of the
// program never read a photo. The module file is checked before it is
// loaded (a damaged one would end the program) and its table after. Where
// the module cannot be loaded, or the image work fails on a picture, a call
// says why in Russian and finds nothing; no picture ends the program.
namespace PhotoLocator {

// True once the module is loaded; else reason says why it cannot be.
bool Available(QString *reason = nullptr);

// LocateGridAndMarks (gridShiftY: the module's grid shift down when the
// photo was taken); without the module, no grid and the reason.
PhotoLocation Locate(const QImage &picture, int gridShiftY = Grid::kDefaultShiftY);
// FindMarks (the marks once the installer placed the grid); none without the
// module, and reason says why when they could not be looked for.
std::vector<MarkCandidate> Marks(const QImage &picture, const GridMapping &grid, QString *reason = nullptr);
// FindScreenCorners; nullopt without the module or when the search failed
// (reason says why; empty when the screen is simply not there).
std::optional<GridMapping::Corners> ScreenCorners(const QImage &picture, QString *reason = nullptr);
// MeasureLinesAgainstMarks; nullopt without the module or when the search
// failed (reason says why).
std::optional<std::vector<LineDeviation>> MeasureLines(const QImage &picture, const GridMapping &grid,
                                                       QString *reason = nullptr);

} // namespace PhotoLocator
