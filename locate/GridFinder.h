#pragma once

#include "GridGeometry.h"
#include "GridMapping.h"

#include <QString>

#include <opencv2/core.hpp>

#include <array>
#include <limits>
#include <optional>

// Finds the module's 10 x 10 calibration grid in a picture of the monitor
// (best its darkest channel, where coloured tape does not look like a
// line): the grid's thin bright lines, two families of eleven that a
// projective view of the screen keeps straight, give candidate mappings;
// each candidate is fitted to the 22 lines themselves and kept only when
// GridCheck finds it to be the module's grid (every line there, nothing
// like it half a cell aside, the lines ending at the outer ones, one
// regular spacing, cells a view of 40 x 25 pixels can give); then which
// way the picture is turned is read off the cells' shape and where the
// screen's edges lie round the grid. A blurred picture is searched again
// at half and a quarter of its size. Anything ambiguous is no grid, with
// the reason: a wrong grid is worse than none.
class GridFinder {
public:
    struct Result {
        std::optional<GridMapping> grid; // picture pixels <-> grid units
        QString problem;                 // why not, for the installer
        int crossingsUsed = 0;           // crossings the mapping is fitted through
        double cellPixels = 0;           // the found grid's shorter cell side, pixels
        // Without a grid: where the most likely candidate lies (picture
        // pixels), to be read again at a higher resolution.
        std::optional<cv::Rect2d> candidate;
    };

    // What the search knows of the photo beyond the picture it is given.
    struct Hints {
        // The photo's middle and its longer side, in the pixels of the
        // picture given (a part of the photo may be given); the middle of
        // the picture and its longer side when not known.
        cv::Point2d principal{std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::quiet_NaN()};
        double photoSide = 0;
        // The module's grid shift down the picture ("ATK"): where the grid
        // sits between the screen's top and bottom edges, which tells the
        // photo's top from its bottom.
        int gridShiftY = Grid::kDefaultShiftY;
    };

    // Pixels a picture needs across and down for the search to start.
    static constexpr int kMinSide = 40;

    static Result Find(const cv::Mat &neutral, const Hints &hints);
    static Result Find(const cv::Mat &neutral) { return Find(neutral, Hints()); }
    // The same from the screen's corners in the picture (clockwise from the
    // top left as the picture shows it, continuous pixels) instead of its
    // lines: where the grid must lie on the screen, the grid shift across
    // as the program sets it and down as the hints say, at each of the
    // four ways the photo may be turned; for a grid too small or blurred
    // for its lines to be picked out of the whole picture.
    static Result FromScreen(const cv::Mat &neutral, const std::array<cv::Point2d, 4> &screen, const Hints &hints);
    // The grid read near a mapping known roughly (grid units to picture
    // pixels, the picture's pixel c covering [c, c + 1)), at this picture's
    // resolution, and checked as Find checks it.
    static Result Refine(const cv::Mat &neutral, const QTransform &roughGridToPicture, const Hints &hints);

    // Where the module's one-pixel grid lines lie in grid units: the centre
    // of pixel column 40 i (column 399 for the last line) and of row 25 j
    // below the grid's top row; the fit aims at these, not at whole units.
    static cv::Point2d LineCrossing(int i, int j);

    // The screen's stretch (its picture's pixels wide over high, against
    // the module's own) that the cells may show: the module's picture on
    // its own screen is 1, a panel of 800 x 480 pixels stretches it 1.30.
    static constexpr double kLowestStretch = 0.85;
    static constexpr double kHighestStretch = 1.5;
    // How far the screen's edges may lie from where the grid shift puts
    // them, grid units (5 of the module's rows).
    static constexpr double kEdgeTolerance = 0.2;
};
