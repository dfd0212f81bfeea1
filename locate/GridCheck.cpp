#include "GridCheck.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cmath>
#include <vector>

namespace GridMath {

cv::Point2d Map(const cv::Matx33d &h, double x, double y)
{
    const double w = h(2, 0) * x + h(2, 1) * y + h(2, 2);
    return {(h(0, 0) * x + h(0, 1) * y + h(0, 2)) / w, (h(1, 0) * x + h(1, 1) * y + h(1, 2)) / w};
}

cv::Matx33d Inverse(const cv::Matx33d &h)
{
    return h.inv();
}

} // namespace GridMath

namespace {

using GridMath::Map;

constexpr int kLines = 11;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

QString Tr(const char *text)
{
    return QCoreApplication::translate("GridCheck", text);
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return kNaN;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// A point of line `index` of a family at `along` grid units, and the unit
// step across the line, in grid' units.
cv::Point2d OnLine(bool column, double index, double along)
{
    return column ? cv::Point2d(index, along) : cv::Point2d(along, index);
}

cv::Point2d Across(bool column)
{
    return column ? cv::Point2d(1, 0) : cv::Point2d(0, 1);
}

cv::Point2d Map(const cv::Matx33d &h, cv::Point2d g)
{
    return Map(h, g.x, g.y);
}

// Fits a straight line through points, dropping those far off it; nullopt
// when too few are left.
std::optional<cv::Vec3d> FitStraight(std::vector<cv::Point2d> points, std::size_t tried)
{
    const std::size_t needed = std::max<std::size_t>(8, tried / 6);
    cv::Vec3d line;
    for (int round = 0; round < 4; ++round) {
        if (points.size() < needed)
            return std::nullopt;
        cv::Point2d mean(0, 0);
        for (const cv::Point2d &p : points)
            mean += p;
        mean *= 1.0 / double(points.size());
        double sxx = 0, sxy = 0, syy = 0;
        for (const cv::Point2d &p : points) {
            const cv::Point2d d = p - mean;
            sxx += d.x * d.x;
            sxy += d.x * d.y;
            syy += d.y * d.y;
        }
        // The normal is the direction of least spread.
        const double angle = 0.5 * std::atan2(2 * sxy, sxx - syy); // of most spread
        const double nx = -std::sin(angle), ny = std::cos(angle);
        line = {nx, ny, -(nx * mean.x + ny * mean.y)};
        std::vector<double> residuals;
        residuals.reserve(points.size());
        for (const cv::Point2d &p : points)
            residuals.push_back(std::abs(line[0] * p.x + line[1] * p.y + line[2]));
        const double spread = 1.4826 * Median(residuals);
        const double keep = std::max(0.8, 2.5 * spread);
        std::vector<cv::Point2d> kept;
        kept.reserve(points.size());
        for (std::size_t k = 0; k < points.size(); ++k)
            if (residuals[k] <= keep)
                kept.push_back(points[k]);
        if (kept.size() == points.size())
            break;
        points = std::move(kept);
    }
    if (points.size() < needed)
        return std::nullopt;
    return line;
}

std::optional<cv::Point2d> Meet(const cv::Vec3d &a, const cv::Vec3d &b)
{
    const cv::Vec3d p = a.cross(b);
    if (std::abs(p[2]) < 1e-12)
        return std::nullopt;
    return cv::Point2d(p[0] / p[2], p[1] / p[2]);
}

} // namespace

GridCheck::GridCheck(const cv::Mat &neutral) : image_(neutral)
{
    CV_Assert(neutral.type() == CV_8UC1);
    // The noise: the spread of neighbouring pixels' differences (every
    // fourth row is plenty).
    std::vector<double> steps;
    steps.reserve(std::size_t(image_.rows / 4 + 1) * std::size_t(std::max(0, image_.cols - 1)) / 3 + 1);
    for (int y = 0; y < image_.rows; y += 4) {
        const uchar *row = image_.ptr<uchar>(y);
        for (int x = 0; x + 1 < image_.cols; x += 3)
            steps.push_back(std::abs(int(row[x + 1]) - int(row[x])));
    }
    noise_ = std::max(1.0, 1.4826 * Median(std::move(steps)) / std::sqrt(2.0));
}

double GridCheck::At(double x, double y) const
{
    // Within a pixel past the border the border pixel stands for it: a
    // screen's outer line drawn in its very first or last pixel column is
    // mapped half a pixel beyond.
    if (!(x >= -1 && y >= -1 && x <= image_.cols && y <= image_.rows))
        return kNaN;
    x = std::clamp(x, 0.0, double(image_.cols - 1));
    y = std::clamp(y, 0.0, double(image_.rows - 1));
    const int x0 = std::min(int(x), image_.cols - 2 < 0 ? 0 : image_.cols - 2);
    const int y0 = std::min(int(y), image_.rows - 2 < 0 ? 0 : image_.rows - 2);
    const double fx = x - x0, fy = y - y0;
    const uchar *top = image_.ptr<uchar>(y0);
    const uchar *bottom = image_.ptr<uchar>(std::min(y0 + 1, image_.rows - 1));
    const int x1 = std::min(x0 + 1, image_.cols - 1);
    return (top[x0] * (1 - fx) + top[x1] * fx) * (1 - fy) + (bottom[x0] * (1 - fx) + bottom[x1] * fx) * fy;
}

namespace {

// A place on a line, where the picture is sampled across it.
struct Section {
    cv::Point2d at;  // picture pixels
    cv::Point2d dir; // unit step across, picture pixels
    double unit;     // pixels per grid unit across
};

std::optional<Section> AcrossAt(const cv::Matx33d &h, bool column, int index, double along)
{
    const cv::Point2d g = OnLine(column, index, along);
    const cv::Point2d ahead = Map(h, g + Across(column) * 0.5);
    const cv::Point2d behind = Map(h, g - Across(column) * 0.5);
    cv::Point2d dir = ahead - behind;
    const double unit = std::hypot(dir.x, dir.y);
    if (!(unit > 1e-6) || !std::isfinite(unit))
        return std::nullopt;
    return Section{Map(h, g), dir * (1.0 / unit), unit};
}

// The samples along a line where it is searched for: eight to a cell, none
// near a crossing (the other line is bright there too).
template <typename Visit>
void AlongLine(Visit visit)
{
    constexpr int kPerCell = 8;
    for (int cell = 0; cell < 10; ++cell) {
        for (int m = 0; m < kPerCell; ++m) {
            const double along = cell + (m + 0.5) / kPerCell;
            if (std::abs(along - std::round(along)) >= 0.12)
                visit(along);
        }
    }
}

// Pixels from the middle of a peak to where it falls to half its height.
double HalfWidth(const std::vector<double> &profile, int peak, double base)
{
    const double level = (profile[std::size_t(peak)] + base) / 2;
    int from = peak, to = peak;
    while (from > 0 && profile[std::size_t(from - 1)] > level)
        --from;
    while (to + 1 < int(profile.size()) && profile[std::size_t(to + 1)] > level)
        ++to;
    return (to - from + 1) / 2.0;
}

} // namespace

GridCheck::Fit GridCheck::Refine(const Homography &gridToPicture, double reach) const
{
    Fit fit;
    fit.gridToPicture = gridToPicture;
    const double prominence = std::max(4.0, 2.5 * noise_);
    std::vector<double> profile;
    const auto sample = [&](const Section &a, int half) {
        // Past the picture's border (a grabber's frame ends at the grid's
        // outer lines) the profile is NaN; a third of it must be inside.
        profile.assign(std::size_t(2 * half + 1), 0.0);
        for (int u = -half; u <= half; ++u)
            profile[std::size_t(u + half)] = At(a.at.x + u * a.dir.x, a.at.y + u * a.dir.y);
        return std::count_if(profile.begin(), profile.end(), [](double v) { return !std::isnan(v); }) * 3
            > std::ptrdiff_t(profile.size());
    };

    // How wide the lines look (blur widens them; a shaken phone widens the
    // lines of one family only): the half width of the brightest peak round
    // a few places of every line, family by family.
    std::array<int, 2> asides{};
    for (const bool column : {true, false}) {
        std::vector<double> widths;
        for (int index = 0; index < kLines; ++index) {
            for (const double along : {1.5, 3.5, 5.5, 7.5, 9.5}) {
                const auto a = AcrossAt(gridToPicture, column, index, along);
                if (!a || !sample(*a, std::max(2, int(std::ceil(reach * a->unit))))
                    || std::any_of(profile.begin(), profile.end(), [](double v) { return std::isnan(v); }))
                    continue;
                const int peak = int(std::max_element(profile.begin(), profile.end()) - profile.begin());
                const double base = Median(profile);
                if (profile[std::size_t(peak)] - base >= prominence)
                    widths.push_back(HalfWidth(profile, peak, base));
            }
        }
        // A line stands above the picture this far to either side of it; a
        // broad glow (a reflection on wet ground, a glare) does not.
        asides[column ? 0 : 1] = widths.size() < 5 ? 3 : int(std::ceil(Median(widths) + 1.5));
    }

    std::array<std::vector<cv::Point2d>, 2 * kLines> points;
    std::array<std::size_t, 2 * kLines> tried{};
    std::vector<double> ridge;
    for (const bool column : {true, false}) {
        const int aside = asides[column ? 0 : 1];
        for (int index = 0; index < kLines; ++index) {
            const int line = (column ? 0 : kLines) + index;
            AlongLine([&](double along) {
                const auto a = AcrossAt(gridToPicture, column, index, along);
                if (!a)
                    return;
                ++tried[std::size_t(line)];
                const int half = std::max(2, int(std::ceil(reach * a->unit)));
                if (!sample(*a, half + aside))
                    return;
                ridge.assign(std::size_t(2 * half + 1), 0.0);
                for (int u = -half; u <= half; ++u) {
                    const std::size_t k = std::size_t(u + half + aside);
                    const double before = profile[k - std::size_t(aside)], after = profile[k + std::size_t(aside)];
                    const double side = std::isnan(before) ? after : std::isnan(after) ? before : std::max(before, after);
                    ridge[std::size_t(u + half)] = std::isnan(profile[k]) || std::isnan(side) ? -1e9 : profile[k] - side;
                }
                const int peak = int(std::max_element(ridge.begin(), ridge.end()) - ridge.begin());
                if (ridge[std::size_t(peak)] < prominence || peak == 0 || peak == 2 * half)
                    return;
                // The middle of what stands above half the peak round it.
                const double level = ridge[std::size_t(peak)] / 2;
                int from = peak, to = peak;
                while (from > 0 && ridge[std::size_t(from - 1)] > level)
                    --from;
                while (to < 2 * half && ridge[std::size_t(to + 1)] > level)
                    ++to;
                double weight = 0, sum = 0;
                for (int k = from; k <= to; ++k) {
                    const double w = ridge[std::size_t(k)] - level;
                    weight += w;
                    sum += w * (k - half);
                }
                const double offset = weight > 0 ? sum / weight : peak - half;
                points[std::size_t(line)].push_back(a->at + a->dir * offset);
            });
        }
    }
    // The outer lines are the least sure (the screen's frame against the
    // first and last column, a bumper's edge under the last row): the
    // mapping goes through the crossings of the inner ones, less any left
    // out. An inner line the fit cannot find (white tape laid along it
    // hides it from so near) is left out too, up to two of a family, and
    // drawn where the others put it: whether it is there is for the check
    // of the lines to say, half a cell aside.
    std::array<bool, 2 * kLines> leftOut{}, unseen{};
    for (int line = 0; line < 2 * kLines; ++line)
        fit.found[std::size_t(line)] = double(points[std::size_t(line)].size())
            / double(std::max<std::size_t>(1, tried[std::size_t(line)]));
    for (int line = 0; line < 2 * kLines; ++line) {
        const auto fitted = FitStraight(points[std::size_t(line)], tried[std::size_t(line)]);
        const int index = line % kLines, family = line - index;
        if (!fitted) {
            if (index == 0 || index == kLines - 1
                || std::count(unseen.begin() + family, unseen.begin() + family + kLines, true) >= 2) {
                fit.problem = Tr("не найдена одна из 11 линий сетки");
                return fit;
            }
            unseen[std::size_t(line)] = leftOut[std::size_t(line)] = true;
            continue;
        }
        (line < kLines ? fit.columns : fit.rows)[std::size_t(index)] = *fitted;
    }

    // The mapping through the crossings; then each line again through its
    // points that agree with the mapping (a stretch pulled aside by a
    // glow does not), and the mapping again.
    std::vector<cv::Point2d> grid, picture;
    // A line as the mapping draws it.
    const auto mapped = [&](int line) {
        const bool column = line < kLines;
        const int index = line % kLines;
        const cv::Point2d a = Map(fit.gridToPicture, OnLine(column, index, 0));
        const cv::Point2d b = Map(fit.gridToPicture, OnLine(column, index, 10));
        cv::Vec3d l(a.y - b.y, b.x - a.x, 0);
        l *= 1.0 / std::max(1e-12, std::hypot(l[0], l[1]));
        l[2] = -(l[0] * a.x + l[1] * a.y);
        return l;
    };
    const auto drawUnseen = [&]() {
        for (int line = 0; line < 2 * kLines; ++line)
            if (unseen[std::size_t(line)])
                (line < kLines ? fit.columns : fit.rows)[std::size_t(line % kLines)] = mapped(line);
    };
    const auto through = [&]() {
        grid.clear();
        picture.clear();
        for (int j = 1; j + 1 < kLines; ++j) {
            for (int i = 1; i + 1 < kLines; ++i) {
                if (leftOut[std::size_t(i)] || leftOut[std::size_t(kLines + j)])
                    continue;
                const auto p = Meet(fit.columns[std::size_t(i)], fit.rows[std::size_t(j)]);
                if (!p)
                    return false;
                grid.emplace_back(i, j);
                picture.push_back(*p);
            }
        }
        const cv::Mat h = cv::findHomography(grid, picture, 0);
        if (h.empty())
            return false;
        fit.gridToPicture = Homography(h.ptr<double>());
        return true;
    };
    for (int round = 0; round < 3; ++round) {
        if (!through()) {
            fit.problem = Tr("линии сетки не пересекаются");
            return fit;
        }
        if (round == 2)
            break;
        // Each line again through its points near the line the mapping
        // draws there (the module's last column lies a pixel short of the
        // grid's edge, and every line half a pixel into its cell: each
        // keeps its own offset); a line that would keep too few stays.
        drawUnseen();
        for (int line = 0; line < 2 * kLines; ++line) {
            if (unseen[std::size_t(line)])
                continue;
            const bool column = line < kLines;
            const int index = line % kLines;
            const cv::Vec3d l = mapped(line);
            std::vector<double> distances;
            for (const cv::Point2d &p : points[std::size_t(line)])
                distances.push_back(l[0] * p.x + l[1] * p.y + l[2]);
            const double offset = Median(distances);
            for (double &d : distances)
                d = std::abs(d - offset);
            const double keep = std::max(1.0, 2.5 * 1.4826 * Median(distances));
            std::vector<cv::Point2d> kept;
            for (std::size_t k = 0; k < distances.size(); ++k)
                if (distances[k] <= keep)
                    kept.push_back(points[std::size_t(line)][k]);
            if (const auto fitted = FitStraight(std::move(kept), tried[std::size_t(line)]))
                (column ? fit.columns : fit.rows)[std::size_t(index)] = *fitted;
        }
    }
    // An inner line pulled aside along its length (a blurred line over a
    // bright edge) is left out of the mapping, up to two of each family.
    const auto deviation = [&](int line) {
        const bool column = line < kLines;
        const int index = line % kLines;
        const cv::Vec3d &l = (column ? fit.columns : fit.rows)[std::size_t(index)];
        double worst = 0;
        for (const double along : {1.0, 5.0, 9.0}) {
            const auto a = AcrossAt(fit.gridToPicture, column, index, along);
            if (a)
                worst = std::max(worst, std::abs(l[0] * a->at.x + l[1] * a->at.y + l[2]) / a->unit);
        }
        return worst;
    };
    for (const bool column : {true, false}) {
        std::vector<std::pair<double, int>> deviations;
        for (int index = 1; index + 1 < kLines; ++index)
            deviations.emplace_back(deviation((column ? 0 : kLines) + index), (column ? 0 : kLines) + index);
        std::vector<double> values;
        for (const auto &d : deviations)
            values.push_back(d.first);
        const double typical = Median(values);
        std::sort(deviations.rbegin(), deviations.rend());
        const int family = column ? 0 : kLines;
        int out = int(std::count(unseen.begin() + family, unseen.begin() + family + kLines, true));
        for (const auto &[value, line] : deviations) {
            if (value <= std::max(0.02, 3 * typical))
                break;
            if (++out > 2) {
                fit.problem = Tr("линии сетки стоят неравномерно");
                return fit;
            }
            leftOut[std::size_t(line)] = true;
        }
    }
    if (std::any_of(leftOut.begin(), leftOut.end(), [](bool b) { return b; }) && !through()) {
        fit.problem = Tr("линии сетки не пересекаются");
        return fit;
    }
    drawUnseen();
    const Homography back = GridMath::Inverse(fit.gridToPicture);
    double sum = 0;
    for (std::size_t k = 0; k < grid.size(); ++k) {
        const cv::Point2d g = Map(back, picture[k]);
        const double off = std::hypot(g.x - grid[k].x, g.y - grid[k].y);
        fit.worstOffset = std::max(fit.worstOffset, off);
        sum += off * off;
    }
    fit.rmsOffset = std::sqrt(sum / double(grid.size()));
    return fit;
}

GridCheck::Homography GridCheck::Polish(const Homography &gridToPicture, double reach) const
{
    // How far beside a line the picture is compared with it: the lines'
    // half width (blur widens them) and a little more.
    std::vector<double> widths, profile;
    const double prominence = std::max(4.0, 2.5 * noise_);
    for (const bool column : {true, false}) {
        for (int index = 1; index < kLines; index += 2) {
            for (const double along : {2.5, 5.5, 8.5}) {
                const auto a = AcrossAt(gridToPicture, column, index, along);
                if (!a)
                    continue;
                const int half = std::max(3, int(std::ceil(0.4 * a->unit)));
                profile.clear();
                for (int u = -half; u <= half; ++u)
                    profile.push_back(At(a->at.x + u * a->dir.x, a->at.y + u * a->dir.y));
                if (std::any_of(profile.begin(), profile.end(), [](double v) { return std::isnan(v); }))
                    continue;
                const int peak = int(std::max_element(profile.begin(), profile.end()) - profile.begin());
                const double base = Median(profile);
                if (profile[std::size_t(peak)] - base >= prominence)
                    widths.push_back(HalfWidth(profile, peak, base));
            }
        }
    }
    const double aside = widths.size() < 6 ? 3.0 : std::ceil(Median(widths) + 1.5);

    // How much the lines of a mapping stand out: over samples along each of
    // the 22, the line's grey over the brighter of the points aside,
    // clamped so that a few strong lines do not make up for missing ones.
    const auto standOut = [&](const Homography &h) {
        double total = 0;
        for (const bool column : {true, false}) {
            for (int index = 0; index < kLines; ++index) {
                for (int k = 0; k < 10; ++k) {
                    const auto a = AcrossAt(h, column, index, k + 0.5);
                    if (!a)
                        return -1e300;
                    // The brightest point within a twentieth of a cell, so
                    // that a mapping a pixel or two off still scores.
                    const int near = std::clamp(int(std::lround(0.05 * a->unit)), 2, 6);
                    double on = -1;
                    for (int u = -near; u <= near; ++u)
                        on = std::max(on, At(a->at.x + u * a->dir.x, a->at.y + u * a->dir.y));
                    const double reachOff = near + aside;
                    const double plus = At(a->at.x + reachOff * a->dir.x, a->at.y + reachOff * a->dir.y);
                    const double minus = At(a->at.x - reachOff * a->dir.x, a->at.y - reachOff * a->dir.y);
                    // Past the picture's border only the other side counts.
                    const double off = std::isnan(plus) ? minus : std::isnan(minus) ? plus : std::max(plus, minus);
                    if (std::isnan(At(a->at.x, a->at.y)))
                        total -= 20; // a line off the picture is a line missing
                    else if (on >= 0 && !std::isnan(off))
                        total += std::clamp(on - off, -20.0, 20.0);
                }
            }
        }
        return total;
    };
    // The grid's outer lines moved by cells: left, right, top, bottom.
    const auto moved = [&](const std::array<double, 4> &by) -> std::optional<Homography> {
        std::vector<cv::Point2d> from{{0, 0}, {10, 0}, {10, 10}, {0, 10}}, to;
        for (const cv::Point2d &g : std::vector<cv::Point2d>{{by[0], by[2]}, {10 + by[1], by[2]},
                                                             {10 + by[1], 10 + by[3]}, {by[0], 10 + by[3]}})
            to.push_back(Map(gridToPicture, g));
        const cv::Mat h = cv::getPerspectiveTransform(std::vector<cv::Point2f>(from.begin(), from.end()),
                                                      std::vector<cv::Point2f>(to.begin(), to.end()));
        if (h.empty())
            return std::nullopt;
        return Homography(h.ptr<double>());
    };
    std::array<double, 4> by{};
    double best = standOut(gridToPicture);
    for (const double step : {0.2, 0.1, 0.05}) {
        for (int round = 0; round < 2; ++round) {
            for (std::size_t side = 0; side < 4; ++side) {
                for (const double direction : {-1.0, 1.0}) {
                    while (true) {
                        std::array<double, 4> tryBy = by;
                        tryBy[side] += direction * step;
                        if (std::abs(tryBy[side]) > reach + 1e-9)
                            break;
                        const auto h = moved(tryBy);
                        const double value = h ? standOut(*h) : -1e300;
                        if (value <= best)
                            break;
                        best = value;
                        by = tryBy;
                    }
                }
            }
        }
    }
    const auto h = moved(by);
    return h ? *h : gridToPicture;
}

GridCheck::Lines GridCheck::CheckLines(const Homography &gridToPicture) const
{
    Lines lines;
    // The line's grey level (the brightest of three points across it, for a
    // line fitted a pixel off) over the brighter of the points half a cell
    // to either side; the median over a few points of a stretch.
    std::vector<double> contrasts;
    const auto stretch = [&](bool column, int index, double from, double to, bool *known, bool *bright) {
        contrasts.clear();
        constexpr int kPoints = 6;
        int washed = 0, beside = 0;
        for (int m = 0; m < kPoints; ++m) {
            const double along = from + (to - from) * m / (kPoints - 1);
            const cv::Point2d g = OnLine(column, index, along);
            const cv::Point2d p = Map(gridToPicture, g);
            const cv::Point2d plus = Map(gridToPicture, g + Across(column) * 0.5);
            const cv::Point2d minus = Map(gridToPicture, g - Across(column) * 0.5);
            cv::Point2d dir = plus - minus;
            const double unit = std::hypot(dir.x, dir.y);
            if (!(unit > 1e-6))
                continue;
            dir *= 1.0 / unit;
            // The brightest point within a fiftieth of a cell (a pixel or
            // two): the mapping is fitted to the inner lines, and the
            // module's last column lies half a pixel short of its place.
            // Half a pixel at a time, so that a one-pixel line is met on
            // its pixel rather than blended with its neighbours.
            const int near = std::clamp(int(std::ceil(0.02 * unit)), 1, 4);
            double on = -1;
            for (int u = -2 * near; u <= 2 * near; ++u)
                if (const double v = At(p.x + 0.5 * u * dir.x, p.y + 0.5 * u * dir.y); !std::isnan(v))
                    on = std::max(on, v);
            double offPlus = At(plus.x, plus.y), offMinus = At(minus.x, minus.y);
            // Past the picture's border (a grabber's frame) only the
            // other side is there to compare with.
            if (on < 0 || (std::isnan(offPlus) && std::isnan(offMinus)))
                continue;
            if (std::isnan(offPlus))
                offPlus = offMinus;
            if (std::isnan(offMinus))
                offMinus = offPlus;
            if (on >= 250 && std::min(offPlus, offMinus) >= 250) {
                ++washed; // glare: white either way
                continue;
            }
            // The line stands out of the darker side (the other may be
            // bright ground, the far end's haze); as bright on both sides,
            // it is one line of many.
            const double darker = std::min(offPlus, offMinus);
            beside += darker >= on - std::max(2.0, noise_);
            contrasts.push_back(on - darker);
        }
        *known = int(contrasts.size()) >= 3;
        *bright = beside * 2 > int(contrasts.size());
        (void)washed;
        return *known ? Median(contrasts) : kNaN;
    };

    struct Stretch {
        int line; // 0..21
        double contrast;
        bool bright;
    };
    std::vector<Stretch> inside, beyond;
    for (const bool column : {true, false}) {
        for (int index = 0; index < kLines; ++index) {
            const int line = (column ? 0 : kLines) + index;
            for (int cell = 0; cell < 10; ++cell) {
                bool known = false, bright = false;
                const double c = stretch(column, index, cell + 0.2, cell + 0.8, &known, &bright);
                if (known)
                    inside.push_back({line, c, bright});
            }
            for (const auto &[from, to] : {std::pair{-0.65, -0.2}, std::pair{10.2, 10.65}}) {
                bool known = false, bright = false;
                const double c = stretch(column, index, from, to, &known, &bright);
                if (known)
                    beyond.push_back({line, c, bright});
            }
        }
    }
    lines.segmentsKnown = int(inside.size());
    lines.beyondKnown = int(beyond.size());
    std::vector<double> all;
    for (const Stretch &s : inside)
        all.push_back(s.contrast);
    lines.contrast = Median(all);
    if (lines.segmentsKnown < 110 || !(lines.contrast >= std::max(5.0, 2.0 * noise_))) {
        lines.problem = Tr("линии сетки едва видны");
        return lines;
    }
    const double present = std::max(0.35 * lines.contrast, 1.5 * noise_);
    std::array<int, 2 * kLines> known{}, found{}, bright{};
    for (const Stretch &s : inside) {
        ++known[std::size_t(s.line)];
        if (s.contrast >= present) {
            ++found[std::size_t(s.line)];
            ++lines.segmentsPresent;
        }
        bright[std::size_t(s.line)] += s.bright;
        lines.besideBright += s.bright;
    }
    int linesBeside = 0; // lines with as bright lines half a cell to both sides along much of them
    for (int line = 0; line < 2 * kLines; ++line)
        linesBeside += bright[std::size_t(line)] * 10 > known[std::size_t(line)] * 3;
    lines.weakestLine = 1.0;
    for (int line = 0; line < 2 * kLines; ++line)
        lines.weakestLine = std::min(lines.weakestLine,
                                     known[std::size_t(line)] < 4 ? 0.0 : double(found[std::size_t(line)]) / known[std::size_t(line)]);
    for (const Stretch &s : beyond)
        lines.beyondPresent += s.contrast >= present;

    if (linesBeside > 0 || lines.besideBright * 10 > lines.segmentsKnown)
        lines.problem = Tr("в полуклетке от линий видны такие же яркие линии: шаг сетки не тот");
    else if (lines.weakestLine < 0.6 || lines.segmentsPresent * 100 < lines.segmentsKnown * 80)
        lines.problem = Tr("не все 22 линии сетки видны на большей части своей длины");
    else if (lines.beyondPresent * 4 > std::max(8, lines.beyondKnown))
        lines.problem = Tr("линии продолжаются за крайние линии сетки");
    return lines;
}

GridCheck::Shape GridCheck::ShapeOf(const Homography &gridToPicture, cv::Point2d principal, double photoSide,
                                    double cellX, double cellY)
{
    Shape shape;
    const Homography &h = gridToPicture;
    // Columns of the mapping from the screen's pixels, the principal point
    // taken off: K^-1 h is (u / f, v / f, w).
    const double u1 = (h(0, 0) - principal.x * h(2, 0)) / cellX, v1 = (h(1, 0) - principal.y * h(2, 0)) / cellX,
                 w1 = h(2, 0) / cellX;
    const double u2 = (h(0, 1) - principal.x * h(2, 1)) / cellY, v2 = (h(1, 1) - principal.y * h(2, 1)) / cellY,
                 w2 = h(2, 1) / cellY;
    // The focal lengths that square the axes best (what the fit's noise
    // leaves open), and the stretch over them. Turning the cells a quarter
    // changes the stretch 2.56 times and not the angle.
    constexpr int kSteps = 96;
    std::array<double, kSteps + 1> cosines{}, ratios{};
    double best = 1e300;
    for (int k = 0; k <= kSteps; ++k) {
        const double f = photoSide * 0.3 * std::pow(8.0 / 0.3, double(k) / kSteps);
        const double a1 = u1 / f, b1 = v1 / f, a2 = u2 / f, b2 = v2 / f;
        const double n1 = std::sqrt(a1 * a1 + b1 * b1 + w1 * w1), n2 = std::sqrt(a2 * a2 + b2 * b2 + w2 * w2);
        cosines[std::size_t(k)] = n1 > 0 && n2 > 0 ? std::abs(a1 * a2 + b1 * b2 + w1 * w2) / (n1 * n2) : 1e300;
        ratios[std::size_t(k)] = n2 > 0 ? n1 / n2 : 0;
        best = std::min(best, cosines[std::size_t(k)]);
    }
    if (!(best <= 0.1))
        return shape;
    shape.rectangle = true;
    shape.lowStretch = 1e300;
    shape.highStretch = 0;
    const double admitted = std::max(0.015, best + 0.01);
    for (int k = 0; k <= kSteps; ++k) {
        if (cosines[std::size_t(k)] > admitted)
            continue;
        shape.lowStretch = std::min(shape.lowStretch, ratios[std::size_t(k)]);
        shape.highStretch = std::max(shape.highStretch, ratios[std::size_t(k)]);
    }
    return shape;
}

GridCheck::Edges GridCheck::EdgesAlong(const Homography &gridToPicture, bool alongY, bool borderIsEdge) const
{
    // The picture's grey across the grid's width, outwards from each outer
    // line: the median of 31 points across, every 0.04 units out to 3.6.
    constexpr double kStep = 0.04, kReach = 3.6;
    constexpr int kAcross = 31;
    const int steps = int(kReach / kStep);
    Edges edges;
    std::vector<double> values;
    for (const bool high : {false, true}) {
        std::vector<double> profile;
        bool border = false;
        for (int k = 1; k <= steps; ++k) {
            const double s = high ? 10.0 + k * kStep : -k * kStep;
            values.clear();
            int outside = 0;
            for (int m = 0; m < kAcross; ++m) {
                const double t = 0.5 + 9.0 * m / (kAcross - 1);
                const cv::Point2d p = alongY ? Map(gridToPicture, t, s) : Map(gridToPicture, s, t);
                const double v = At(p.x, p.y);
                if (std::isnan(v))
                    ++outside;
                else
                    values.push_back(v);
            }
            if (outside * 5 > kAcross) {
                border = true;
                (high ? edges.borderHigh : edges.borderLow) = (k - 0.5) * kStep;
                break;
            }
            profile.push_back(Median(values));
        }
        if (profile.size() < 3)
            continue;
        // Lightly smoothed, then the first fall outwards to half way between
        // the brightest so far and the frame's dark, staying there for a
        // quarter of a unit.
        std::vector<double> smooth(profile.size());
        for (std::size_t k = 0; k < profile.size(); ++k) {
            const double a = profile[k == 0 ? 0 : k - 1], b = profile[k], c = profile[std::min(k + 1, profile.size() - 1)];
            smooth[k] = (a + 2 * b + c) / 4;
        }
        const double dark = *std::min_element(smooth.begin(), smooth.end());
        const int stay = int(0.25 / kStep);
        double brightest = smooth[0];
        double edge = kNaN;
        for (std::size_t k = 1; k < smooth.size(); ++k) {
            brightest = std::max(brightest, smooth[k - 1]);
            const double level = (brightest + dark) / 2;
            if (brightest - dark < std::max(12.0, 4.0 * noise_) || smooth[k] >= level)
                continue;
            bool stays = true;
            for (std::size_t n = k; n < std::min(smooth.size(), k + std::size_t(stay)) && stays; ++n)
                stays = smooth[n] < level;
            if (!stays || k + std::size_t(stay) > smooth.size())
                continue;
            const double before = smooth[k - 1], after = smooth[k];
            const double at = double(k) + (before - level) / std::max(1e-9, before - after); // steps past the line, 1-based
            edge = at * kStep;
            break;
        }
        if (std::isnan(edge) && border && borderIsEdge)
            edge = double(profile.size()) * kStep + kStep / 2;
        (high ? edges.high : edges.low) = edge;
    }
    return edges;
}
