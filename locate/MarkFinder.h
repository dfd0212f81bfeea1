#pragma once

#include "GridMapping.h"
#include "PhotoLocation.h"

#include <opencv2/core.hpp>

#include <vector>

// Proposes the installer's tape marks in a colour picture of the monitor
// whose grid mapping is known: the picture is first straightened onto the
// grid, so that a mark looks the same however the photo was taken; there
// the yellow and orange tape is picked out by colour and every place where
// two strips cross or meet (a tick on a side line, the ends of the base
// line, the cross on a curve) becomes a candidate, placed where the strips'
// centre lines meet.
class MarkFinder {
public:
    // bgr: 8-bit BGR picture; grid: its pixels <-> grid units. Candidates
    // within the grid (give or take a little), in picture pixels of bgr.
    static std::vector<MarkCandidate> Find(const cv::Mat &bgr, const GridMapping &grid);

    // Straightened pixels per grid unit across and down (the monitor's 40 x
    // 25 pixel cells, twice over), and the margin kept round the grid.
    static constexpr double kPixelsPerUnitX = 80.0;
    static constexpr double kPixelsPerUnitY = 50.0;
    static constexpr double kMarginUnits = 0.5;

    // The straightened picture's pixels of a grid point, and back.
    static cv::Point2d ToStraight(QPointF grid);
    static QPointF FromStraight(cv::Point2d straight);
    // The grid area and margin, straightened, in the straightened picture.
    static cv::Mat Straighten(const cv::Mat &picture, const GridMapping &grid);
    enum class Tape { Yellow, Orange };
    // Pixels of one tape colour in a straightened picture (255), the rest 0.
    static cv::Mat TapeMask(const cv::Mat &straightBgr, Tape tape);
    // Places in a tape mask where three or more strips leave a patch, and
    // the tape's width there (straightened pixels).
    struct Junction {
        cv::Point2d coarse;
        double width;
    };
    static std::vector<Junction> Junctions(const cv::Mat &tapeMask);
    // Where the strips at the junctions cross, to a fraction of a pixel.
    // horizon: the row level strips on the ground run towards (NaN when not
    // known); bars: where no two strips meet, the middle of a short level
    // bar counts (a far cross); steepLines: where to put the steep strips'
    // centre lines (x, y, dx, dy), or null.
    static std::vector<cv::Point2d> Crossings(const cv::Mat &tapeMask, const std::vector<Junction> &junctions,
                                              double horizon, bool bars, std::vector<cv::Vec4d> *steepLines = nullptr);
    // The row the side lines run towards: the median meet of the steep lines
    // left of the middle column with those right of it; NaN without both.
    static double HorizonRow(const std::vector<cv::Vec4d> &steepLines, double middle);
};
