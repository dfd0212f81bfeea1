#include "MarkProposal.h"

#include <QLineF>

#include <algorithm>
#include <bit>
#include <array>
#include <cmath>
#include <limits>

namespace MarkProposal {

namespace {

// Marks of one row across the ground differ this much in height at most
// (grid units): the base line runs straight across the picture.
constexpr double kRowTolerance = 0.35;
// The manual asks for the base line 10 cm behind the bumper; the side
// lines' marks count their metres from the bumper.
constexpr double kBaseLineM = 0.1;
constexpr std::array<double, 4> kMetres{1, 2, 3, 4};
// More marks along a side line than this are not worth sorting out.
constexpr int kMostAlongLine = 8;
constexpr double kNoFit = std::numeric_limits<double>::infinity();
// A turning curve's second cross lies at least this many times farther
// inside the side line than its first (an arc leaving the line along it,
// the farther cross twice as far along; the perspective eats part of it).
constexpr double kBend = 1.6;

using Slots = std::array<int, kSlotCount>;

struct Side {
    int end;         // slot of the base line's end on this side
    int firstMetre;  // slot of the side line's 1 m mark
    int curve;       // slot of the curve's second point
    double outward;  // -1 left, +1 right
};
constexpr Side kSides[] = {{0, 4, 14, -1}, {2, 9, 19, +1}};

double Cross(QPointF a, QPointF b)
{
    return a.x() * b.y() - a.y() * b.x();
}

QPointF Unit(QPointF v)
{
    const double length = std::hypot(v.x(), v.y());
    return length > 0 ? v / length : QPointF(0, -1);
}

// How well marks at distances s along the line (from the base line's end)
// fit ground distances u behind the base line under a perspective
// s = A u / (1 + B u): the squared misfit, kNoFit when no such view fits.
double PerspectiveMisfit(const std::vector<double> &s, const std::vector<double> &u)
{
    // s = A u - B (s u): linear least squares in A and B.
    double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double r1 = u[i], r2 = -s[i] * u[i];
        a11 += r1 * r1;
        a12 += r1 * r2;
        a22 += r2 * r2;
        b1 += r1 * s[i];
        b2 += r2 * s[i];
    }
    const double det = a11 * a22 - a12 * a12;
    if (!(std::abs(det) > 1e-12))
        return kNoFit;
    const double a = (b1 * a22 - b2 * a12) / det;
    const double b = (a11 * b2 - a12 * b1) / det;
    // Forward along the line, and the far end still in front of the lens.
    if (!(a > 0) || !(1 + b * u.back() > 0))
        return kNoFit;
    double misfit = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const double d = s[i] - a * u[i] / (1 + b * u[i]);
        misfit += d * d;
    }
    return misfit;
}

class Reader {
public:
    explicit Reader(const std::vector<QPointF> &marks) : marks_(marks), used_(marks.size(), false)
    {
        proposed_.fill(-1);
        for (size_t i = 0; i < marks.size(); ++i)
            if (std::isfinite(marks[i].x()) && std::isfinite(marks[i].y()))
                valid_.push_back(static_cast<int>(i));
    }

    Slots Read()
    {
        ReadBaseLine();
        // The side lines first: the curves lie between them.
        for (int i = 0; i < 2; ++i)
            ReadSideLine(kSides[i], lines_[i]);
        for (int i = 0; i < 2; ++i)
            ReadCurve(kSides[i], lines_[i]);
        proposed_[3] = proposed_[13] = proposed_[0];
        proposed_[8] = proposed_[18] = proposed_[2];
        return proposed_;
    }

private:
    QPointF At(int index) const { return marks_[index]; }

    void ReadBaseLine()
    {
        std::vector<int> order = valid_;
        std::sort(order.begin(), order.end(), [this](int a, int b) { return At(a).y() > At(b).y(); });
        if (order.empty())
            return;
        // The lowest row of two marks or more: a lone mark below it is no
        // tape (the bumper, a stone).
        std::vector<int> row;
        for (int i : order) {
            row.clear();
            for (int j : order)
                if (std::abs(At(j).y() - At(i).y()) <= kRowTolerance)
                    row.push_back(j);
            if (row.size() >= 2)
                break;
        }
        if (row.size() < 2)
            row = {order.front()};
        for (int i : row)
            used_[i] = true;
        const auto [left, right] = std::minmax_element(row.begin(), row.end(), [this](int a, int b) {
            return At(a).x() < At(b).x();
        });
        if (row.size() == 1) {
            // One end alone: the side of the grid's middle it lies on.
            proposed_[At(*left).x() < 5 ? 0 : 2] = *left;
            centreX_ = 5;
            return;
        }
        proposed_[0] = *left;
        proposed_[2] = *right;
        span_ = At(*right).x() - At(*left).x();
        centreX_ = (At(*left).x() + At(*right).x()) / 2;
        double nearest = 0.15 * span_;
        for (int i : row) {
            const double off = std::abs(At(i).x() - centreX_);
            if (i != *left && i != *right && off <= nearest) {
                nearest = off;
                proposed_[1] = i;
            }
        }
        if (proposed_[1] >= 0)
            centreX_ = At(proposed_[1]).x();
    }

    struct Line {
        bool endFound = false;
        bool found = false;
        QPointF end;
        QPointF direction{0, -1}; // up the picture
        // x of the line at height y.
        double XAt(double y) const
        {
            return direction.y() < -1e-9 ? end.x() + direction.x() * (y - end.y()) / direction.y() : end.x();
        }
    };

    // x of the car's centre line at height y: midway between the side lines
    // (a perspective keeps the middle of one depth in the middle).
    double CentreAt(double y) const
    {
        if (lines_[0].found && lines_[1].found)
            return (lines_[0].XAt(y) + lines_[1].XAt(y)) / 2;
        return centreX_;
    }

    // Marks above the base line, not yet taken, on this side of the centre
    // line (loosely: the side line leans in towards the far middle).
    std::vector<int> Above(const Side &side, QPointF end, double slack) const
    {
        std::vector<int> found;
        for (int i : valid_)
            if (!used_[i] && At(i).y() < end.y() - kRowTolerance
                && (At(i).x() - CentreAt(At(i).y())) * side.outward > -slack)
                found.push_back(i);
        return found;
    }

    // How far off its line a mark along it may be: the finder's error, well
    // short of a curve's first cross beside the side line.
    double LineTolerance() const { return std::clamp(0.012 * span_, 0.08, 0.15); }

    // The marks within tolerance of the line from end along direction, and
    // how far off they lie in all.
    std::vector<int> OnLine(const std::vector<int> &marks, QPointF end, QPointF direction, double &spread) const
    {
        std::vector<int> on;
        spread = 0;
        for (int i : marks) {
            const double off = std::abs(Cross(direction, At(i) - end));
            if (off <= LineTolerance()) {
                on.push_back(i);
                spread += off;
            }
        }
        return on;
    }

    // The direction from end that fits the marks best (least squares on a
    // line held at end).
    QPointF FittedDirection(const std::vector<int> &marks, QPointF end, QPointF guess) const
    {
        double xx = 0, xy = 0, yy = 0;
        for (int i : marks) {
            const QPointF d = At(i) - end;
            xx += d.x() * d.x();
            xy += d.x() * d.y();
            yy += d.y() * d.y();
        }
        const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
        const QPointF fitted(std::cos(angle), std::sin(angle));
        return QPointF::dotProduct(fitted, guess) < 0 ? -fitted : fitted;
    }

    void ReadSideLine(const Side &side, Line &line)
    {
        if (proposed_[side.end] < 0)
            return;
        const QPointF end = At(proposed_[side.end]);
        line.endFound = true;
        line.end = end;
        const std::vector<int> above = Above(side, end, 0.25 * span_);
        // The side line: the line from the end through the most marks, then
        // fitted to them.
        std::vector<int> best;
        double bestSpread = kNoFit;
        QPointF direction(0, -1);
        for (int through : above) {
            QPointF d = Unit(At(through) - end);
            double spread = 0;
            std::vector<int> on = OnLine(above, end, d, spread);
            d = FittedDirection(on, end, d);
            on = OnLine(above, end, d, spread);
            if (on.size() > best.size() || (on.size() == best.size() && spread < bestSpread)) {
                best = std::move(on);
                bestSpread = spread;
                direction = d;
            }
        }
        if (best.size() >= 2) {
            ReadMetres(side, end, direction, best);
            line.found = true;
            line.direction = direction;
        }
    }

    // Which marks along the side line are which metre: the perspective that
    // fits them best, the lowest metres first among equals.
    void ReadMetres(const Side &side, QPointF end, QPointF direction, std::vector<int> on)
    {
        auto along = [&](int i) { return QPointF::dotProduct(At(i) - end, direction); };
        std::sort(on.begin(), on.end(), [&](int a, int b) { return along(a) < along(b); });
        if (on.size() > kMostAlongLine)
            on.resize(kMostAlongLine);
        const int n = static_cast<int>(on.size());
        const int k = std::min<int>(n, kMetres.size());
        const double scale = along(on.back()) * along(on.back());
        double bestMisfit = kNoFit;
        std::vector<int> bestMarks, bestMetres;
        // Every choice of k marks (in order) and k metres (in order), as bit masks.
        for (unsigned markMask = 0; markMask < (1u << n); ++markMask) {
            if (std::popcount(markMask) != k)
                continue;
            for (unsigned metreMask = 0; metreMask < (1u << kMetres.size()); ++metreMask) {
                if (std::popcount(metreMask) != k)
                    continue;
                std::vector<double> s, u;
                std::vector<int> marks, metres;
                for (int i = 0; i < n; ++i)
                    if (markMask & (1u << i)) {
                        s.push_back(along(on[i]));
                        marks.push_back(on[i]);
                    }
                for (int m = 0; m < static_cast<int>(kMetres.size()); ++m)
                    if (metreMask & (1u << m)) {
                        u.push_back(kMetres[m] - kBaseLineM);
                        metres.push_back(m);
                    }
                const double misfit = PerspectiveMisfit(s, u) / std::max(scale, 1e-9);
                // Exact fits (two marks) tie: the first, lowest metres, stays.
                if (misfit + 1e-6 < bestMisfit || (bestMarks.empty() && misfit < kNoFit)) {
                    bestMisfit = misfit;
                    bestMarks = marks;
                    bestMetres = metres;
                }
            }
        }
        if (bestMarks.empty()) {
            // No perspective fits: bottom up, as far as they go.
            for (int i = 0; i < k; ++i) {
                bestMarks.push_back(on[i]);
                bestMetres.push_back(i);
            }
        }
        for (size_t i = 0; i < bestMarks.size(); ++i) {
            proposed_[side.firstMetre + bestMetres[i]] = bestMarks[i];
            used_[bestMarks[i]] = true;
        }
    }

    // The curve's crosses: the mark nearest the base line's end clearly
    // inside the side line (not a speck of tape along it), then the nearest
    // one above that and much farther inside (the curve leaves the side
    // line along it and bends ever more).
    void ReadCurve(const Side &side, const Line &line)
    {
        if (!line.endFound)
            return;
        const QPointF end = line.end;
        QPointF inward(-line.direction.y(), line.direction.x());
        if (inward.x() * side.outward > 0)
            inward = -inward;
        const double tolerance = 2 * LineTolerance();
        auto inside = [&](int i) { return QPointF::dotProduct(At(i) - end, inward); };
        int previous = -1;
        for (int point = 0; point < 2; ++point) {
            const QPointF from = previous < 0 ? end : At(previous);
            int nearest = -1;
            double nearestDistance = kNoFit;
            for (int i : Above(side, end, 0)) {
                if (inside(i) <= tolerance || (previous >= 0 && (At(i).y() >= from.y() || inside(i) < (line.found ? kBend : 1.0) * inside(previous))))
                    continue;
                const double distance = QLineF(from, At(i)).length();
                if (distance < nearestDistance) {
                    nearestDistance = distance;
                    nearest = i;
                }
            }
            if (nearest < 0)
                return;
            proposed_[side.curve + point] = nearest;
            used_[nearest] = true;
            previous = nearest;
        }
    }

    const std::vector<QPointF> &marks_;
    std::vector<bool> used_;
    std::vector<int> valid_;
    Slots proposed_;
    Line lines_[2];
    double span_ = 9;
    double centreX_ = 5;
};

} // namespace

std::vector<int> Propose(const std::vector<QPointF> &marks, const std::vector<int> &guidePoints)
{
    const Slots proposed = Reader(marks).Read();
    std::vector<int> result;
    result.reserve(guidePoints.size());
    for (int slot : guidePoints)
        result.push_back(slot >= 0 && slot < kSlotCount ? proposed[slot] : -1);
    return result;
}

} // namespace MarkProposal
