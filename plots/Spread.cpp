#include "Spread.h"

#include <cmath>

#include "Averages.h"

namespace kavro::plots {

Spread SpreadOf(const std::vector<double>& values) {
    Spread s;
    s.n = values.size();
    if (s.n == 0) return s;
    double sum = 0;
    for (double v : values) sum += v;
    const double mean = sum / s.n;
    const auto finite = [](double v) { return std::isfinite(v) ? study::Value(v) : std::nullopt; };
    s.mean = finite(mean);
    if (s.n < 2) return s;
    double squares = 0;
    for (double v : values) squares += (v - mean) * (v - mean);
    const double sd = std::sqrt(squares / (s.n - 1));
    s.sd = finite(sd);
    s.ci95 = finite(study::StudentT95(s.n - 1) * sd / std::sqrt(static_cast<double>(s.n)));
    return s;
}

}  // namespace kavro::plots
