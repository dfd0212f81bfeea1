#include "PolynomialFit.h"

#include <interpolation.h>

#include <cmath>
#include <limits>

namespace geometry {

int TruncToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (value <= static_cast<double>(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

std::optional<Polynomial> FitPolynomial(std::span<const double> t, std::span<const double> v)
{
    const size_t n = std::min(t.size(), v.size());
    if (n == 0)
        return std::nullopt;
    for (size_t i = 0; i < n; ++i) {
        if (!std::isfinite(t[i]) || !std::isfinite(v[i]))
            return std::nullopt;
    }
    const int degree = n >= 3 ? 2 : 1;
    try {
        alglib::real_1d_array x;
        alglib::real_1d_array y;
        x.setcontent(static_cast<alglib::ae_int_t>(n), t.data());
        y.setcontent(static_cast<alglib::ae_int_t>(n), v.data());
        alglib::ae_int_t info = 0;
        alglib::barycentricinterpolant p;
        alglib::polynomialfitreport report;
        // ALGLIB counts basis functions: degree + 1.
        alglib::polynomialfit(x, y, static_cast<alglib::ae_int_t>(n), degree + 1, info, p, report);
        if (info <= 0)
            return std::nullopt;
        alglib::real_1d_array a;
        alglib::polynomialbar2pow(p, a);
        Polynomial result;
        result.c0 = a.length() > 0 ? a[0] : 0.0;
        result.c1 = a.length() > 1 ? a[1] : 0.0;
        result.c2 = (degree == 2 && a.length() > 2) ? a[2] : 0.0;
        if (!std::isfinite(result.c0) || !std::isfinite(result.c1) || !std::isfinite(result.c2))
            return std::nullopt;
        return result;
    } catch (const alglib::ap_error &) {
        return std::nullopt;
    }
}

} // namespace geometry
