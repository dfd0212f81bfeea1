// Polynomial fits and the integer conversion every plane coordinate goes through.

#include "PolynomialFit.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

using geometry::FitPolynomial;
using geometry::TruncToInt;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

TEST(GeometryTruncToInt, truncatesTowardZeroAndSaturates)
{
    struct Case {
        double value;
        int expected;
    };
    const Case cases[] = {
        {2.99, 2},        {-2.99, -2},      {0.5, 0},         {-0.5, 0},
        {19.99999999999999, 19},            {1e308, kIntMax}, {-1e308, kIntMin},
        {kInf, kIntMax},  {-kInf, kIntMin}, {kNaN, 0},        {2147483647.5, kIntMax},
        {-2147483648.5, kIntMin},           {2147483646.9, 2147483646},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TruncToInt(c.value), c.expected) << "value " << c.value;
}

TEST(GeometryFit, threePointsGiveTheParabolaThroughThem)
{
    // y = 0.5 x^2 - 3x + 7
    const std::array<double, 3> t{0.0, 2.0, 6.0};
    const std::array<double, 3> v{7.0, 3.0, 7.0};
    const auto p = FitPolynomial(t, v);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->c2, 0.5, 1e-9);
    EXPECT_NEAR(p->c1, -3.0, 1e-9);
    EXPECT_NEAR(p->c0, 7.0, 1e-9);
    EXPECT_NEAR(p->Evaluate(4.0), 3.0, 1e-9);
}

TEST(GeometryFit, twoPointsGiveAStraightLine)
{
    const std::array<double, 2> t{200.0, 150.0};
    const std::array<double, 2> v{20.0, 40.0};
    const auto p = FitPolynomial(t, v);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->c2, 0.0);
    EXPECT_NEAR(p->c1, -0.4, 1e-12);
    EXPECT_NEAR(p->c0, 100.0, 1e-9);
    // Rounding noise may leave P(200) just below 20: the truncated pixel is 19 or 20.
    EXPECT_GE(p->EvaluateTrunc(200.0), 19);
    EXPECT_LE(p->EvaluateTrunc(200.0), 20);
}

TEST(GeometryFit, fivePointsGiveTheLeastSquaresParabolaNotAnInterpolant)
{
    // Normal equations by hand: 5 c0 + 10 c2 = 2, 10 c0 + 34 c2 = 8, c1 = 0
    // by symmetry, so c2 = 2/7 and c0 = -6/35; P(2) = 34/35, not 1.
    const std::array<double, 5> t{-2.0, -1.0, 0.0, 1.0, 2.0};
    const std::array<double, 5> v{1.0, 0.0, 0.0, 0.0, 1.0};
    const auto p = FitPolynomial(t, v);
    ASSERT_TRUE(p);
    EXPECT_NEAR(p->c2, 2.0 / 7.0, 1e-9);
    EXPECT_NEAR(p->c1, 0.0, 1e-9);
    EXPECT_NEAR(p->c0, -6.0 / 35.0, 1e-9);
    EXPECT_NEAR(p->Evaluate(2.0), 34.0 / 35.0, 1e-9);
}

TEST(GeometryFit, coincidentIndependentValuesGiveTheConstantThroughTheMean)
{
    const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases = {
        {{100.0, 100.0}, {20.0, 40.0}},
        {{100.0, 100.0, 100.0}, {10.0, 20.0, 60.0}},
        {{55.0}, {7.0}},
    };
    for (const auto &[t, v] : cases) {
        const auto p = FitPolynomial(t, v);
        ASSERT_TRUE(p) << "points " << t.size();
        double mean = 0.0;
        for (double value : v)
            mean += value / static_cast<double>(v.size());
        EXPECT_NEAR(p->Evaluate(t[0]), mean, 1e-6) << "points " << t.size();
        EXPECT_NEAR(p->Evaluate(t[0] + 37.0), mean, 1e-6) << "points " << t.size();
    }
}

TEST(GeometryFit, unusableInputGivesNoPolynomial)
{
    const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases = {
        {{}, {}},
        {{kNaN, 1.0}, {1.0, 2.0}},
        {{0.0, 1.0, 2.0}, {1.0, kNaN, 2.0}},
        {{0.0, kInf}, {1.0, 2.0}},
        {{0.0, 1.0}, {-kInf, 2.0}},
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_FALSE(FitPolynomial(cases[i].first, cases[i].second)) << "case " << i;
}

TEST(GeometryFit, hugeFiniteInputNeverGivesNonFiniteCoefficients)
{
    const std::vector<std::pair<std::vector<double>, std::vector<double>>> cases = {
        {{1e308, -1e308, 0.0}, {1.0, 2.0, 3.0}},
        {{0.0, 1.0, 2.0}, {1e308, -1e308, 1e308}},
        {{1e300, 1e300}, {1.0, 2.0}},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto p = FitPolynomial(cases[i].first, cases[i].second);
        if (p) {
            EXPECT_TRUE(std::isfinite(p->c0) && std::isfinite(p->c1) && std::isfinite(p->c2)) << "case " << i;
        }
    }
}

} // namespace
