#include "MarkFinder.h"

#include "GridGeometry.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace {

// Samples on the circle round a tape pixel that tell how many strips leave it.
constexpr int kCircleSamples = 32;
// Candidates closer than this are one mark, grid units.
constexpr double kSameMarkUnits = 0.15;
// Candidates this far outside the grid are dropped, grid units.
constexpr double kOutsideUnits = 0.25;
constexpr int kAngleBins = 36;
// The weaker of two crossing strips has at least this share of the
// stronger one's pixels round the crossing.
constexpr double kMinorStrip = 0.06;
// A strip's pixels lie within this angle of its direction, seen from the crossing.
constexpr double kStripHalfAngle = 15.0 * std::numbers::pi / 180.0;

// Strips that leave a tape pixel: the runs of tape on a circle round it.
// The circle's samples as whole-pixel offsets, for every radius used.
constexpr int kMinRadius = 3;
constexpr int kMaxRadius = 48;
using Circle = std::array<cv::Point, kCircleSamples>;

const Circle &CircleOfRadius(int radius)
{
    static const auto circles = [] {
        std::array<Circle, kMaxRadius + 1> all{};
        for (int r = kMinRadius; r <= kMaxRadius; ++r) {
            for (int k = 0; k < kCircleSamples; ++k) {
                const double a = 2 * std::numbers::pi * k / kCircleSamples;
                all[r][k] = {int(std::lround(r * std::cos(a))), int(std::lround(r * std::sin(a)))};
            }
        }
        return all;
    }();
    return circles[std::clamp(radius, kMinRadius, kMaxRadius)];
}

int StripsAround(const cv::Mat &mask, int x, int y, int radius)
{
    const Circle &circle = CircleOfRadius(radius);
    std::array<bool, kCircleSamples> on{};
    const bool inside = x >= radius && y >= radius && x < mask.cols - radius && y < mask.rows - radius;
    for (int k = 0; k < kCircleSamples; ++k) {
        const int sx = x + circle[k].x, sy = y + circle[k].y;
        on[k] = (inside || (sx >= 0 && sy >= 0 && sx < mask.cols && sy < mask.rows)) && mask.at<uchar>(sy, sx) != 0;
    }
    int runs = 0;
    for (int k = 0; k < kCircleSamples; ++k)
        runs += on[k] && !on[(k + kCircleSamples - 1) % kCircleSamples];
    return runs;
}

// The module draws its grid over the camera picture, so each grid line cuts
// every strip it crosses. Where the tape goes on at both sides of a grid
// line, the line's pixels are tape too; elsewhere nothing is added, so that
// no strip grows or moves.
void BridgeGridLines(cv::Mat &mask)
{
    constexpr int kHalf = 2;  // a line's pixels each side of its centre
    constexpr int kReach = 3; // where the tape is looked for each side
    for (int j = 0; j <= 10; ++j) {
        const int centre = int(std::lround(MarkFinder::ToStraight(QPointF(0, j + 0.5 / Grid::kCellHeight)).y));
        if (centre - kReach < 0 || centre + kReach >= mask.rows)
            continue;
        const uchar *above = mask.ptr<uchar>(centre - kReach);
        const uchar *below = mask.ptr<uchar>(centre + kReach);
        for (int x = 0; x < mask.cols; ++x)
            if (above[x] && below[x])
                for (int y = centre - kHalf; y <= centre + kHalf; ++y)
                    mask.at<uchar>(y, x) = 255;
    }
    for (int i = 0; i <= 10; ++i) {
        const double gx = i < Grid::kCells ? i + 0.5 / Grid::kCellWidth : Grid::kCells - 0.5 / Grid::kCellWidth;
        const int centre = int(std::lround(MarkFinder::ToStraight(QPointF(gx, 0)).x));
        if (centre - kReach < 0 || centre + kReach >= mask.cols)
            continue;
        for (int y = 0; y < mask.rows; ++y) {
            uchar *row = mask.ptr<uchar>(y);
            if (row[centre - kReach] && row[centre + kReach])
                std::fill(row + centre - kHalf, row + centre + kHalf + 1, uchar(255));
        }
    }
}

struct StripLine {
    cv::Point2d point;
    cv::Point2d direction;
};

std::optional<cv::Point2d> Meet(const StripLine &a, const StripLine &b)
{
    const double det = a.direction.x * b.direction.y - a.direction.y * b.direction.x;
    if (std::abs(det) < 0.5) // strips closer than 30 degrees fork rather than cross
        return std::nullopt;
    const cv::Point2d d = b.point - a.point;
    const double t = (d.x * b.direction.y - d.y * b.direction.x) / det;
    return a.point + t * a.direction;
}

// The point D with (a, b; c, D) harmonic: the image of the middle between
// two ground points seen at a and b when c is the image of the point at
// infinity on their line (for a level strip, the row of the horizon).
double Harmonic(double a, double b, double c)
{
    const double den = (b - c) + (a - c);
    return std::abs(den) < 1e-9 ? (a + b) / 2.0 : (a * (b - c) + b * (a - c)) / den;
}

// The centre line of the strip that leaves a crossing in a direction: the
// middle of the strip's cross-section at each step along it (columns for a
// strip nearer the horizontal, rows for one nearer the vertical), over the
// steps where the cross-section has the strip's usual length, so that where
// another strip or a dash of the other colour cuts or widens it nothing is
// taken, and then one line fitted through the middles.
std::optional<StripLine> CentreLine(const cv::Mat &mask, cv::Point2d centre, double angle, double width,
                                    double inner, double outer, double horizon)
{
    const bool acrossColumns = std::abs(std::cos(angle)) >= std::abs(std::sin(angle));
    // Step along u (x for columns, y for rows); v is the other coordinate.
    const double slope = acrossColumns ? std::tan(angle) : 1.0 / std::tan(angle);
    const int uCentre = int(std::lround(acrossColumns ? centre.x : centre.y));
    const double vCentre = acrossColumns ? centre.y : centre.x;
    const int vLimit = acrossColumns ? mask.rows : mask.cols;
    const int uLimit = acrossColumns ? mask.cols : mask.rows;
    const auto on = [&](int u, int v) {
        return v >= 0 && v < vLimit && (acrossColumns ? mask.at<uchar>(v, u) : mask.at<uchar>(u, v)) != 0;
    };
    struct Section {
        double u, middle, length;
    };
    std::vector<Section> sections;
    const double reach = std::max(2.0, width);
    for (int step = -int(outer); step <= int(outer); ++step) {
        const int u = uCentre + step;
        if (u < 0 || u >= uLimit || std::abs(step) < inner)
            continue;
        const double predicted = vCentre + step * slope;
        if (std::hypot(step, predicted - vCentre) > outer)
            continue;
        // The run of tape through the predicted line, or nearest to it.
        int start = -1;
        for (int d = 0; d <= int(reach) && start < 0; ++d) {
            for (int v : {int(std::lround(predicted)) - d, int(std::lround(predicted)) + d})
                if (start < 0 && on(u, v))
                    start = v;
        }
        if (start < 0)
            continue;
        int low = start, high = start;
        while (on(u, low - 1) && start - low < 4 * width)
            --low;
        while (on(u, high + 1) && high - start < 4 * width)
            ++high;
        // A level strip on the ground is seen nearer its far edge than its
        // middle: where the horizon is known, the image of its centre line.
        const double middle = acrossColumns && std::isfinite(horizon) ? Harmonic(low - 0.5, high + 0.5, horizon)
                                                                      : (low + high) / 2.0;
        sections.push_back({double(u), middle, double(high - low + 1)});
    }
    if (sections.size() < 4)
        return std::nullopt;
    std::vector<double> lengths;
    for (const Section &sec : sections)
        lengths.push_back(sec.length);
    std::nth_element(lengths.begin(), lengths.begin() + lengths.size() / 2, lengths.end());
    const double usual = lengths[lengths.size() / 2];
    std::vector<cv::Point2f> middles;
    for (const Section &sec : sections) {
        if (std::abs(sec.length - usual) > std::max(1.5, 0.25 * usual))
            continue;
        middles.push_back(acrossColumns ? cv::Point2f(float(sec.u), float(sec.middle))
                                        : cv::Point2f(float(sec.middle), float(sec.u)));
    }
    if (middles.size() < 4)
        return std::nullopt;
    cv::Vec4f line;
    cv::fitLine(middles, line, cv::DIST_HUBER, 0, 0.01, 0.01);
    return StripLine{{line[2], line[3]}, {line[0], line[1]}};
}

struct Pixel {
    cv::Point2f at;
    double angle; // of the direction from the crossing, 0..pi
};

// A short strip's centre line (an arm of a small cross has too few
// cross-sections to go by): through all its pixels that lie within a
// narrow angle of its direction as seen from the crossing.
std::optional<StripLine> ConeLine(const std::vector<Pixel> &pixels, double angle, double width)
{
    std::vector<cv::Point2f> strip;
    for (const Pixel &p : pixels) {
        const double off = std::abs(p.angle - angle);
        if (std::min(off, std::numbers::pi - off) <= kStripHalfAngle)
            strip.push_back(p.at);
    }
    if (double(strip.size()) < std::max(5.0, 0.25 * width * width))
        return std::nullopt;
    cv::Vec4f line;
    cv::fitLine(strip, line, cv::DIST_HUBER, 0, 0.01, 0.01);
    return StripLine{{line[2], line[3]}, {line[0], line[1]}};
}

// The crossing of the two main strips near a position: the tape pixels
// round it by direction, the two strongest directions, a centre line fitted
// through the pixels that lie in each direction, and where they meet.
// Nothing where there are no two strips (a notch in one strip, left where a
// dash of the other colour lies along it, is no crossing).
std::optional<cv::Point2d> MeetOfStrips(const cv::Mat &mask, cv::Point2d centre, double width, double horizon,
                                        std::vector<cv::Vec4d> *steepLines)
{
    const double inner = 0.6 * width;
    const double outer = std::max(4.0 * width, 12.0);
    const cv::Rect window = cv::Rect(int(centre.x - outer), int(centre.y - outer), int(2 * outer + 1),
                                     int(2 * outer + 1)) & cv::Rect(0, 0, mask.cols, mask.rows);
    std::vector<Pixel> pixels;
    std::array<double, kAngleBins> histogram{};
    for (int y = window.y; y < window.y + window.height; ++y) {
        for (int x = window.x; x < window.x + window.width; ++x) {
            if (mask.at<uchar>(y, x) == 0)
                continue;
            const double dx = x - centre.x, dy = y - centre.y;
            const double r2 = dx * dx + dy * dy;
            if (r2 < inner * inner || r2 > outer * outer)
                continue;
            double a = std::atan2(dy, dx);
            if (a < 0)
                a += std::numbers::pi;
            pixels.push_back({cv::Point2f(float(x), float(y)), a});
            histogram[std::min(kAngleBins - 1, int(a / std::numbers::pi * kAngleBins))] += 1;
        }
    }
    if (pixels.size() < 8)
        return std::nullopt;
    // Smoothed circularly, then the two peaks at least 25 degrees apart.
    std::array<double, kAngleBins> smooth{};
    for (int k = 0; k < kAngleBins; ++k)
        smooth[k] = histogram[(k + kAngleBins - 1) % kAngleBins] + 2 * histogram[k] + histogram[(k + 1) % kAngleBins];
    const int first = int(std::max_element(smooth.begin(), smooth.end()) - smooth.begin());
    int second = -1;
    // The second strip is a peak of its own, not the shoulder of the first.
    for (int k = 0; k < kAngleBins; ++k) {
        const int apart = std::min(std::abs(k - first), kAngleBins - std::abs(k - first));
        const bool peak = smooth[k] >= smooth[(k + 1) % kAngleBins]
                          && smooth[k] >= smooth[(k + kAngleBins - 1) % kAngleBins];
        if (apart >= 5 && peak && (second < 0 || smooth[k] > smooth[second]))
            second = k;
    }
    if (second < 0 || smooth[second] < kMinorStrip * smooth[first])
        return std::nullopt;

    std::vector<StripLine> strips;
    for (int peak : {first, second}) {
        const double angle = (peak + 0.5) * std::numbers::pi / kAngleBins;
        auto line = CentreLine(mask, centre, angle, width, inner, outer, horizon);
        if (!line)
            line = ConeLine(pixels, angle, width);
        if (!line)
            return std::nullopt;
        strips.push_back(*line);
    }
    const auto met = Meet(strips[0], strips[1]);
    if (met && steepLines) {
        for (const StripLine &strip : strips)
            if (std::abs(strip.direction.y) > std::abs(strip.direction.x))
                steepLines->push_back({strip.point.x, strip.point.y, strip.direction.x, strip.direction.y});
    }
    return met;
}

// The middle of a short level bar through a position: a cross far from the
// camera shows little more than its arm across the direction of view (the
// other arm points away and shrinks to a stub, and the dashed line it marks
// ends there), so its centre is the middle of that arm. The bar is found
// as the rows near the position whose run of tape through it is the
// longest; it must be clearly longer than thick.
std::optional<cv::Point2d> BarCentre(const cv::Mat &mask, cv::Point2d near, double width)
{
    struct Run {
        int row;
        double middle, length;
    };
    std::vector<Run> runs;
    const int x0 = int(std::lround(near.x));
    for (int y = int(near.y - width); y <= int(near.y + width); ++y) {
        if (y < 0 || y >= mask.rows || x0 < 0 || x0 >= mask.cols)
            continue;
        const uchar *row = mask.ptr<uchar>(y);
        int start = -1;
        for (int d = 0; d <= int(width) && start < 0; ++d) {
            if (x0 - d >= 0 && row[x0 - d])
                start = x0 - d;
            else if (x0 + d < mask.cols && row[x0 + d])
                start = x0 + d;
        }
        if (start < 0)
            continue;
        int low = start, high = start;
        while (low > 0 && row[low - 1])
            --low;
        while (high + 1 < mask.cols && row[high + 1])
            ++high;
        runs.push_back({y, (low + high) / 2.0, double(high - low + 1)});
    }
    if (runs.empty())
        return std::nullopt;
    const double longest = std::max_element(runs.begin(), runs.end(), [](const Run &a, const Run &b) {
                               return a.length < b.length;
                           })->length;
    double sumY = 0, sumX = 0, left = 1e9, right = -1e9;
    int count = 0;
    for (const Run &r : runs) {
        if (r.length >= 0.8 * longest) {
            sumY += r.row;
            sumX += r.middle;
            left = std::min(left, r.middle);
            right = std::max(right, r.middle);
            ++count;
        }
    }
    // Level: its rows' middles stay together (a slanting dash's move along).
    if (longest < 2.5 * count || longest > 8 * width || right - left > 0.5 * count + 1)
        return std::nullopt;
    return cv::Point2d(sumX / count, sumY / count);
}

// The crossing near a coarse position, to a fraction of a pixel: the meet
// of the strips, looked for again from there (the directions are read the
// more truly the nearer the centre is); where no two strips meet, the
// middle of a level bar.
std::optional<cv::Point2d> RefineCrossing(const cv::Mat &mask, cv::Point2d coarse, double width, double horizon,
                                          bool bars, std::vector<cv::Vec4d> *steepLines)
{
    std::optional<cv::Point2d> at = coarse;
    for (int pass = 0; pass < 2 && at; ++pass) {
        at = MeetOfStrips(mask, *at, width, horizon, pass == 1 ? steepLines : nullptr);
        if (at && std::hypot(at->x - coarse.x, at->y - coarse.y) > 1.5 * width)
            return std::nullopt;
    }
    return at ? at : bars ? BarCentre(mask, coarse, width) : std::nullopt;
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
    // OpenCV's pixel centres lie on integer positions, the mappings' half a
    // pixel further on (pixel c covers [c, c + 1)).
    const cv::Matx33d toCentres(1, 0, -0.5, 0, 1, -0.5, 0, 0, 1);
    const cv::Matx33d fromCentres(1, 0, 0.5, 0, 1, 0.5, 0, 0, 1);
    cv::warpPerspective(picture, straight, cv::Mat(toCentres * gridToStraight * pictureToGrid * fromCentres), size,
                        cv::INTER_LINEAR,
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
        cv::inRange(hsv, cv::Scalar(18, 50, 60), cv::Scalar(38, 255, 255), mask);
    else
        cv::inRange(hsv, cv::Scalar(4, 80, 60), cv::Scalar(17, 255, 255), mask);
    BridgeGridLines(mask);
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(mask, labels, stats, centroids, 8);
    std::vector<uchar> keep(size_t(count), 1);
    for (int n = 1; n < count; ++n)
        keep[size_t(n)] = stats.at<int>(n, cv::CC_STAT_AREA) >= 10;
    for (int y = 0; y < mask.rows; ++y) {
        uchar *row = mask.ptr<uchar>(y);
        const int *label = labels.ptr<int>(y);
        for (int x = 0; x < mask.cols; ++x)
            if (row[x] && !keep[size_t(label[x])])
                row[x] = 0;
    }
    return mask;
}

std::vector<MarkFinder::Junction> MarkFinder::Junctions(const cv::Mat &mask)
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
            if (row[x] && StripsAround(mask, x, y, int(2.2 * half[x] + 0.5)) >= 3)
                junction.at<uchar>(y, x) = 255;
        }
    }
    cv::Mat labels, stats, centroids;
    const int count = cv::connectedComponentsWithStats(junction, labels, stats, centroids, 8);
    std::vector<Junction> junctions;
    for (int n = 1; n < count; ++n) {
        const cv::Point2d coarse(centroids.at<double>(n, 0), centroids.at<double>(n, 1));
        const cv::Rect box(stats.at<int>(n, cv::CC_STAT_LEFT), stats.at<int>(n, cv::CC_STAT_TOP),
                           stats.at<int>(n, cv::CC_STAT_WIDTH), stats.at<int>(n, cv::CC_STAT_HEIGHT));
        double deepest = 0;
        cv::minMaxLoc(distance(box), nullptr, &deepest);
        // A crossing's centre lies about 0.7 tape widths from any edge.
        const double width = std::max(2.0, 2.0 * deepest / 1.4);
        // A crossing of two strips leaves a patch about a tape width across.
        if (stats.at<int>(n, cv::CC_STAT_AREA) >= std::max(3.0, 0.15 * width * width))
            junctions.push_back({coarse, width});
    }
    return junctions;
}

std::vector<cv::Point2d> MarkFinder::Crossings(const cv::Mat &mask, const std::vector<Junction> &junctions,
                                               double horizon, bool bars, std::vector<cv::Vec4d> *steepLines)
{
    std::vector<cv::Point2d> crossings;
    for (const Junction &j : junctions)
        if (const auto crossing = RefineCrossing(mask, j.coarse, j.width, horizon, bars, steepLines))
            crossings.push_back(*crossing);
    return crossings;
}

double MarkFinder::HorizonRow(const std::vector<cv::Vec4d> &steepLines, double middle)
{
    // The side lines run towards one point on the horizon: where the lines
    // left of the middle meet those right of it.
    std::vector<double> rows;
    for (const cv::Vec4d &l : steepLines) {
        for (const cv::Vec4d &r : steepLines) {
            if (l[0] >= middle || r[0] <= middle)
                continue;
            const auto met = Meet({{l[0], l[1]}, {l[2], l[3]}}, {{r[0], r[1]}, {r[2], r[3]}});
            if (met)
                rows.push_back(met->y);
        }
    }
    if (rows.empty())
        return std::nan("");
    std::nth_element(rows.begin(), rows.begin() + rows.size() / 2, rows.end());
    return rows[rows.size() / 2];
}

std::vector<MarkCandidate> MarkFinder::Find(const cv::Mat &bgr, const GridMapping &grid)
{
    const cv::Mat straight = Straighten(bgr, grid);
    const cv::Mat masks[] = {TapeMask(straight, Tape::Yellow), TapeMask(straight, Tape::Orange)};
    const std::vector<Junction> junctions[] = {Junctions(masks[0]), Junctions(masks[1])};
    // The side lines' crossings first, for the horizon they run towards.
    std::vector<cv::Vec4d> steep;
    Crossings(masks[0], junctions[0], std::nan(""), false, &steep);
    const double horizon = HorizonRow(steep, straight.cols / 2.0);
    std::vector<MarkCandidate> marks;
    for (int tape = 0; tape < 2; ++tape) {
        // Only the orange crosses on the curves end in a bar; a piece of a
        // yellow tick cut off by an orange dash is no mark.
        const bool bars = tape == 1;
        for (const cv::Point2d &crossing : Crossings(masks[tape], junctions[tape], horizon, bars)) {
            const QPointF at = FromStraight(crossing + cv::Point2d(0.5, 0.5)); // pixel centres, as above
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
