#include "LineCheck.h"

#include "CvImage.h"
#include "MarkFinder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
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

double LineDeviation::DistanceUnits() const
{
    return std::hypot(offsetUnits.x(), offsetUnits.y());
}

double LineDeviation::DistancePixels() const
{
    return std::hypot(offsetPixels.x(), offsetPixels.y());
}

std::vector<LineDeviation> MeasureLinesAgainstMarks(const QImage &picture, const GridMapping &grid)
{
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture);
    if (work.bgr.empty())
        return {};
    const auto inWork = GridMapping::FromTransform(QTransform::fromScale(1 / work.scale, 1 / work.scale)
                                                   * grid.PictureToGrid());
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

std::optional<GridMapping::Corners> FindScreenCorners(const QImage &picture)
{
    const CvImage::WorkCopy work = CvImage::MakeWorkCopy(picture, 1000);
    if (work.grey.empty())
        return std::nullopt;
    // The screen's picture is lit from behind and stays brighter than the
    // matte frame round it, even where it shows black: everything a little
    // brighter than the darkest part of the photo.
    cv::Mat grey;
    cv::GaussianBlur(work.grey, grey, {5, 5}, 1.5);
    std::vector<uchar> values(grey.begin<uchar>(), grey.end<uchar>());
    std::nth_element(values.begin(), values.begin() + values.size() / 20, values.end());
    const double dark = values[values.size() / 20];
    cv::Mat bright;
    cv::threshold(grey, bright, dark + 10, 255, cv::THRESH_BINARY);
    std::vector<std::vector<cv::Point>> contours;
    cv::findContours(bright, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
    const double imageArea = double(grey.cols) * grey.rows;
    std::optional<GridMapping::Corners> best;
    double bestArea = 0.04 * imageArea;
    for (const auto &contour : contours) {
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
        cv::approxPolyDP(hull, quad, 0.03 * cv::arcLength(hull, true), true);
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
        GridMapping::Corners corners;
        for (int k = 0; k < 4; ++k)
            corners[k] = QPointF((quad[k].x + 0.5) / work.scale, (quad[k].y + 0.5) / work.scale);
        best = corners;
        bestArea = area;
    }
    return best;
}
