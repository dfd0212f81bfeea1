#include "MarkFinder.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

// Samples on the circle round a tape pixel that tell how many strips leave it.
constexpr int kCircleSamples = 32;
// Candidates closer than this are one mark, grid units.
constexpr double kSameMarkUnits = 0.15;
// Candidates this far outside the grid are dropped, grid units.
constexpr double kOutsideUnits = 0.25;
constexpr int kAngleBins = 36;

// Strips that leave a tape pixel: the runs of tape on a circle round it.
int StripsAround(const cv::Mat &mask, int x, int y, double radius)
{
    static const auto directions = [] {
        std::array<cv::Point2d, kCircleSamples> d{};
        for (int k = 0; k < kCircleSamples; ++k) {
            const double a = 2 * std::numbers::pi * k / kCircleSamples;
            d[k] = {std::cos(a), std::sin(a)};
        }
        return d;
    }();
    std::array<bool, kCircleSamples> on{};
    for (int k = 0; k < kCircleSamples; ++k) {
        const int sx = x + int(std::lround(radius * directions[k].x));
        const int sy = y + int(std::lround(radius * directions[k].y));
        on[k] = sx >= 0 && sy >= 0 && sx < mask.cols && sy < mask.rows && mask.at<uchar>(sy, sx) != 0;
    }
    int runs = 0;
    for (int k = 0; k < kCircleSamples; ++k)
        runs += on[k] && !on[(k + kCircleSamples - 1) % kCircleSamples];
    return runs;
}

struct StripLine {
    cv::Point2d point;
    cv::Point2d direction;
};

std::optional<cv::Point2d> Meet(const StripLine &a, const StripLine &b)
{
    const double det = a.direction.x * b.direction.y - a.direction.y * b.direction.x;
    if (std::abs(det) < 0.2) // closer than about 12 degrees: no sharp crossing
        return std::nullopt;
    const cv::Point2d d = b.point - a.point;
    const double t = (d.x * b.direction.y - d.y * b.direction.x) / det;
    return a.point + t * a.direction;
}

// The crossing of the two main strips near a coarse position: the tape
// pixels round it by direction, the two strongest directions, a centre line
// fitted through the pixels of each, and where they meet.
cv::Point2d RefineCrossing(const cv::Mat &mask, cv::Point2d coarse, double width)
{
    const double inner = 1.2 * width;
    const double outer = std::max(4.0 * width, 12.0);
    const cv::Rect window = cv::Rect(int(coarse.x - outer), int(coarse.y - outer), int(2 * outer + 1),
                                     int(2 * outer + 1)) & cv::Rect(0, 0, mask.cols, mask.rows);
    std::vector<cv::Point2d> pixels;
    std::array<double, kAngleBins> histogram{};
    for (int y = window.y; y < window.y + window.height; ++y) {
        for (int x = window.x; x < window.x + window.width; ++x) {
            const double dx = x - coarse.x, dy = y - coarse.y;
            const double r = std::hypot(dx, dy);
            if (r < inner || r > outer || mask.at<uchar>(y, x) == 0)
                continue;
            pixels.emplace_back(x, y);
            double a = std::atan2(dy, dx);
            if (a < 0)
                a += std::numbers::pi;
            histogram[std::min(kAngleBins - 1, int(a / std::numbers::pi * kAngleBins))] += 1;
        }
    }
    if (pixels.size() < 8)
        return coarse;
    // Smoothed circularly, then the two peaks at least 25 degrees apart.
    std::array<double, kAngleBins> smooth{};
    for (int k = 0; k < kAngleBins; ++k)
        smooth[k] = histogram[(k + kAngleBins - 1) % kAngleBins] + 2 * histogram[k] + histogram[(k + 1) % kAngleBins];
    const int first = int(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    int second = -1;
    for (int k = 0; k < kAngleBins; ++k) {
        const int apart = std::min(std::abs(k - first), kAngleBins - std::abs(k - first));
        if (apart >= 5 && (second < 0 || smooth[k] > smooth[second]))
            second = k;
    }
    if (second < 0 || smooth[second] < 0.15 * smooth[first])
        return coarse;

    std::vector<StripLine> strips;
    for (int peak : {first, second}) {
        const double a = (peak + 0.5) * std::numbers::pi / kAngleBins;
        const cv::Point2d along(std::cos(a), std::sin(a));
        std::vector<cv::Point2f> strip;
        for (const cv::Point2d &p : pixels) {
            const cv::Point2d d = p - coarse;
            if (std::abs(d.x * along.y - d.y * along.x) <= width)
                strip.emplace_back(float(p.x), float(p.y));
        }
        if (strip.size() < 5)
            return coarse;
        cv::Vec4f line;
        cv::fitLine(strip, line, cv::DIST_HUBER, 0, 0.01, 0.01);
        strips.push_back({{line[2], line[3]}, {line[0], line[1]}});
    }
    const auto met = Meet(strips[0], strips[1]);
    if (!met || std::hypot(met->x - coarse.x, met->y - coarse.y) > 1.5 * width)
        return coarse;
    return *met;
}

} // namespace

cv::Point2d MarkFinder::ToStraight(QPointF grid)
{
    return {(grid.x() + kMarginUnits) * kPixelsPerUnitX, (grid.y() + kMarginUnits) * kPixelsPerUnitY};
}

QPointF MarkFinder::FromStraight(cv::Point2d straight)
{
    return {straight.x / kPixelsPerUnitX - kMarginUnits, straight.y / kPixelsPerUnitY - kMarginUnits};
}

cv::Mat MarkFinder::Straighten(const cv::Mat &picture, const GridMapping &grid)
{
    const QTransform toGrid = grid.PictureToGrid();
    const cv::Matx33d pictureToGrid(toGrid.m11(), toGrid.m21(), toGrid.m31(), //
                                    toGrid.m12(), toGrid.m22(), toGrid.m32(), //
                                    toGrid.m13(), toGrid.m23(), toGrid.m33());
    const cv::Matx33d gridToStraight(kPixelsPerUnitX, 0, kMarginUnits * kPixelsPerUnitX, //
                                     0, kPixelsPerUnitY, kMarginUnits * kPixelsPerUnitY, //
                                     0, 0, 1);
    const cv::Size size(int((10 + 2 * kMarginUnits) * kPixelsPerUnitX), int((10 + 2 * kMarginUnits) * kPixelsPerUnitY));
    cv::Mat straight;
    cv::warpPerspective(picture, straight, cv::Mat(gridToStraight * pictureToGrid), size, cv::INTER_LINEAR,
                        cv::BORDER_CONSTANT, cv::Scalar::all(0));
    return straight;
}

cv::Mat MarkFinder::TapeMask(const cv::Mat &straightBgr, Tape tape)
{
    cv::Mat hsv;
    cv::cvtColor(straightBgr, hsv, cv::COLOR_BGR2HSV);
    // Yellow tape (hue about 48 degrees; OpenCV halves hues) and orange
    // tape (about 27), clearly saturated, not in deep shadow. Grass, sky,
    // asphalt, paint and the grid's grey all fall outside. The two colours
    // are looked at apart: where an orange dash lies along a yellow line the
    // two would otherwise make shapes that look like crossings.
    cv::Mat mask;
    if (tape == Tape::Yellow)
        cv::inRange(hsv, cv::Scalar(19, 90, 60), cv::Scalar(35, 255, 255), mask);
    else
        cv::inRange(hsv, cv::Scalar(4, 110, 60), cv::Scalar(18, 255, 255), mask);
    // Grid lines drawn across a strip cut it by a pixel or two: close such
    // gaps, then drop specks.
    cv::morphologyEx(mask, mask, cv::MORPH_CLOSE, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8);
    for (int n = 1; n < count; ++n)
        if (stats.at<int>(n, cv::CC_STAT_AREA) < 10)
            mask.setTo(0, labels == n);
    return mask;
}

std::vector<cv::Point2d> MarkFinder::Crossings(const cv::Mat &mask)
{
    cv::Mat distance;
    cv::distanceTransform(mask, distance, cv::DIST_L2, 3);

    // Tape pixels from which three or more strips leave: where strips cross
    // or meet. The circle is a little wider than the tape there.
    cv::Mat junction = cv::Mat::zeros(mask.size(), CV_8U);
    for (int y = 0; y < mask.rows; ++y) {
        const uchar *row = mask.ptr<uchar>(y);
        const float *half = distance.ptr<float>(y);
        for (int x = 0; x < mask.cols; ++x) {
            if (row[x] && StripsAround(mask, x, y, std::clamp(2.2 * half[x], 3.0, 48.0)) >= 3)
                junction.at<uchar>(y, x) = 255;
        }
    }
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(junction, labels, stats, centroids, 8);
    std::vector<cv::Point2d> crossings;
    for (int n = 1; n < count; ++n) {
        const cv::Point2d coarse(centroids.at<double>(n, 0), centroids.at<double>(n, 1));
        const cv::Rect box(stats.at<int>(n, cv::CC_STAT_LEFT), stats.at<int>(n, cv::CC_STAT_TOP),
                           stats.at<int>(n, cv::CC_STAT_WIDTH), stats.at<int>(n, cv::CC_STAT_HEIGHT));
        double deepest = 0;
        cv::minMaxLoc(distance(box), nullptr, &deepest);
        // A crossing's centre lies about 0.7 tape widths from any edge.
        const double width = std::max(2.0, 2.0 * deepest / 1.4);
        // A crossing of two strips leaves a patch about a tape width across.
        if (stats.at<int>(n, cv::CC_STAT_AREA) < std::max(3.0, 0.4 * width * width))
            continue;
        crossings.push_back(RefineCrossing(mask, coarse, width));
    }
    return crossings;
}

std::vector<MarkCandidate> MarkFinder::Find(const cv::Mat &bgr, const GridMapping &grid)
{
    const cv::Mat straight = Straighten(bgr, grid);
    std::vector<MarkCandidate> marks;
    for (Tape tape : {Tape::Yellow, Tape::Orange}) {
        for (const cv::Point2d &crossing : Crossings(TapeMask(straight, tape))) {
            const QPointF at = FromStraight(crossing);
            if (at.x() < -kOutsideUnits || at.y() < -kOutsideUnits || at.x() > 10 + kOutsideUnits
                || at.y() > 10 + kOutsideUnits)
                continue;
            const bool known = std::any_of(marks.begin(), marks.end(), [&](const MarkCandidate &m) {
                return std::hypot(m.grid.x() - at.x(), m.grid.y() - at.y()) < kSameMarkUnits;
            });
            if (!known)
                marks.push_back({at, grid.ToPicture(at)});
        }
    }
    // Reading order: rows of marks from the top, left to right in a row.
    std::sort(marks.begin(), marks.end(), [](const MarkCandidate &a, const MarkCandidate &b) {
        if (std::abs(a.grid.y() - b.grid.y()) > 0.3)
            return a.grid.y() < b.grid.y();
        return a.grid.x() < b.grid.x();
    });
    return marks;
}
