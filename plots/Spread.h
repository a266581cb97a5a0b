#pragma once
// A group's runs as study/Averages sums them up: mean, sample standard
// deviation and the half-width of a 95 % confidence interval by Student's t.
#include <cstddef>
#include <vector>

#include "Study.h"

namespace kavro::plots {

struct Spread {
    size_t n = 0;
    study::Value mean;        // with one value or more
    study::Value sd, ci95;    // with two or more
};

Spread SpreadOf(const std::vector<double>& values);

}  // namespace kavro::plots
