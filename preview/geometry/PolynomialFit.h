#pragma once

// Least-squares polynomial fits (unit weights) of the guide lines.

#include <optional>
#include <span>

namespace geometry {

// Converts a plane coordinate to an integer position: truncation toward
// zero, saturating at the int range; NaN gives 0.
int TruncToInt(double value);

// c0 + c1 t + c2 t^2, evaluated as (t c2 + c1) t + c0.
struct Polynomial {
    double c0 = 0.0;
    double c1 = 0.0;
    double c2 = 0.0;

    double Evaluate(double t) const { return (t * c2 + c1) * t + c0; }
    int EvaluateTrunc(double t) const { return TruncToInt(Evaluate(t)); }
};

// Fits v = P(t) through the pairs (t[i], v[i]): degree 2 when there are three
// pairs or more, else degree 1. Coincident t values give the constant through
// the mean of v. Empty input, NaN or infinite input, and coefficients that
// come out non-finite give no polynomial (the caller then draws nothing).
std::optional<Polynomial> FitPolynomial(std::span<const double> t, std::span<const double> v);

} // namespace geometry
