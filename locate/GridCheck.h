#pragma once

#include <QString>

#include <opencv2/core.hpp>

#include <array>
#include <limits>

// What makes a fitted grid the module's grid, in one picture (its darkest
// channel, 8 bits): the module draws eleven thin bright lines each way, and
// nothing else of the kind beside them. A candidate mapping is first fitted
// to the lines themselves (each of the 22 searched for across its predicted
// place and fitted straight, the mapping through their 121 crossings); then
// every line must be there along most of its length, nothing as bright half
// a cell to either side, the lines must end at the grid's outer lines, the
// crossings must keep one regular spacing, and the cells must have a shape a
// view of the module's 40 x 25 pixel cells can have. A mapping shifted by a
// cell, one through every other line, or one of half the spacing fails.
//
// Grid' units here are the lines' own: whole numbers 0..10, x across the
// family whose lines run down the picture, y across the other; which of
// them is the module's x, and which end its top, is for the caller to say.
// Pixels are OpenCV's (pixel centres at whole numbers).
class GridCheck {
public:
    using Homography = cv::Matx33d; // grid' units to picture pixels (column vectors)

    explicit GridCheck(const cv::Mat &neutral);

    // Grey levels of the picture's noise (and fine texture), one pixel's worth.
    double Noise() const { return noise_; }

    struct Fit {
        Homography gridToPicture;             // through the crossings of the fitted lines
        std::array<cv::Vec3d, 11> columns{}; // lines x' = i as a x + b y + c = 0, (a, b) a unit vector
        std::array<cv::Vec3d, 11> rows{};    // lines y' = j
        double worstOffset = 0;               // of a crossing from the fitted mapping, grid units
        double rmsOffset = 0;
        QString problem;                      // empty when all 22 lines were found and fitted
        // Of each line (columns, then rows), the share of the places
        // searched where it was found.
        std::array<double, 22> found{};
    };
    // Each line searched for within reach grid units across its place under
    // gridToPicture, and the mapping fitted through the crossings.
    Fit Refine(const Homography &gridToPicture, double reach) const;

    // A rough mapping brought onto the lines: each outer line moved by up
    // to reach cells, a step at a time, to where the 22 lines it implies
    // stand out most from the picture beside them (a screen's edge taken
    // at a dark bumper puts the grid's bottom most of a cell too high).
    Homography Polish(const Homography &gridToPicture, double reach) const;

    struct Lines {
        double contrast = 0;      // a line over what lies half a cell beside it, grey levels (median)
        int segmentsKnown = 0;    // of the 220 stretches between crossings, those not washed out
        int segmentsPresent = 0;  // with the line there and nothing as bright half a cell aside
        int besideBright = 0;     // where half a cell aside is as bright as the line
        double weakestLine = 0;   // share of its known stretches present, the line with least
        int beyondKnown = 0;      // of the 44 stretches past the lines' ends
        int beyondPresent = 0;    // where a line goes on
        QString problem;          // empty when the lines are the module's
    };
    Lines CheckLines(const Homography &gridToPicture) const;

    // Whether the fitted cells can be a view of the module's cells
    // (cellX x cellY of its pixels, grid' x by y) on a flat screen that may
    // stretch its picture: some focal length (0.3 to 8 times the photo's
    // longer side, the optical axis through principal) makes the two axes
    // square to each other, and the stretch (the screen's pixels wide over
    // high) that it then needs.
    struct Shape {
        bool rectangle = false;
        double lowStretch = 0, highStretch = 0;
    };
    static Shape ShapeOf(const Homography &gridToPicture, cv::Point2d principal, double photoSide, double cellX,
                         double cellY);

    // How far the screen's picture reaches past the outer lines across one
    // family (alongY: past rows 0 and 10; else past columns 0 and 10), up to
    // the dark frame round it: grid units outwards from line 0 (low) and from
    // line 10 (high); NaN where no edge is seen. borderIsEdge: the picture
    // is the screen's own (a grabber frame), its border the screen's edge.
    struct Edges {
        double low = std::numeric_limits<double>::quiet_NaN();
        double high = std::numeric_limits<double>::quiet_NaN();
        // Where the picture itself ends, the same way; NaN when it goes on
        // past the reach searched.
        double borderLow = std::numeric_limits<double>::quiet_NaN();
        double borderHigh = std::numeric_limits<double>::quiet_NaN();
    };
    Edges EdgesAlong(const Homography &gridToPicture, bool alongY, bool borderIsEdge) const;

    // Bilinear grey level at a pixel position; NaN outside the picture.
    double At(double x, double y) const;

private:
    cv::Mat image_;
    double noise_ = 0;
};

namespace GridMath {
cv::Point2d Map(const cv::Matx33d &h, double x, double y);
cv::Matx33d Inverse(const cv::Matx33d &h);
} // namespace GridMath
