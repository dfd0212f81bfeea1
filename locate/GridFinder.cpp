#include "GridFinder.h"

#include "GridGeometry.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <QCoreApplication>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kGridLines = 11;
// Line candidates kept per direction, strongest first.
constexpr int kCandidatesPerFamily = 24;
// A hypothesis must find the grid's lines under this share of its samples.
constexpr double kMinSupport = 0.55;
// Crossings the fitted mapping must agree with, of 121.
constexpr int kMinCrossings = 45;

struct HoughLine {
    double rho = 0;
    double theta = 0;
    double position = 0; // where it crosses the picture's middle column (row) or row (column)
    double cosTheta = 1, sinTheta = 0;
};

QString NoGrid()
{
    return QCoreApplication::translate(
        "GridFinder", "На снимке не найдена калибровочная сетка модуля. Снимите монитор целиком, когда модуль "
                      "показывает сетку (страницы с точками), без сильных бликов, или укажите четыре угла сетки "
                      "щелчками.");
}

// Thin bright lines: what a white top-hat keeps of the picture, thresholded
// well above the texture of the ground.
cv::Mat RidgeMask(const cv::Mat &grey, int kernel)
{
    cv::Mat tophat;
    cv::morphologyEx(grey, tophat, cv::MORPH_TOPHAT, cv::getStructuringElement(cv::MORPH_RECT, {kernel, kernel}));
    cv::Scalar mean, stddev;
    cv::meanStdDev(tophat, mean, stddev);
    const double threshold = std::max(12.0, mean[0] + 2.5 * stddev[0]);
    cv::Mat mask;
    cv::threshold(tophat, mask, threshold, 255, cv::THRESH_BINARY);
    return mask;
}

cv::Point2d Intersect(const HoughLine &a, const HoughLine &b)
{
    const double det = a.cosTheta * b.sinTheta - a.sinTheta * b.cosTheta;
    if (std::abs(det) < 1e-9)
        return {std::nan(""), std::nan("")};
    const double x = (a.rho * b.sinTheta - b.rho * a.sinTheta) / det;
    const double y = (b.rho * a.cosTheta - a.rho * b.cosTheta) / det;
    return {x, y};
}

// The strongest distinct lines of each direction: near-horizontal ones
// (the grid's rows) and near-vertical ones (its columns).
void FindLineFamilies(const cv::Mat &mask, std::vector<HoughLine> *rows, std::vector<HoughLine> *columns)
{
    std::vector<cv::Vec2f> found;
    const int votes = std::max(30, int(0.12 * std::min(mask.cols, mask.rows)));
    cv::HoughLines(mask, found, 1, std::numbers::pi / 360, votes);
    const double midX = mask.cols / 2.0, midY = mask.rows / 2.0;
    for (const cv::Vec2f &f : found) {
        HoughLine line{f[0], f[1], 0};
        // A near-vertical line comes with its angle near 0 or near pi: one
        // way of writing it, so that duplicates are seen.
        if (line.theta > 3 * std::numbers::pi / 4) {
            line.theta -= std::numbers::pi;
            line.rho = -line.rho;
        }
        line.cosTheta = std::cos(line.theta);
        line.sinTheta = std::sin(line.theta);
        const bool horizontal = std::abs(line.theta - std::numbers::pi / 2) < std::numbers::pi / 4;
        std::vector<HoughLine> &family = horizontal ? *rows : *columns;
        if (int(family.size()) >= kCandidatesPerFamily)
            continue;
        line.position = horizontal ? (line.rho - midX * std::cos(line.theta)) / std::sin(line.theta)
                                   : (line.rho - midY * std::sin(line.theta)) / std::cos(line.theta);
        // A line a few pixels wide gives neighbouring maxima: keep the first.
        const bool duplicate = std::any_of(family.begin(), family.end(), [&](const HoughLine &other) {
            return std::abs(other.position - line.position) < 6 && std::abs(other.theta - line.theta) < 0.05;
        });
        if (!duplicate)
            family.push_back(line);
    }
    const auto byPosition = [](const HoughLine &a, const HoughLine &b) { return a.position < b.position; };
    std::sort(rows->begin(), rows->end(), byPosition);
    std::sort(columns->begin(), columns->end(), byPosition);
}

// Two lines of a family that may be the grid's outer ones.
struct LinePair {
    size_t first, last;
};

// The pairs of a family (sorted by position) that may be the grid's outer
// lines: any two far enough apart. (Ranking them by how many candidates lie
// where the nine lines between would be was tried: at 30 degrees of tilt
// the spacing is too uneven for the count, and it lost grids.)
std::vector<LinePair> OuterPairs(const std::vector<HoughLine> &family, double minSide)
{
    std::vector<LinePair> pairs;
    for (size_t first = 0; first < family.size(); ++first)
        for (size_t last = first + 1; last < family.size(); ++last)
            if (family[last].position - family[first].position >= minSide)
                pairs.push_back({first, last});
    return pairs;
}

// Grid units to picture pixels for the grid whose outer lines are these.
bool GridTransform(const HoughLine &top, const HoughLine &bottom, const HoughLine &left, const HoughLine &right,
                   QTransform *gridToPicture)
{
    const cv::Point2d c[4] = {Intersect(top, left), Intersect(top, right), Intersect(bottom, right),
                              Intersect(bottom, left)};
    thread_local QPolygonF quad(4); // this runs for every hypothesis
    for (int k = 0; k < 4; ++k) {
        if (!std::isfinite(c[k].x) || !std::isfinite(c[k].y))
            return false;
        quad[k] = QPointF(c[k].x, c[k].y);
    }
    QTransform unit;
    if (!QTransform::squareToQuad(quad, unit))
        return false;
    *gridToPicture = QTransform::fromScale(0.1, 0.1) * unit;
    return true;
}

// Share of samples along the grid lines that land on ridge pixels, less
// the share of samples halfway between lines that do (so that a grid of
// half the spacing does not score as well).
double Support(const cv::Mat &mask, const QTransform &gridToPicture, int samplesPerLine, const int *lines,
               int lineCount, bool between = true)
{
    int on = 0, missed = 0, total = 0;
    // The mapping written out: this runs for every hypothesis.
    const QTransform &m = gridToPicture;
    const auto hit = [&](double gx, double gy) {
        const double w = m.m13() * gx + m.m23() * gy + m.m33();
        if (std::abs(w) < 1e-12)
            return false;
        const double px = (m.m11() * gx + m.m21() * gy + m.m31()) / w;
        const double py = (m.m12() * gx + m.m22() * gy + m.m32()) / w;
        if (!(px >= 0 && py >= 0 && px < mask.cols - 0.5 && py < mask.rows - 0.5))
            return false;
        return mask.at<uchar>(int(py + 0.5), int(px + 0.5)) != 0;
    };
    for (int n = 0; n < lineCount; ++n) {
        const int t = lines[n];
        for (int s = 0; s < samplesPerLine; ++s) {
            const double along = 10.0 * (s + 0.5) / samplesPerLine;
            on += hit(along, t) + hit(t, along);
            if (t < 10 && between)
                missed += hit(along, t + 0.5) + hit(t + 0.5, along);
            total += 2;
        }
    }
    return double(on - missed) / std::max(1, total);
}

} // namespace

cv::Point2d GridFinder::LineCrossing(int i, int j)
{
    const double x = i < Grid::kCells ? i + 0.5 / Grid::kCellWidth : Grid::kCells - 0.5 / Grid::kCellWidth;
    return {x, j + 0.5 / Grid::kCellHeight};
}

GridFinder::Result GridFinder::Find(const cv::Mat &grey)
{
    Result result;
    if (grey.empty() || grey.cols < kMinSide || grey.rows < kMinSide) {
        result.problem = NoGrid();
        return result;
    }
    const cv::Mat &small = grey;

    const int kernel = std::max(5, int(std::lround(std::max(small.cols, small.rows) / 150.0))) | 1;
    // Lines are looked for at half the size, which costs a quarter and
    // loses nothing: the crossings are refined at full size below.
    cv::Mat mask;
    cv::resize(RidgeMask(small, kernel), mask, {}, 0.5, 0.5, cv::INTER_AREA);
    cv::threshold(mask, mask, 60, 255, cv::THRESH_BINARY);
    std::vector<HoughLine> rows, columns;
    FindLineFamilies(mask, &rows, &columns);
    if (rows.size() < 2 || columns.size() < 2) {
        result.problem = NoGrid();
        return result;
    }
    cv::Mat near, nearFull;
    cv::dilate(mask, near, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
    cv::resize(near, nearFull, small.size(), 0, 0, cv::INTER_NEAREST);

    // Every pair of rows and pair of columns as the grid's outer lines:
    // a quick look along all the lines each hypothesis predicts, then a
    // closer one for the best few.
    struct Hypothesis {
        QTransform gridToPicture;
        double support;
    };
    std::vector<Hypothesis> promising;
    const double minSide = 0.05 * std::min(small.cols, small.rows);
    static constexpr int kAll[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    const std::vector<LinePair> rowPairs = OuterPairs(rows, minSide);
    const std::vector<LinePair> columnPairs = OuterPairs(columns, minSide);
    for (const LinePair &r : rowPairs) {
        for (const LinePair &c : columnPairs) {
            QTransform t;
            if (!GridTransform(rows[r.first], rows[r.last], columns[c.first], columns[c.last], &t))
                continue;
            // The middle lines first: most pairs fail there at once.
            static constexpr int kMiddle[] = {5};
            if (Support(near, t, 4, kMiddle, 1, false) < 0.4)
                continue;
            const double support = Support(near, t, 4, kAll, kGridLines);
            if (support > kMinSupport * 0.8)
                promising.push_back({t, support});
        }
    }
    std::sort(promising.begin(), promising.end(),
              [](const Hypothesis &a, const Hypothesis &b) { return a.support > b.support; });
    promising.resize(std::min<size_t>(promising.size(), 60));
    const Hypothesis *best = nullptr;
    double bestSupport = kMinSupport;
    for (Hypothesis &h : promising) {
        h.gridToPicture *= QTransform::fromScale(2, 2); // back to full size
        h.support = Support(nearFull, h.gridToPicture, 20, kAll, kGridLines);
        if (h.support > bestSupport) {
            bestSupport = h.support;
            best = &h;
        }
    }
    if (!best) {
        result.problem = NoGrid();
        return result;
    }

    // Each crossing to a fraction of a pixel, then one mapping through all
    // that agree.
    std::vector<cv::Point2f> crossings;
    std::vector<cv::Point2f> gridPoints;
    for (int j = 0; j < kGridLines; ++j) {
        for (int i = 0; i < kGridLines; ++i) {
            const QPointF p = best->gridToPicture.map(QPointF(i, j));
            if (p.x() < 2 || p.y() < 2 || p.x() > small.cols - 3 || p.y() > small.rows - 3)
                continue;
            crossings.emplace_back(float(p.x()), float(p.y()));
            const cv::Point2d g = LineCrossing(i, j);
            gridPoints.emplace_back(float(g.x), float(g.y));
        }
    }
    const QPointF origin = best->gridToPicture.map(QPointF(5, 5));
    const QPointF stepX = best->gridToPicture.map(QPointF(6, 5)) - origin;
    const QPointF stepY = best->gridToPicture.map(QPointF(5, 6)) - origin;
    const double cell = std::min(std::hypot(stepX.x(), stepX.y()), std::hypot(stepY.x(), stepY.y()));
    const int window = std::clamp(int(0.18 * cell), 3, 15);
    std::vector<cv::Point2f> refined = crossings;
    cv::cornerSubPix(small, refined, {window, window}, {-1, -1},
                     cv::TermCriteria(cv::TermCriteria::EPS | cv::TermCriteria::COUNT, 30, 0.01));
    std::vector<cv::Point2f> picturePoints, targets;
    for (size_t n = 0; n < refined.size(); ++n) {
        if (std::hypot(refined[n].x - crossings[n].x, refined[n].y - crossings[n].y) > window)
            continue;
        // OpenCV puts a pixel's centre at its integer position, the mapping
        // (as Qt) half a pixel further: pixel c covers [c, c + 1).
        picturePoints.push_back(refined[n] + cv::Point2f(0.5f, 0.5f));
        targets.push_back(gridPoints[n]);
    }
    if (int(picturePoints.size()) < kMinCrossings) {
        result.problem = NoGrid();
        return result;
    }
    // Grid units are tenths of the grid: a crossing more than 0.05 units
    // off the fit is not one of the grid's.
    std::vector<uchar> inliers;
    const cv::Mat h = cv::findHomography(picturePoints, targets, cv::RANSAC, 0.05, inliers, 2000, 0.999);
    const int used = int(std::count(inliers.begin(), inliers.end(), uchar(1)));
    if (h.empty() || used < kMinCrossings) {
        result.problem = NoGrid();
        return result;
    }
    const QTransform pictureToGrid(h.at<double>(0, 0), h.at<double>(1, 0), h.at<double>(2, 0), //
                                   h.at<double>(0, 1), h.at<double>(1, 1), h.at<double>(2, 1), //
                                   h.at<double>(0, 2), h.at<double>(1, 2), h.at<double>(2, 2));
    result.grid = GridMapping::FromTransform(pictureToGrid);
    if (!result.grid)
        result.problem = NoGrid();
    result.crossingsUsed = used;
    return result;
}
