#include "LineCheck.h"

#include "CvImage.h"
#include "MarkFinder.h"
#include "ScreenFinder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// How far from a mark a written line is looked for, grid units.
constexpr double kReachUnits = 1.0;
// Pixels of the monitor picture per grid unit across and down.
constexpr double kMonitorPixelsX = 40.0;
constexpr double kMonitorPixelsY = 25.0;

// The written lines in a straightened picture: thin, bright and grey (the
// module draws them in one grey), found as ridges of the darkest channel so
// that the yellow tape under them does not count.
cv::Mat WrittenLines(const cv::Mat &straightBgr)
{
    std::vector<cv::Mat> channels;
    cv::split(straightBgr, channels);
    cv::Mat neutral;
    cv::min(channels[0], channels[1], neutral);
    cv::min(neutral, channels[2], neutral);
    cv::Mat tophat;
    cv::morphologyEx(neutral, tophat, cv::MORPH_TOPHAT, cv::getStructuringElement(cv::MORPH_RECT, {9, 9}));
    cv::Scalar mean, stddev;
    cv::meanStdDev(tophat, mean, stddev);
    cv::Mat lines;
    cv::threshold(tophat, lines, std::max(20.0, mean[0] + 3 * stddev[0]), 255, cv::THRESH_BINARY);
    return lines;
}

} // namespace

std::vector<LineDeviation> MeasureLinesAgainstMarks(const QImage &picture, const GridMapping &grid)
{
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture);
    if (work.bgr.empty())
        return {};
    const auto inWork = grid.Scaled(work.scale);
    if (!inWork)
        return {};
    const cv::Mat straight = MarkFinder::Straighten(work.bgr, *inWork);
    const cv::Mat lines = WrittenLines(straight);
    std::vector<cv::Point> linePixels;
    cv::findNonZero(lines, linePixels);

    std::vector<LineDeviation> result;
    for (const MarkCandidate &mark : MarkFinder::Find(work.bgr, *inWork)) {
        LineDeviation d;
        d.mark = mark.grid;
        const cv::Point2d at = MarkFinder::ToStraight(mark.grid);
        double best = kReachUnits;
        for (const cv::Point &p : linePixels) {
            const double ux = (p.x - at.x) / MarkFinder::kPixelsPerUnitX;
            const double uy = (p.y - at.y) / MarkFinder::kPixelsPerUnitY;
            const double units = std::hypot(ux, uy);
            if (units < best) {
                best = units;
                d.lineFound = true;
                d.offsetUnits = QPointF(ux, uy);
                d.offsetPixels = QPointF(ux * kMonitorPixelsX, uy * kMonitorPixelsY);
            }
        }
        result.push_back(d);
    }
    return result;
}

std::optional<std::array<cv::Point2d, 4>> ScreenFinder::Corners(const cv::Mat &greyPicture, double smallest)
{
    if (greyPicture.empty())
        return std::nullopt;
    // The screen's picture is lit from behind and stays brighter than the
    // matte frame round it, even where it shows black: everything a little
    // brighter than the darkest part of the photo.
    cv::Mat grey;
    cv::GaussianBlur(greyPicture, grey, {5, 5}, 1.5);
    std::vector<uchar> values(grey.begin<uchar>(), grey.end<uchar>());
    std::nth_element(values.begin(), values.begin() + values.size() / 20, values.end());
    const double dark = values[values.size() / 20];
    cv::Mat bright;
    cv::threshold(grey, bright, dark + 10, 255, cv::THRESH_BINARY);
    // The outer boundary of each bright region (the screen lies in a hole
    // of the background's region; that hole's edge is the frame's outer edge
    // and no screen).
    std::vector<std::vector<cv::Point>> contours;
    std::vector<cv::Vec4i> hierarchy;
    cv::findContours(bright, contours, hierarchy, cv::RETR_CCOMP, cv::CHAIN_APPROX_NONE);
    const double imageArea = double(grey.cols) * grey.rows;
    std::optional<std::array<cv::Point2d, 4>> best;
    double bestArea = smallest * imageArea;
    for (size_t n = 0; n < contours.size(); ++n) {
        if (hierarchy[n][3] >= 0)
            continue; // a hole's edge
        const std::vector<cv::Point> &contour = contours[n];
        const cv::Rect box = cv::boundingRect(contour);
        // The background round the monitor reaches the photo's edge; the
        // screen does not.
        if (box.x <= 0 || box.y <= 0 || box.br().x >= grey.cols || box.br().y >= grey.rows)
            continue;
        std::vector<cv::Point> hull, quad;
        cv::convexHull(contour, hull);
        const double area = cv::contourArea(hull);
        if (area <= bestArea)
            continue;
        // Four sides: the hull simplified until it has four corners.
        for (double tolerance = 0.02; tolerance < 0.12 && quad.size() != 4; tolerance += 0.01)
            cv::approxPolyDP(hull, quad, tolerance * cv::arcLength(hull, true), true);
        if (quad.size() != 4)
            continue;
        // Top left first (smallest x + y), then clockwise as the photo shows it.
        cv::Point2d centre;
        for (const cv::Point &p : quad)
            centre += cv::Point2d(p) * 0.25;
        std::sort(quad.begin(), quad.end(), [&](const cv::Point &a, const cv::Point &b) {
            return std::atan2(a.y - centre.y, a.x - centre.x) < std::atan2(b.y - centre.y, b.x - centre.x);
        });
        const auto first = std::min_element(quad.begin(), quad.end(),
                                            [](const cv::Point &a, const cv::Point &b) { return a.x + a.y < b.x + b.y; });
        std::rotate(quad.begin(), first, quad.end());
        // Each side again through the boundary's own points along its middle,
        // fitted so that a bulge (glare spilling onto the frame) counts little;
        // the corners are where the sides meet.
        std::array<cv::Vec4f, 4> sides;
        bool fitted = true;
        for (int k = 0; k < 4 && fitted; ++k) {
            const cv::Point2d a = quad[k], b = quad[(k + 1) % 4];
            const cv::Point2d along = b - a;
            const double length = std::hypot(along.x, along.y);
            std::vector<cv::Point2f> points;
            for (const cv::Point &p : contour) {
                const cv::Point2d d = cv::Point2d(p) - a;
                const double t = (d.x * along.x + d.y * along.y) / (length * length);
                const double off = std::abs(d.x * along.y - d.y * along.x) / length;
                if (t > 0.1 && t < 0.9 && off < 0.05 * length)
                    points.emplace_back(float(p.x), float(p.y));
            }
            fitted = points.size() >= 10;
            if (fitted)
                cv::fitLine(points, sides[k], cv::DIST_HUBER, 0, 0.01, 0.01);
        }
        if (!fitted)
            continue;
        std::array<cv::Point2d, 4> corners;
        bool met = true;
        for (int k = 0; k < 4 && met; ++k) {
            const cv::Vec4f &l1 = sides[(k + 3) % 4], &l2 = sides[k];
            const double det = l1[0] * l2[1] - l1[1] * l2[0];
            met = std::abs(det) > 0.2;
            if (met) {
                const double t = ((l2[2] - l1[2]) * l2[1] - (l2[3] - l1[3]) * l2[0]) / det;
                // Contour points lie on the region's outermost pixels: the
                // edge is half a pixel further out, about where the sides meet.
                corners[std::size_t(k)] = cv::Point2d(l1[2] + t * l1[0] + 0.5, l1[3] + t * l1[1] + 0.5);
            }
        }
        if (!met)
            continue;
        best = corners;
        bestArea = area;
    }
    return best;
}

std::optional<GridMapping::Corners> FindScreenCorners(const QImage &picture)
{
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture, 1000);
    const auto corners = ScreenFinder::Corners(work.grey, 0.04);
    if (!corners)
        return std::nullopt;
    GridMapping::Corners result;
    for (std::size_t k = 0; k < 4; ++k)
        result[k] = QPointF((*corners)[k].x / work.scale, (*corners)[k].y / work.scale);
    return result;
}
