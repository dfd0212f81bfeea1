#include "GridFinder.h"

#include "GridCheck.h"
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
// A hypothesis worth a closer look finds the grid's lines under this share
// of its samples (less what lies between them).
constexpr double kMinSupport = 0.3;
// Candidates fitted and checked at each size, the most promising first.
constexpr int kCandidatesChecked = 8;
// Sizes the picture is searched at: its own, a half, a quarter.
constexpr int kLevels = 3;

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

QString NotTheGrid(const QString &why)
{
    return QCoreApplication::translate("GridFinder",
                                       "На снимке не найдена калибровочная сетка модуля: то, что похоже на неё, не "
                                       "проходит проверку (%1). Снимите монитор целиком, когда модуль показывает "
                                       "сетку (страницы с точками), без сильных бликов, или укажите четыре угла сетки "
                                       "щелчками.")
        .arg(why);
}

QString Tr(const char *text)
{
    return QCoreApplication::translate("GridFinder", text);
}

// Thin bright lines: what a white top-hat keeps of the picture, thresholded
// well above the texture of the ground.
cv::Mat RidgeMask(const cv::Mat &grey, int kernel)
{
    // The sensor's noise smoothed away first: a top-hat keeps its peaks too.
    cv::Mat smooth, tophat;
    cv::GaussianBlur(grey, smooth, {5, 5}, 1.0);
    cv::morphologyEx(smooth, tophat, cv::MORPH_TOPHAT, cv::getStructuringElement(cv::MORPH_RECT, {kernel, kernel}));
    // Well above what the ground leaves (its median and spread, which the
    // grid's lines, a tenth of the picture or less, hardly change).
    cv::Mat sample;
    cv::resize(tophat, sample, {}, 0.25, 0.25, cv::INTER_NEAREST);
    std::vector<uchar> values(sample.begin<uchar>(), sample.end<uchar>());
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    const double median = *middle;
    for (uchar &v : values)
        v = uchar(std::abs(int(v) - int(median)));
    std::nth_element(values.begin(), middle, values.end());
    const double spread = 1.4826 * *middle;
    const double threshold = std::max(6.0, median + 5.0 * std::max(1.0, spread));
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

// How well the lines a hypothesis predicts lie on ridge pixels: for each
// line, the share of its samples on them (a line found along three
// quarters of its length counts in full, so that strong lines do not make
// up for missing ones), less the share of samples halfway to the next line
// that are (so that a grid of half the spacing does not score as well);
// the mean over the lines.
double Support(const cv::Mat &mask, const QTransform &gridToPicture, int samplesPerLine, const int *lines,
               int lineCount, bool between = true)
{
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
    double score = 0;
    for (int n = 0; n < lineCount; ++n) {
        const int t = lines[n];
        int across = 0, down = 0, acrossBetween = 0, downBetween = 0;
        for (int s = 0; s < samplesPerLine; ++s) {
            const double along = 10.0 * (s + 0.5) / samplesPerLine;
            across += hit(along, t);
            down += hit(t, along);
            if (t < 10 && between) {
                acrossBetween += hit(along, t + 0.5);
                downBetween += hit(t + 0.5, along);
            }
        }
        const auto line = [samplesPerLine](int on, int off) {
            return std::min(1.0, on / (0.75 * samplesPerLine)) - double(off) / samplesPerLine;
        };
        score += line(across, acrossBetween) + line(down, downBetween);
    }
    return score / std::max(1, 2 * lineCount);
}

// Candidate mappings of grid' units (whole numbers at the lines) to the
// picture's pixels, the most promising first: every pair of rows and pair
// of columns as the grid's outer lines, a quick look along the lines each
// predicts, then a closer one for the best.
struct Candidate {
    QTransform gridToPicture;
    double support;
};

std::vector<Candidate> Candidates(const cv::Mat &picture, int depth)
{
    const int kernel = depth == 0 ? std::max(5, int(std::lround(std::max(picture.cols, picture.rows) / 150.0))) | 1
                                  : (depth == 1 ? 9 : 7);
    // At full size the lines are looked for at half the size, which costs
    // a quarter and loses nothing: the lines are fitted at full size later.
    const double reduce = depth == 0 ? 0.5 : 1.0;
    cv::Mat mask = RidgeMask(picture, kernel);
    if (reduce < 1.0) {
        cv::resize(mask, mask, {}, reduce, reduce, cv::INTER_AREA);
        cv::threshold(mask, mask, 60, 255, cv::THRESH_BINARY);
    }
    std::vector<HoughLine> rows, columns;
    FindLineFamilies(mask, &rows, &columns);
    if (rows.size() < 2 || columns.size() < 2)
        return {};
    cv::Mat near, nearFull;
    cv::dilate(mask, near, cv::getStructuringElement(cv::MORPH_RECT, {3, 3}));
    if (reduce < 1.0)
        cv::resize(near, nearFull, picture.size(), 0, 0, cv::INTER_NEAREST);
    else
        nearFull = near;

    std::vector<Candidate> promising;
    const double minSide = 0.05 * std::min(mask.cols, mask.rows);
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
    const auto bySupport = [](const Candidate &a, const Candidate &b) { return a.support > b.support; };
    std::sort(promising.begin(), promising.end(), bySupport);
    promising.resize(std::min<size_t>(promising.size(), 60));
    for (Candidate &h : promising) {
        h.gridToPicture *= QTransform::fromScale(1 / reduce, 1 / reduce); // back to full size
        h.support = Support(nearFull, h.gridToPicture, 20, kAll, kGridLines);
    }
    std::sort(promising.begin(), promising.end(), bySupport);
    while (!promising.empty() && promising.back().support < kMinSupport)
        promising.pop_back();
    return promising;
}

// Mask pixels (OpenCV's: centres at whole numbers) as the mapping's.
cv::Matx33d ToMatrix(const QTransform &t)
{
    return {t.m11(), t.m21(), t.m31(), t.m12(), t.m22(), t.m32(), t.m13(), t.m23(), t.m33()};
}

// Whether two mappings of grid' units put the grid's corners within this
// many grid units of each other, whichever corner each takes for (0, 0):
// the same lines seen from another of the grid's turns are the same grid.
bool SameGrid(const cv::Matx33d &a, const cv::Matx33d &b, double within)
{
    static const cv::Point2d kCorners[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const cv::Matx33d back = b.inv();
    for (const cv::Point2d corner : kCorners) {
        const cv::Point2d p = GridMath::Map(a, corner.x, corner.y);
        const cv::Point2d g = GridMath::Map(back, p.x, p.y);
        if (std::none_of(std::begin(kCorners), std::end(kCorners),
                         [&](cv::Point2d c) { return std::hypot(g.x - c.x, g.y - c.y) <= within; }))
            return false;
    }
    return true;
}

// The module's grid units of a crossing of grid' lines, the picture turned
// by quarters clockwise from the grid' frame.
cv::Point GridOf(int i, int j, int quarters)
{
    switch (quarters) {
    case 1:
        return {j, 10 - i};
    case 2:
        return {10 - i, 10 - j};
    case 3:
        return {10 - j, i};
    default:
        return {i, j};
    }
}

// The mapping of the picture's pixels (continuous) onto the module's grid
// units through the crossings of the fitted lines, each onto where the
// module's one-pixel lines cross.
std::optional<QTransform> MappingThrough(const cv::Matx33d &fitted, int quarters)
{
    std::vector<cv::Point2f> picturePoints, targets;
    for (int j = 1; j + 1 < kGridLines; ++j) {
        for (int i = 1; i + 1 < kGridLines; ++i) {
            const cv::Point2d p = GridMath::Map(fitted, i, j);
            picturePoints.emplace_back(float(p.x + 0.5), float(p.y + 0.5));
            const cv::Point g = GridOf(i, j, quarters);
            const cv::Point2d t = GridFinder::LineCrossing(g.x, g.y);
            targets.emplace_back(float(t.x), float(t.y));
        }
    }
    const cv::Mat h = cv::findHomography(picturePoints, targets, 0);
    if (h.empty())
        return std::nullopt;
    return QTransform(h.at<double>(0, 0), h.at<double>(1, 0), h.at<double>(2, 0), //
                      h.at<double>(0, 1), h.at<double>(1, 1), h.at<double>(2, 1), //
                      h.at<double>(0, 2), h.at<double>(1, 2), h.at<double>(2, 2));
}

struct Checked {
    bool ok = false;
    int quarters = 0;
    QString problem;
    int stage = 0; // how far the candidate got: the later, the likelier the grid
    QTransform pictureToGrid; // continuous pixels of the picture checked
    cv::Matx33d fitted;       // grid' to picture pixels (OpenCV's)
    double cellPixels = 0;
    // When the lines were not found: the mapping searched along, and which
    // families showed only every other line (a lattice of half the grid's
    // spacing, fitted to the lines that stood out).
    cv::Matx33d searched;
    std::array<bool, 2> halfSpaced{};
};

// Whether the lines of one family (0 columns, 1 rows) were found along
// most of the even lines and hardly any of the odd ones.
bool HalfSpaced(const GridCheck::Fit &fit, int family)
{
    for (int index = 0; index < 11; ++index) {
        const double share = fit.found[std::size_t(11 * family + index)];
        if (index % 2 == 0 ? share < 0.5 : share > 0.3)
            return false;
    }
    return true;
}

// Mappings of twice the spacing of a half-spaced one along the families
// that were: its even lines the grid's lines k to k + 5, for each k. The
// likeliest first, by how many stretches of the 22 lines stand out.
std::vector<cv::Matx33d> DoubledSpacing(const GridCheck &check, const Checked &half)
{
    std::vector<std::pair<int, cv::Matx33d>> scored;
    for (int kx = 0; kx <= (half.halfSpaced[0] ? 5 : 0); ++kx) {
        for (int ky = 0; ky <= (half.halfSpaced[1] ? 5 : 0); ++ky) {
            // Grid' units of the grid to those of the half-spaced lattice.
            const double sx = half.halfSpaced[0] ? 2 : 1, sy = half.halfSpaced[1] ? 2 : 1;
            const cv::Matx33d scale(sx, 0, -sx * kx, 0, sy, -sy * ky, 0, 0, 1);
            const cv::Matx33d h = half.searched * scale;
            scored.emplace_back(check.CheckLines(h).segmentsPresent, h);
        }
    }
    std::sort(scored.begin(), scored.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<cv::Matx33d> result;
    for (std::size_t k = 0; k < std::min<std::size_t>(2, scored.size()); ++k)
        result.push_back(scored[k].second);
    return result;
}

// Whether the fitted lines cross where one regular mapping puts them, near
// enough for the grid's corners to be read to a twentieth of a cell (a
// shaken phone's blur leaves looser fits a tenth of a cell off there).
bool Regular(const GridCheck::Fit &fit)
{
    return fit.worstOffset <= 0.045 && fit.rmsOffset <= 0.015;
}

struct Place {
    cv::Point2d principal;
    double photoSide;
    int gridShiftY;
};

// Fits a candidate to the picture's lines and checks it; on success the
// mapping from the picture's pixels to the module's grid units.
Checked Check(const GridCheck &check, const cv::Matx33d &candidate, const Place &place, cv::Size size)
{
    Checked result;
    result.searched = check.Polish(candidate, 0.8);
    GridCheck::Fit fit = check.Refine(result.searched, 0.3);
    if (!fit.problem.isEmpty())
        result.halfSpaced = {HalfSpaced(fit, 0), HalfSpaced(fit, 1)};
    if (fit.problem.isEmpty())
        fit = check.Refine(fit.gridToPicture, 0.15);
    if (!fit.problem.isEmpty()) {
        result.problem = fit.problem;
        return result;
    }
    result.stage = 1;
    result.fitted = fit.gridToPicture;
    if (!Regular(fit)) {
        result.problem = Tr("линии сетки стоят неравномерно");
        return result;
    }
    const GridCheck::Lines lines = check.CheckLines(fit.gridToPicture);
    if (!lines.problem.isEmpty()) {
        result.problem = lines.problem;
        return result;
    }
    result.stage = 2;

    // Which family runs across the module's picture: the one whose cells
    // come out 40 x 25 of its pixels for some view of a flat screen.
    const auto fits = [](const GridCheck::Shape &shape) {
        return shape.rectangle && shape.highStretch >= GridFinder::kLowestStretch
            && shape.lowStretch <= GridFinder::kHighestStretch;
    };
    const bool upright = fits(GridCheck::ShapeOf(fit.gridToPicture, place.principal, place.photoSide,
                                                 Grid::kCellWidth, Grid::kCellHeight));
    const bool sideways = fits(GridCheck::ShapeOf(fit.gridToPicture, place.principal, place.photoSide,
                                                  Grid::kCellHeight, Grid::kCellWidth));
    if (upright == sideways) {
        result.problem = upright ? Tr("по виду клеток не понять, какие линии идут поперёк экрана")
                                 : Tr("клетки не похожи на клетки сетки модуля, 40 × 25 пикселей, ни при каком "
                                      "ракурсе");
        return result;
    }
    result.stage = 3;

    // Which end is the top: the screen's picture reaches past the grid's
    // top line by the grid shift, past its bottom line by what is left.
    // A grabber's frame is the screen's picture itself: its border is the
    // screen's edge when the grid spans it from side to side.
    const cv::Point2d left = GridMath::Map(fit.gridToPicture, upright ? 0 : 5, upright ? 5 : 0);
    const cv::Point2d right = GridMath::Map(fit.gridToPicture, upright ? 10 : 5, upright ? 5 : 10);
    const bool spans = upright ? std::abs(left.x) <= 3 && std::abs(right.x - (size.width - 1)) <= 3
                               : std::abs(left.y) <= 3 && std::abs(right.y - (size.height - 1)) <= 3;
    const GridCheck::Edges edges = check.EdgesAlong(fit.gridToPicture, upright, spans);
    const double top = place.gridShiftY / Grid::kCellHeight;
    const double bottom = (Grid::kPictureRows - Grid::kCells * Grid::kCellHeight - place.gridShiftY) / Grid::kCellHeight;
    const double tolerance = GridFinder::kEdgeTolerance;
    // A dark part of the picture (a bumper, the night) may end it early as
    // seen, the frame never late: an orientation is out when an edge lies
    // past where it would put it, and in when the edge of the longer gap
    // lies where it puts it, the other out.
    struct Way {
        double low, high; // gaps it expects
        bool out = false, in = false;
    };
    Way ways[2] = {{top, bottom}, {bottom, top}}; // the low end the top; the high end the top
    for (Way &way : ways) {
        way.out = (!std::isnan(edges.low) && edges.low > way.low + tolerance)
            || (!std::isnan(edges.high) && edges.high > way.high + tolerance);
        const double longer = way.low >= way.high ? edges.low : edges.high;
        way.in = std::abs(way.low - way.high) > 2 * tolerance && !std::isnan(longer)
            && std::abs(longer - std::max(way.low, way.high)) <= tolerance;
    }
    bool lowIsTop = ways[0].in && !ways[0].out && ways[1].out;
    bool highIsTop = ways[1].in && !ways[1].out && ways[0].out;
    // A grabber's frame is the screen's picture itself: where it ends says
    // which end is the top, whatever the camera's scene shows near it.
    if (spans && !std::isnan(edges.borderLow) && !std::isnan(edges.borderHigh)) {
        const auto near = [&](double seen, double expected) { return std::abs(seen - expected) <= tolerance; };
        const bool lowTop = near(edges.borderLow, top) && near(edges.borderHigh, bottom);
        const bool highTop = near(edges.borderLow, bottom) && near(edges.borderHigh, top);
        if (lowTop != highTop) {
            lowIsTop = lowTop;
            highIsTop = highTop;
        }
    }
    if (lowIsTop == highIsTop) {
        if (std::abs(top - bottom) <= 2 * tolerance)
            result.problem = Tr("сетка стоит посередине экрана, и не понять, где у снимка верх");
        else if (std::isnan(edges.low) && std::isnan(edges.high))
            result.problem = Tr("не видно краёв экрана, по которым понятно, где у снимка верх");
        else
            result.problem = Tr("края экрана лежат не там, где им быть при сдвиге сетки вниз на %1 строк")
                                 .arg(place.gridShiftY);
        return result;
    }
    const int quarters = upright ? (lowIsTop ? 0 : 2) : (lowIsTop ? 3 : 1);
    result.stage = 4;

    const auto mapping = MappingThrough(fit.gridToPicture, quarters);
    if (!mapping) {
        result.problem = Tr("линии сетки не пересекаются");
        return result;
    }
    result.pictureToGrid = *mapping;
    result.quarters = quarters;
    const cv::Point2d middle = GridMath::Map(fit.gridToPicture, 5, 5);
    const cv::Point2d stepX = GridMath::Map(fit.gridToPicture, 6, 5) - middle;
    const cv::Point2d stepY = GridMath::Map(fit.gridToPicture, 5, 6) - middle;
    result.cellPixels = std::min(std::hypot(stepX.x, stepX.y), std::hypot(stepY.x, stepY.y));
    result.ok = true;
    return result;
}

Place PlaceIn(const cv::Mat &picture, const GridFinder::Hints &hints)
{
    Place place;
    place.principal = std::isnan(hints.principal.x) || std::isnan(hints.principal.y)
        ? cv::Point2d((picture.cols - 1) / 2.0, (picture.rows - 1) / 2.0)
        : hints.principal;
    place.photoSide = hints.photoSide > 0 ? hints.photoSide : std::max(picture.cols, picture.rows);
    place.gridShiftY = hints.gridShiftY;
    return place;
}

GridFinder::Result Found(const Checked &checked, double scale)
{
    GridFinder::Result result;
    // Pixels of the level searched are scale of the picture's.
    result.grid = GridMapping::FromTransform(QTransform::fromScale(scale, scale) * checked.pictureToGrid);
    if (!result.grid)
        result.problem = NoGrid();
    result.crossingsUsed = kGridLines * kGridLines;
    result.cellPixels = checked.cellPixels / scale;
    return result;
}

} // namespace

cv::Point2d GridFinder::LineCrossing(int i, int j)
{
    const double x = i < Grid::kCells ? i + 0.5 / Grid::kCellWidth : Grid::kCells - 0.5 / Grid::kCellWidth;
    return {x, j + 0.5 / Grid::kCellHeight};
}

namespace {

// Searches the picture at its own size, then a half and a quarter of it,
// checking the candidates the source gives at each (grid' units to the
// level's pixels, the most promising first).
template <typename Source>
GridFinder::Result Search(const cv::Mat &neutral, const GridFinder::Hints &hints, Source source)
{
    GridFinder::Result result;
    if (neutral.empty() || neutral.cols < GridFinder::kMinSide || neutral.rows < GridFinder::kMinSide) {
        result.problem = NoGrid();
        return result;
    }
    const Place whole = PlaceIn(neutral, hints);
    cv::Mat level = neutral;
    double scale = 1.0; // pixels of the level per pixel of the picture
    Checked likeliest;  // of the candidates that failed, the one that got furthest
    for (int depth = 0; depth < kLevels; ++depth) {
        if (depth > 0) {
            if (std::min(level.cols, level.rows) < 4 * GridFinder::kMinSide)
                break;
            cv::resize(level, level, {}, 0.5, 0.5, cv::INTER_AREA);
            scale *= 0.5;
        }
        const std::vector<Candidate> candidates = source(level, depth, scale);
        if (candidates.empty())
            continue;
        if (!result.candidate) {
            QPolygonF quad;
            for (const QPointF corner : {QPointF(0, 0), QPointF(10, 0), QPointF(10, 10), QPointF(0, 10)})
                quad << candidates.front().gridToPicture.map(corner) / scale;
            const QRectF box = quad.boundingRect();
            result.candidate = cv::Rect2d(box.x(), box.y(), box.width(), box.height());
        }
        const GridCheck check(level);
        const Place place{(whole.principal + cv::Point2d(0.5, 0.5)) * scale - cv::Point2d(0.5, 0.5),
                          whole.photoSide * scale, whole.gridShiftY};
        std::vector<cv::Matx33d> tried;
        std::vector<Checked> passed;
        int checked = 0;
        std::vector<cv::Matx33d> queue;
        for (const Candidate &c : candidates)
            queue.push_back(ToMatrix(c.gridToPicture));
        int doubled = 0; // half-spaced lattices taken at twice the spacing
        for (std::size_t next = 0; next < queue.size(); ++next) {
            const cv::Matx33d m = queue[next];
            if (std::any_of(tried.begin(), tried.end(), [&](const cv::Matx33d &t) { return SameGrid(t, m, 0.25); }))
                continue;
            if (++checked > kCandidatesChecked + 2 * doubled)
                break;
            tried.push_back(m);
            Checked outcome = Check(check, m, place, level.size());
            if (outcome.stage == 0 && (outcome.halfSpaced[0] || outcome.halfSpaced[1]) && doubled < 2) {
                ++doubled;
                const std::vector<cv::Matx33d> wider = DoubledSpacing(check, outcome);
                queue.insert(queue.begin() + std::ptrdiff_t(next) + 1, wider.begin(), wider.end());
            }
            if (outcome.stage >= 1)
                tried.push_back(outcome.fitted); // candidates that fit to the same lines are the same
            if (!outcome.ok) {
                if (outcome.stage > likeliest.stage || likeliest.problem.isEmpty())
                    likeliest = outcome;
                continue;
            }
            if (std::none_of(passed.begin(), passed.end(),
                             [&](const Checked &p) { return SameGrid(p.fitted, outcome.fitted, 0.3); }))
                passed.push_back(outcome);
        }
        if (passed.size() > 1) {
            result.problem = NotTheGrid(Tr("под сетку подходят два разных места снимка"));
            return result;
        }
        if (passed.size() == 1) {
            Checked &grid = passed.front();
            if (depth > 0) {
                // Found where blur left the lines readable; read them again
                // at the picture's own size, near where they were found,
                // for their place to a finer pixel.
                const cv::Matx33d toWhole(1 / scale, 0, 0.5 / scale - 0.5, 0, 1 / scale, 0.5 / scale - 0.5, 0, 0, 1);
                const cv::Matx33d rough = toWhole * grid.fitted;
                const GridCheck::Fit finer = GridCheck(neutral).Refine(rough, 0.15);
                if (finer.problem.isEmpty() && Regular(finer) && SameGrid(finer.gridToPicture, rough, 0.1)) {
                    if (const auto mapping = MappingThrough(finer.gridToPicture, grid.quarters)) {
                        grid.pictureToGrid = *mapping;
                        grid.cellPixels /= scale;
                        return Found(grid, 1.0);
                    }
                }
            }
            return Found(grid, scale);
        }
    }
    result.problem = likeliest.problem.isEmpty() ? NoGrid() : NotTheGrid(likeliest.problem);
    return result;
}

} // namespace

GridFinder::Result GridFinder::Find(const cv::Mat &neutral, const Hints &hints)
{
    return Search(neutral, hints, [](const cv::Mat &level, int depth, double) { return Candidates(level, depth); });
}

GridFinder::Result GridFinder::FromScreen(const cv::Mat &neutral, const std::array<cv::Point2d, 4> &screen,
                                          const Hints &hints)
{
    return Search(neutral, hints, [&](const cv::Mat &, int, double scale) {
        std::vector<Candidate> candidates;
        for (int turn = 0; turn < 4; ++turn) {
            GridMapping::Corners corners;
            for (int k = 0; k < 4; ++k) {
                const cv::Point2d p = screen[std::size_t((k + turn) % 4)] * scale;
                corners[std::size_t(k)] = QPointF(p.x, p.y);
            }
            const auto mapping = GridMapping::FromScreenCorners(corners, Grid::kCentredShiftX, hints.gridShiftY);
            if (!mapping)
                continue;
            // To OpenCV's pixels, whose centres lie at whole numbers.
            candidates.push_back({mapping->GridToPicture() * QTransform::fromTranslate(-0.5, -0.5), 1.0});
        }
        return candidates;
    });
}

GridFinder::Result GridFinder::Refine(const cv::Mat &neutral, const QTransform &roughGridToPicture, const Hints &hints)
{
    Result result;
    if (neutral.empty() || neutral.cols < kMinSide || neutral.rows < kMinSide) {
        result.problem = NoGrid();
        return result;
    }
    // The module's grid units as grid' units, in OpenCV's pixels.
    const cv::Matx33d rough = cv::Matx33d(1, 0, -0.5, 0, 1, -0.5, 0, 0, 1) * ToMatrix(roughGridToPicture);
    const Checked outcome = Check(GridCheck(neutral), rough, PlaceIn(neutral, hints), neutral.size());
    if (!outcome.ok) {
        result.problem = NotTheGrid(outcome.problem);
        return result;
    }
    return Found(outcome, 1.0);
}
