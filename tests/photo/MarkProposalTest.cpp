// Which mark is which guide point, over layouts seen by a rear camera with
// marks missing, stray spots and the finder's small errors.
#include "MarkProposal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <numbers>

namespace {

struct Car {
    double width = 1.8;        // metres between the side lines
    double cameraOffset = 0.0; // lens right of the centre line, metres
    double tiltDeg = 45.0;
};

// A ground point (metres right of the centre line, behind the bumper) in grid
// units of a 400 x 312 monitor picture under a pinhole camera 1 m up.
QPointF OnGrid(const Car &car, double x, double y)
{
    const double focal = 200 / std::tan(50 * std::numbers::pi / 180);
    const double t = car.tiltDeg * std::numbers::pi / 180;
    const double vy = y + 0.05, vz = -1.0;
    const double depth = vy * std::cos(t) - vz * std::sin(t);
    const double down = -(vy * std::sin(t) + vz * std::cos(t));
    return {(200 + focal * (x - car.cameraOffset) / depth) / 40, (156 + focal * down / depth) / 31.2};
}

// The ground points of the guidePoints, one per place (shared guidePoints left out).
std::map<int, QPointF> Ground(const Car &car)
{
    const double half = car.width / 2;
    std::map<int, QPointF> g{{0, {-half, 0.1}}, {1, {0, 0.1}}, {2, {half, 0.1}}};
    for (int m = 1; m <= 4; ++m) {
        g[3 + m] = {-half, double(m)};
        g[8 + m] = {half, double(m)};
    }
    for (int i = 1; i <= 2; ++i) {
        const double along = 1.25 * i, inward = 6 - std::sqrt(36 - along * along);
        g[13 + i] = {-half + inward, 0.1 + along};
        g[18 + i] = {half - inward, 0.1 + along};
    }
    return g;
}

constexpr int kSharedWith[MarkProposal::kSlotCount] = {0, 1, 2, 0, 4, 5, 6, 7, 2, 9, 10,
                                                        11, 12, 0, 14, 15, -1, -1, 2, 19, 20};

TEST(MarkProposal, eachPointGetsItsMarkFromTheLayout)
{
    const QPointF nan(std::numeric_limits<double>::quiet_NaN(), 1);
    const struct {
        const char *name;
        Car car;
        std::vector<int> missing;
        std::vector<QPointF> extra;
    } cases[] = {
        {"every mark", {}, {}, {}},
        {"camera off the centre, narrower car, flatter view", {1.7, 0.2, 40}, {}, {}},
        {"no middle of the base line", {}, {1}, {}},
        {"left 2 m missing: 3 m and 4 m by the perspective", {}, {5}, {}},
        {"right 1 m missing", {}, {9}, {}},
        {"right 4 m and the left curve's last cross missing", {}, {12, 15}, {}},
        {"a stone below the base line, spots in the sky, a broken position", {},
         {}, {{5.2, 9.9}, {5.0, 0.6}, {8.6, 0.3}, nan}},
        {"no right side line", {}, {9, 10, 11, 12}, {}},
        {"specks of tape just inside the left side line, a cross twice", {}, {},
         {OnGrid({}, -0.84, 0.5), OnGrid({}, -0.83, 0.7), OnGrid({}, 0.78, 1.5)}},
        {"specks along the right side line short of 1 m", {}, {},
         {OnGrid({}, 0.9, 0.45), OnGrid({}, 0.91, 0.55), OnGrid({}, 0.87, 0.75)}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<QPointF> marks;
        std::map<int, int> indexOfPlace;
        int jitter = 0;
        for (const auto &[slot, ground] : Ground(c.car)) {
            if (std::find(c.missing.begin(), c.missing.end(), slot) != c.missing.end())
                continue;
            // The finder is a few hundredths off.
            const double dx = 0.04 * std::sin(++jitter * 2.3), dy = 0.04 * std::cos(jitter * 1.7);
            indexOfPlace[slot] = int(marks.size());
            marks.push_back(OnGrid(c.car, ground.x(), ground.y()) + QPointF(dx, dy));
        }
        marks.insert(marks.end(), c.extra.begin(), c.extra.end());
        std::vector<int> guidePoints;
        for (int s = 0; s < MarkProposal::kSlotCount; ++s)
            if (kSharedWith[s] >= 0)
                guidePoints.push_back(s);
        const std::vector<int> proposed = MarkProposal::Propose(marks, guidePoints);
        ASSERT_EQ(proposed.size(), guidePoints.size());
        for (size_t i = 0; i < guidePoints.size(); ++i) {
            const auto found = indexOfPlace.find(kSharedWith[guidePoints[i]]);
            EXPECT_EQ(proposed[i], found == indexOfPlace.end() ? -1 : found->second) << "slot " << guidePoints[i];
        }
    }
}

TEST(MarkProposal, tooLittleToGoOnProposesNothingWrong)
{
    const struct {
        const char *name;
        std::vector<QPointF> marks;
        std::vector<int> guidePoints;
        std::vector<int> expected;
    } cases[] = {
        {"no marks", {}, {0, 1, 2, 4}, {-1, -1, -1, -1}},
        {"guidePoints that are none", {{1, 9}, {9, 9}}, {-1, 16, 21, 0}, {-1, -1, -1, 0}},
        {"one mark right of the middle", {{8.5, 9}}, {0, 2, 8, 18}, {-1, 0, 0, 0}},
        {"only infinities", {{INFINITY, 9}, {1, -INFINITY}}, {0, 2}, {-1, -1}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MarkProposal::Propose(c.marks, c.guidePoints), c.expected);
    }
}

} // namespace
