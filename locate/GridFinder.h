#pragma once

#include "GridMapping.h"

#include <QString>

#include <opencv2/core.hpp>

#include <optional>

// Finds the module's 10 x 10 calibration grid in a picture of the monitor
// (best its darkest channel, where coloured tape does not look like a line): the grid's thin bright lines, two families of eleven that a
// projective view of the screen keeps straight, then every one of the 121
// crossings refined to a fraction of a pixel and one mapping fitted through
// them, so that blur, noise, glare and a tilted photo cost little accuracy.
class GridFinder {
public:
    struct Result {
        std::optional<GridMapping> grid; // picture pixels <-> grid units
        QString problem;                 // why not, for the installer
        int crossingsUsed = 0;           // crossings the mapping agrees with
    };

    // Pixels a picture needs across and down for the search to start.
    static constexpr int kMinSide = 40;

    static Result Find(const cv::Mat &neutral);

    // Where the module's one-pixel grid lines lie in grid units: the centre
    // of pixel column 40 i (column 399 for the last line) and of row 25 j
    // below the grid's top row; the fit aims at these, not at whole units.
    static cv::Point2d LineCrossing(int i, int j);
};
