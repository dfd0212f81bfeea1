#pragma once

#include "GridMapping.h"
#include "PhotoLocation.h"

#include <opencv2/core.hpp>

#include <vector>

// Proposes the installer's tape marks in a colour picture of the monitor
// whose grid mapping is known: the picture is first straightened onto the
// grid, so that a mark looks the same however the photo was taken. There
// the colours are balanced (a cast of the light or of the camera taken
// out), tape of any colour is picked out as what stands out from the ground
// round it, lighter or more colourful, split by colour family so that
// strips of two colours laid along each other stay apart; then every place
// where strips cross or meet (a tick on a side line, the ends of the base
// line, a cross on a curve, a corner) and every line's free end becomes a
// candidate, placed where the strips' centre lines meet, with how sure the
// finder is of it.
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

    // Tape colour families, told apart by the direction in which a tape
    // pixel differs from its ground once the colours are balanced.
    enum class Family { Light, Pale, Red, Orange, Yellow }; // white, beige, ...
    static constexpr int kFamilies = 5;
    struct Tapes {
        cv::Mat mask[kFamilies]; // 255 on tape of that family
        cv::Mat standOut;        // float: how far each pixel stands out from its ground
    };
    // The tape in a straightened picture: the module's grid lines are not
    // tape, and a strip they cut is joined again.
    static Tapes FindTapes(const cv::Mat &straightBgr);
    // How far a pixel has to stand out to be tape.
    static constexpr double kStandOut = 18.0;

    // Places in a tape mask where strips cross or meet (three or more leave
    // a patch, or two at an angle) or a strip ends, and the tape's width
    // there (straightened pixels).
    struct Junction {
        cv::Point2d coarse;
        double width;
        int strips; // 1: a free end, 2: a corner, 3 or more: a crossing or tee
    };
    static std::vector<Junction> Junctions(const cv::Mat &tapeMask);
    // Where the strips at the junctions of three or more cross, to a
    // fraction of a pixel.
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
