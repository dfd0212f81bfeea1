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
// The crossings and corners a side line has to go through to be taken for one.
constexpr int kSideLineMarks = 3;
// How far outside the side lines a mark may lie, in the distance between them.
constexpr double kOutsideSideLines = 0.04;
// A candidate this many times wider than tape where it lies is something else.
constexpr double kBroadest = 1.7;
// And one this much narrower is a speck or a scratch.
constexpr double kNarrowest = 0.35;
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

// The runs of tape on the circle round a pixel, as the directions of their
// middles (radians).
std::vector<double> RunsAround(const cv::Mat &mask, int x, int y, int radius)
{
    // The circle's radius is the one asked for brought within the circles
    // there are, so every sample is checked against the mask's edges.
    const Circle &circle = CircleOfRadius(radius);
    std::array<bool, kCircleSamples> on{};
    for (int k = 0; k < kCircleSamples; ++k) {
        const int sx = x + circle[k].x, sy = y + circle[k].y;
        on[k] = sx >= 0 && sy >= 0 && sx < mask.cols && sy < mask.rows && mask.at<uchar>(sy, sx) != 0;
    }
    std::vector<double> runs;
    for (int k = 0; k < kCircleSamples; ++k) {
        if (!on[k] || on[(k + kCircleSamples - 1) % kCircleSamples])
            continue;
        int length = 0;
        while (length < kCircleSamples && on[(k + length) % kCircleSamples])
            ++length;
        runs.push_back(2 * std::numbers::pi * (k + (length - 1) / 2.0) / kCircleSamples);
    }
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

// The two side lines, as lines x = a + b y through the crossings and
// corners that lie on them: every line the installer lays, and so every
// mark, lies between them or just outside; painted letters, a kerb, a verge
// lie farther out. The two steep lines through the most of them (at least
// three each), one each side of the middle; nullopt when there are not two.
struct SideLines {
    double leftA, leftB, rightA, rightB;
};

std::optional<SideLines> FindSideLines(const std::vector<cv::Point2d> &crossings, double middle, double horizon)
{
    struct Line {
        int count;
        double a, b;
    };
    std::vector<Line> left, right;
    const double row = crossings.empty() ? 0 : crossings.front().y;
    const double depth = crossings.empty() ? 0 : row - crossings.back().y;
    for (size_t i = 0; i < crossings.size(); ++i) {
        for (size_t j = i + 1; j < crossings.size(); ++j) {
            const cv::Point2d p = crossings[i], q = crossings[j];
            if (std::abs(q.y - p.y) < 10)
                continue;
            const double b = (q.x - p.x) / (q.y - p.y);
            if (std::abs(b) > 1.5) // a side line runs away from the camera
                continue;
            const double a = p.x - b * p.y;
            std::vector<double> rows;
            for (const cv::Point2d &r : crossings)
                if (std::abs(a + b * r.y - r.x) < 4.0)
                    rows.push_back(r.y);
            const int count = int(rows.size());
            if (count < kSideLineMarks)
                continue;
            // A side line's marks lie along it a metre or so apart, from the
            // base line well back: no gap of more than two thirds of their
            // reach on the ground (the letters of a word painted on the
            // ground line up with one far mark, but not along it).
            std::sort(rows.begin(), rows.end());
            double widestGap = 0;
            const auto ground = [&](double y) { return std::isfinite(horizon) ? 1.0 / std::max(1.0, y - horizon) : -y; };
            for (size_t k = 1; k < rows.size(); ++k)
                widestGap = std::max(widestGap, ground(rows[k - 1]) - ground(rows[k]));
            const double reach = ground(rows.front()) - ground(rows.back());
            if (rows.back() - rows.front() >= 0.3 * depth && widestGap <= 0.7 * reach)
                (a + b * row < middle ? left : right).push_back({count, a, b});
        }
    }
    // The pair through the most, running towards each other away from the
    // camera (to the horizon, where it is known); of pairs as good, the
    // innermost (a kerb or a row of letters lies outside the bay).
    std::optional<SideLines> best;
    int bestCount = 0;
    double bestSpread = 0;
    for (const Line &l : left) {
        for (const Line &r : right) {
            // Lines of a car's width run towards each other about as
            // steeply, whatever way the camera sits a little off the middle.
            if (l.b >= r.b || std::abs(l.b + r.b) > 0.5 * (std::abs(l.b) + std::abs(r.b)))
                continue;
            const double meet = (l.a - r.a) / (r.b - l.b);
            if (std::isfinite(horizon) && std::abs(meet - horizon) > 0.15 * std::max(50.0, row - horizon))
                continue;
            const double spread = (r.a + r.b * row) - (l.a + l.b * row);
            if (l.count + r.count > bestCount || (l.count + r.count == bestCount && spread < bestSpread)) {
                best = SideLines{l.a, l.b, r.a, r.b};
                bestCount = l.count + r.count;
                bestSpread = spread;
            }
        }
    }
    return best;
}

double Bilinear(const cv::Mat &image, cv::Point2d at)
{
    const int x = int(std::floor(at.x)), y = int(std::floor(at.y));
    if (x < 0 || y < 0 || x + 1 >= image.cols || y + 1 >= image.rows)
        return 0;
    const double fx = at.x - x, fy = at.y - y;
    const float *r0 = image.ptr<float>(y), *r1 = image.ptr<float>(y + 1);
    return (1 - fy) * ((1 - fx) * r0[x] + fx * r0[x + 1]) + fy * ((1 - fx) * r1[x] + fx * r1[x + 1]);
}

// The free end of a line near a position: where the tape of its centre
// line gives out, to a fraction of a pixel (where it stands out half as
// much as along the strip). Only the far end of a line that runs away from
// the camera counts (a side line or a curve that ends at its last mark):
// ticks, the arms of crosses and the dashes of a curve end everywhere, and
// a line that runs on a little past its last tick is no mark either.
std::optional<cv::Point2d> EndOfStrip(const cv::Mat &mask, const cv::Mat &standOut, const MarkFinder::Junction &end,
                                      const std::vector<MarkFinder::Junction> &others)
{
    const double width = end.width;
    const cv::Point centre(int(std::lround(end.coarse.x)), int(std::lround(end.coarse.y)));
    const std::vector<double> runs = RunsAround(mask, centre.x, centre.y, int(std::max(3.0, 1.5 * width)));
    if (runs.size() != 1)
        return std::nullopt;
    const cv::Point2d back(std::cos(runs[0]), std::sin(runs[0]));
    if (back.y < 0.7) // the tape runs on towards the camera
        return std::nullopt;
    double angle = std::atan2(back.y, back.x);
    if (angle < 0)
        angle += std::numbers::pi;
    const auto line = CentreLine(mask, end.coarse, angle, width, 0, std::max(6.0 * width, 20.0), std::nan(""));
    if (!line)
        return std::nullopt;
    cv::Point2d d = line->direction * (1.0 / std::hypot(line->direction.x, line->direction.y));
    if (d.dot(back) < 0)
        d = -d;
    // The coarse end on the centre line.
    const cv::Point2d origin = line->point + d * (end.coarse - line->point).dot(d);
    // Unbroken behind: a dash of a dashed curve is short.
    for (double t = width; t <= 5 * width; t += 1.0) {
        const cv::Point2d p = origin + d * t;
        const int x = int(std::lround(p.x)), y = int(std::lround(p.y));
        if (x < 0 || y < 0 || x >= mask.cols || y >= mask.rows || !mask.at<uchar>(y, x))
            return std::nullopt;
    }
    for (const MarkFinder::Junction &j : others)
        if (j.strips >= 2 && std::hypot(j.coarse.x - origin.x, j.coarse.y - origin.y) < 3 * width)
            return std::nullopt;
    std::vector<double> along;
    for (double t = width; t <= 3 * width; t += 0.5)
        along.push_back(Bilinear(standOut, origin + d * t));
    std::nth_element(along.begin(), along.begin() + along.size() / 2, along.end());
    const double half = along[along.size() / 2] / 2;
    double previous = Bilinear(standOut, origin + d * width);
    for (double t = width - 0.25; t >= -3 * width; t -= 0.25) {
        const double now = Bilinear(standOut, origin + d * t);
        if (now < half) {
            const double share = (previous - half) / std::max(1e-6, previous - now);
            return origin + d * (t + 0.25 * (1 - share));
        }
        previous = now;
    }
    return std::nullopt;
}

// How sure a candidate is: by how its strips meet (a crossing or tee is
// what an installer lays; a corner may be where tape was cut; a free end
// may be any strip's) and by how clearly the tape stands out there.
double Confidence(int strips, const cv::Mat &standOut, cv::Point2d at)
{
    const double kind = strips >= 3 ? 1.0 : strips == 2 ? 0.8 : 0.45;
    double sum = 0;
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            sum += Bilinear(standOut, at + cv::Point2d(dx, dy));
    const double clear = (sum / 9 - MarkFinder::kStandOut) / (2.5 * MarkFinder::kStandOut);
    return kind * std::clamp(0.35 + 0.65 * clear, 0.2, 1.0);
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

MarkFinder::Tapes MarkFinder::FindTapes(const cv::Mat &straightBgr)
{
    // The module's grid lines, and a little round them: drawn over the
    // camera picture, they stand out as white tape would (coloured tape
    // under them keeps its hue).
    cv::Mat rowBands = cv::Mat::zeros(straightBgr.size(), CV_8U), columnBands = rowBands.clone();
    for (int j = 0; j <= 10; ++j) {
        const int y = int(std::lround(ToStraight(QPointF(0, j + 0.5 / Grid::kCellHeight)).y));
        cv::rectangle(rowBands, cv::Rect(0, y - 2, rowBands.cols, 5), cv::Scalar(255), cv::FILLED);
    }
    for (int i = 0; i <= 10; ++i) {
        const double gx = i < Grid::kCells ? i + 0.5 / Grid::kCellWidth : Grid::kCells - 0.5 / Grid::kCellWidth;
        const int x = int(std::lround(ToStraight(QPointF(gx, 0)).x));
        cv::rectangle(columnBands, cv::Rect(x - 2, 0, 5, columnBands.rows), cv::Scalar(255), cv::FILLED);
    }
    const cv::Mat grid = rowBands | columnBands;
    // Grey world: the ground behind a car is grey on the whole (asphalt,
    // concrete), so the median of each channel over the picture is what
    // the light and the camera made of grey.
    cv::Mat inside;
    cv::bitwise_not(grid, inside);
    std::vector<cv::Mat> channels;
    cv::split(straightBgr, channels);
    double medians[3];
    for (int c = 0; c < 3; ++c) {
        int histogram[256] = {};
        int total = 0;
        for (int y = 0; y < straightBgr.rows; ++y) {
            const uchar *row = channels[size_t(c)].ptr<uchar>(y);
            const uchar *use = inside.ptr<uchar>(y);
            for (int x = 0; x < straightBgr.cols; ++x)
                if (use[x] && row[x] > 8) { // not the black outside the photo
                    ++histogram[row[x]];
                    ++total;
                }
        }
        int seen = 0, v = 0;
        while (v < 255 && (seen += histogram[v]) < total / 2)
            ++v;
        medians[c] = std::max(1, v);
    }
    const double grey = (medians[0] + medians[1] + medians[2]) / 3.0;
    cv::Mat balanced;
    straightBgr.convertTo(balanced, CV_32FC3, 1.0 / 255.0);
    cv::multiply(balanced, cv::Scalar(grey / medians[0], grey / medians[1], grey / medians[2]), balanced);
    cv::min(balanced, 1.0, balanced);
    // Beyond the photo's edge the straightened picture is black; a little
    // way in from the edge nothing counts.
    cv::Mat outside, inPhoto;
    cv::inRange(straightBgr, cv::Scalar::all(0), cv::Scalar::all(0), outside);
    cv::dilate(outside, outside, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(7, 7)));
    cv::bitwise_not(outside, inPhoto);
    // The sensor's noise would scatter a strip's pixels over two families.
    cv::GaussianBlur(balanced, balanced, cv::Size(5, 5), 1.0);

    // The ground round each pixel: a median over an area much wider than
    // the widest tape, taken at a quarter of the size.
    cv::Mat small, small8, ground8, ground;
    cv::resize(balanced, small, cv::Size(), 0.25, 0.25, cv::INTER_AREA);
    // Beyond the edge the ground goes on as it is at the edge, so that the
    // edge does not stand out from the black.
    cv::Mat known;
    cv::resize(inPhoto, known, small.size(), 0, 0, cv::INTER_NEAREST);
    known.convertTo(known, CV_32F, 1.0 / 255.0);
    for (int pass = 0; pass < 40 && size_t(cv::countNonZero(known)) < known.total(); ++pass) {
        cv::Mat weighted, weight, known3;
        cv::merge(std::vector<cv::Mat>{known, known, known}, known3);
        cv::boxFilter(small.mul(known3), weighted, -1, cv::Size(3, 3), cv::Point(-1, -1), false);
        cv::boxFilter(known, weight, -1, cv::Size(3, 3), cv::Point(-1, -1), false);
        for (int y = 0; y < small.rows; ++y)
            for (int x = 0; x < small.cols; ++x)
                if (known.at<float>(y, x) == 0 && weight.at<float>(y, x) > 0) {
                    small.at<cv::Vec3f>(y, x) = weighted.at<cv::Vec3f>(y, x) / weight.at<float>(y, x);
                    known.at<float>(y, x) = -1; // filled in this pass
                }
        known.setTo(1.0f, known < 0);
    }
    small.convertTo(small8, CV_8UC3, 255.0);
    cv::medianBlur(small8, ground8, 31);
    ground8.convertTo(ground, CV_32FC3, 1.0 / 255.0);
    cv::resize(ground, ground, balanced.size(), 0, 0, cv::INTER_LINEAR);
    cv::Mat lab, groundLab;
    cv::cvtColor(balanced, lab, cv::COLOR_BGR2Lab);
    cv::cvtColor(ground, groundLab, cv::COLOR_BGR2Lab);

    // How light the grid's lines come out in the photo: the median over
    // their band. White or beige tape under a line is lighter still.
    double gridLight = 100;
    {
        std::vector<float> light;
        for (int y = 0; y < lab.rows; y += 2) {
            const cv::Vec3f *p = lab.ptr<cv::Vec3f>(y);
            const uchar *gridRow = grid.ptr<uchar>(y);
            for (int x = 0; x < lab.cols; x += 2)
                if (gridRow[x])
                    light.push_back(p[x][0]);
        }
        if (!light.empty()) {
            std::nth_element(light.begin(), light.begin() + light.size() / 2, light.end());
            gridLight = light[light.size() / 2];
        }
    }
    Tapes tapes;
    cv::Mat inBand = cv::Mat::zeros(lab.size(), CV_8U); // 1 + the family a pixel under a grid line looks
    tapes.standOut = cv::Mat::zeros(lab.size(), CV_32F);
    for (cv::Mat &m : tapes.mask)
        m = cv::Mat::zeros(lab.size(), CV_8U);
    constexpr double kDegrees = 180.0 / std::numbers::pi;
    for (int y = 0; y < lab.rows; ++y) {
        const cv::Vec3f *p = lab.ptr<cv::Vec3f>(y);
        const cv::Vec3f *g = groundLab.ptr<cv::Vec3f>(y);
        const uchar *gridRow = grid.ptr<uchar>(y);
        float *out = tapes.standOut.ptr<float>(y);
        for (int x = 0; x < lab.cols; ++x) {
            // Tape is lighter than its ground or more colourful; shadows,
            // oil and dark paint are not tape.
            const double dl = std::max(0.0f, p[x][0] - g[x][0]);
            const double da = p[x][1] - g[x][1], db = p[x][2] - g[x][2];
            const double chroma = std::hypot(da, db);
            const double away = std::hypot(dl, chroma);
            if (!inPhoto.at<uchar>(y, x))
                continue;
            out[x] = float(away);
            if (away < kStandOut)
                continue;
            // The direction of the difference tells white and beige tape
            // (mostly lighter) from coloured tape, whatever share of a
            // pixel it covers; the hue tells the colours apart.
            Family family;
            if (gridRow[x] && std::hypot(p[x][1], p[x][2]) < 10) {
                // The grid's own lines are light; white tape under them is
                // lighter.
                if (p[x][0] < gridLight + 10 || chroma >= 1.1 * dl)
                    continue;
                family = chroma < 0.25 * dl ? Family::Light : Family::Pale;
            } else if (gridRow[x] || chroma >= 1.1 * dl) {
                // Coloured tape keeps its hue under a grid line.
                const double hue = std::atan2(p[x][2], p[x][1]) * kDegrees;
                if (hue < -30 || hue > 125 || chroma < 12) // grass, sky, blue paint: not tape
                    continue;
                family = hue < 42 ? Family::Red : hue < 76 ? Family::Orange : Family::Yellow;
            } else {
                family = chroma < 0.25 * dl ? Family::Light : Family::Pale;
            }
            if (gridRow[x]) {
                inBand.at<uchar>(y, x) = uchar(1 + int(family));
                continue;
            }
            tapes.mask[int(family)].at<uchar>(y, x) = 255;
        }
    }
    // Under a grid line the colours mix with the line's grey: beige comes
    // out yellow there, and is taken for beige where beige lies beside.
    constexpr int kBeside = 4;
    const cv::Mat &pale = tapes.mask[int(Family::Pale)];
    for (int y = 0; y < lab.rows; ++y) {
        for (int x = 0; x < lab.cols; ++x) {
            int code = inBand.at<uchar>(y, x);
            if (!code)
                continue;
            if (code - 1 == int(Family::Yellow)) {
                bool beside = false;
                for (int d = 3; d <= kBeside && !beside; ++d) {
                    if (rowBands.at<uchar>(y, x))
                        beside = (y - d >= 0 && pale.at<uchar>(y - d, x)) || (y + d < lab.rows && pale.at<uchar>(y + d, x));
                    if (columnBands.at<uchar>(y, x) && !beside)
                        beside = (x - d >= 0 && pale.at<uchar>(y, x - d)) || (x + d < lab.cols && pale.at<uchar>(y, x + d));
                }
                if (beside)
                    code = 1 + int(Family::Pale);
            }
            tapes.mask[code - 1].at<uchar>(y, x) = 255;
        }
    }
    // Where tape of another colour lies across a strip (a curve's dash over
    // a tick), the strip goes on under it.
    cv::Mat anyTape = cv::Mat::zeros(lab.size(), CV_8U);
    for (const cv::Mat &mask : tapes.mask)
        anyTape |= mask;
    const cv::Mat across = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(9, 9));
    for (cv::Mat &mask : tapes.mask) {
        cv::Mat closed;
        cv::morphologyEx(mask, closed, cv::MORPH_CLOSE, across);
        mask |= closed & anyTape;
    }
    for (cv::Mat &mask : tapes.mask) {
        // Specks (the ground's grain) are no tape. A far tick across the
        // view is only two pixels high, but long.
        cv::Mat level, steep;
        cv::morphologyEx(mask, level, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(3, 1)));
        cv::morphologyEx(mask, steep, cv::MORPH_OPEN, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(1, 3)));
        mask = level | steep;
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
    }
    return tapes;
}

std::vector<MarkFinder::Junction> MarkFinder::Junctions(const cv::Mat &mask)
{
    cv::Mat distance, nearMost;
    cv::distanceTransform(mask, distance, cv::DIST_L2, 3);
    cv::dilate(distance, nearMost, cv::getStructuringElement(cv::MORPH_RECT, cv::Size(5, 5)));

    // Tape pixels from which three or more strips leave: where strips cross
    // or meet. The circle is a little wider than the tape there. On a
    // strip's middle, two strips leaving at an angle make a corner, one
    // alone an end.
    cv::Mat kinds[3] = {cv::Mat::zeros(mask.size(), CV_8U), cv::Mat::zeros(mask.size(), CV_8U),
                        cv::Mat::zeros(mask.size(), CV_8U)};
    for (int y = 0; y < mask.rows; ++y) {
        const uchar *row = mask.ptr<uchar>(y);
        const float *half = distance.ptr<float>(y);
        const float *most = nearMost.ptr<float>(y);
        for (int x = 0; x < mask.cols; ++x) {
            if (!row[x])
                continue;
            const std::vector<double> runs = RunsAround(mask, x, y, int(2.2 * half[x] + 0.5));
            if (runs.size() >= 3) {
                kinds[2].at<uchar>(y, x) = 255;
            } else if (half[x] >= 1.5 && half[x] >= 0.85 * most[x]) {
                if (runs.size() == 1) {
                    kinds[0].at<uchar>(y, x) = 255;
                } else if (runs.size() == 2) {
                    const double apart = std::abs(std::remainder(runs[0] - runs[1], 2 * std::numbers::pi));
                    if (apart < std::numbers::pi * (1 - 45.0 / 180))
                        kinds[1].at<uchar>(y, x) = 255;
                }
            }
        }
    }
    std::vector<Junction> junctions;
    for (int kind = 0; kind < 3; ++kind) {
        cv::Mat labels, stats, centroids;
        const int count = cv::connectedComponentsWithStats(kinds[kind], labels, stats, centroids, 8);
        for (int n = 1; n < count; ++n) {
            const cv::Point2d coarse(centroids.at<double>(n, 0), centroids.at<double>(n, 1));
            const cv::Rect box(stats.at<int>(n, cv::CC_STAT_LEFT), stats.at<int>(n, cv::CC_STAT_TOP),
                               stats.at<int>(n, cv::CC_STAT_WIDTH), stats.at<int>(n, cv::CC_STAT_HEIGHT));
            double deepest = 0;
            cv::minMaxLoc(distance(box), nullptr, &deepest);
            const int area = stats.at<int>(n, cv::CC_STAT_AREA);
            if (kind == 2) {
                // A crossing's centre lies about 0.7 tape widths from any edge.
                const double width = std::max(2.0, 2.0 * deepest / 1.4);
                // A crossing of two strips leaves a patch about a tape width across.
                if (area >= std::max(3.0, 0.15 * width * width))
                    junctions.push_back({coarse, width, 3});
            } else {
                // On a strip's middle the distance to its edges is half its width.
                cv::minMaxLoc(distance((box + cv::Size(4, 4) - cv::Point(2, 2)) & cv::Rect(0, 0, mask.cols, mask.rows)),
                              nullptr, &deepest);
                const double width = std::max(2.0, 2.0 * deepest);
                if (area >= 2)
                    junctions.push_back({coarse, width, kind + 1});
            }
        }
    }
    return junctions;
}

std::vector<cv::Point2d> MarkFinder::Crossings(const cv::Mat &mask, const std::vector<Junction> &junctions,
                                               double horizon, bool bars, std::vector<cv::Vec4d> *steepLines)
{
    std::vector<cv::Point2d> crossings;
    for (const Junction &j : junctions) {
        if (j.strips < 3)
            continue;
        if (const auto crossing = RefineCrossing(mask, j.coarse, j.width, horizon, bars, steepLines))
            crossings.push_back(*crossing);
    }
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
    const Tapes tapes = FindTapes(straight);
    std::vector<Junction> junctions[kFamilies];
    for (int f = 0; f < kFamilies; ++f)
        junctions[f] = Junctions(tapes.mask[f]);
    // The side lines' crossings first, for the horizon they run towards.
    std::vector<cv::Vec4d> steep;
    for (int f = 0; f < kFamilies; ++f)
        Crossings(tapes.mask[f], junctions[f], std::nan(""), false, &steep);
    const double horizon = HorizonRow(steep, straight.cols / 2.0);
    struct Seen {
        cv::Point2d at;
        double width;
        int strips;
    };
    std::vector<Seen> seen;
    for (int f = 0; f < kFamilies; ++f) {
        for (const Junction &j : junctions[f]) {
            const auto found = j.strips >= 2
                                   ? RefineCrossing(tapes.mask[f], j.coarse, j.width, horizon, j.strips >= 3, nullptr)
                                   : EndOfStrip(tapes.mask[f], tapes.standOut, j, junctions[f]);
            if (found)
                seen.push_back({*found, j.width, j.strips});
        }
    }
    // Tape on the ground looks the narrower the nearer it lies to the
    // horizon, in proportion; painted letters, a kerb's stripes and other
    // broad shapes are wider than the tape where they lie. The tape's
    // proportion is the middle one of the crossings (most are tape).
    double usual = 0;
    if (std::isfinite(horizon)) {
        std::vector<double> shares;
        for (const Seen &c : seen)
            if (c.strips >= 3 && c.at.y > horizon + 1 && c.width >= 3)
                shares.push_back(c.width / (c.at.y - horizon));
        if (shares.size() >= 4) {
            std::nth_element(shares.begin(), shares.begin() + shares.size() / 2, shares.end());
            usual = shares[shares.size() / 2];
        }
    }
    std::vector<cv::Point2d> crossings;
    for (const Seen &c : seen)
        if (c.strips >= 2 && std::none_of(crossings.begin(), crossings.end(), [&](cv::Point2d p) {
                return std::hypot(p.x - c.at.x, p.y - c.at.y) < 4.0;
            }))
            crossings.push_back(c.at);
    // The nearest first: the lines are compared at the nearest one's row.
    std::sort(crossings.begin(), crossings.end(), [](cv::Point2d a, cv::Point2d b) { return a.y > b.y; });
    const std::optional<SideLines> sides = FindSideLines(crossings, straight.cols / 2.0, horizon);
    std::vector<MarkCandidate> marks;
    for (const Seen &c : seen) {
        if (usual > 0 && (c.width > kBroadest * usual * std::max(1.0, c.at.y - horizon)
                          || c.width < kNarrowest * usual * (c.at.y - horizon)))
            continue;
        if (sides) {
            const double leftX = sides->leftA + sides->leftB * c.at.y, rightX = sides->rightA + sides->rightB * c.at.y;
            const double margin = kOutsideSideLines * (rightX - leftX);
            if (c.at.x < leftX - margin || c.at.x > rightX + margin)
                continue;
        }
        const QPointF at = FromStraight(c.at + cv::Point2d(0.5, 0.5)); // pixel centres, as above
        if (at.x() < -kOutsideUnits || at.y() < -kOutsideUnits || at.x() > 10 + kOutsideUnits
            || at.y() > 10 + kOutsideUnits)
            continue;
        const double confidence = Confidence(c.strips, tapes.standOut, c.at);
        const auto known = std::find_if(marks.begin(), marks.end(), [&](const MarkCandidate &m) {
            return std::hypot(m.grid.x() - at.x(), m.grid.y() - at.y()) < kSameMarkUnits;
        });
        if (known == marks.end())
            marks.push_back({at, grid.ToPicture(at), confidence});
        else if (known->confidence < confidence)
            *known = {at, grid.ToPicture(at), confidence};
    }
    // Reading order: rows of marks from the top, left to right in a row.
    std::sort(marks.begin(), marks.end(), [](const MarkCandidate &a, const MarkCandidate &b) {
        if (std::abs(a.grid.y() - b.grid.y()) > 0.3)
            return a.grid.y() < b.grid.y();
        return a.grid.x() < b.grid.x();
    });
    // The confident first, so that they are numbered and visited first.
    std::stable_partition(marks.begin(), marks.end(),
                          [](const MarkCandidate &m) { return m.confidence >= MarkCandidate::kConfident; });
    return marks;
}
