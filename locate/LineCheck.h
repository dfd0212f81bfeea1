#pragma once

#include "GridMapping.h"

#include <QImage>

#include <cmath>
#include <optional>
#include <vector>

// How far the written guide lines lie from one tape mark, as seen in a
// picture of the monitor showing the normal display (the lines over the
// camera picture).
struct LineDeviation {
    QPointF mark;           // grid units
    bool lineFound = false; // a written line lies within reach of the mark
    QPointF offsetUnits;    // from the mark to the nearest line point, grid units
    QPointF offsetPixels;   // the same in pixels of the monitor picture
    double DistanceUnits() const { return std::hypot(offsetUnits.x(), offsetUnits.y()); }
    double DistancePixels() const { return std::hypot(offsetPixels.x(), offsetPixels.y()); }
};

// The marks seen in the picture and, for each, the nearest written line.
std::vector<LineDeviation> MeasureLinesAgainstMarks(const QImage &picture, const GridMapping &grid);

// The four corners of the monitor picture in a photo of the screen (its
// bright picture inside the dark frame); nullopt when no such quadrilateral
// stands out.
std::optional<GridMapping::Corners> FindScreenCorners(const QImage &picture);
