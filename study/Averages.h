#pragma once
// Averages over runs: each group of traces' figures as a mean, a sample
// standard deviation and the half-width of a 95 % confidence interval.
#include <string>
#include <string_view>
#include <vector>

#include "study/Study.h"

namespace kavro::study {

struct Run {
    std::string group;
    TraceFigures figures;
};

// Values of one figure over runs: their mean, sample standard deviation
// and the half-width of a 95 % confidence interval by Student's t.
struct Spread {
    size_t n = 0;
    Value mean;      // with one value or more
    Value sd, ci95;  // with two or more
};
Spread SpreadOf(const std::vector<double>& values);

extern const std::string kSummaryHeader;

// One row per group, groups by value when every group reads as a number,
// otherwise by bytes. A figure empty for a run is left out of its statistics.
std::string SummaryRows(const std::vector<Run>& runs);

// Student's t for a two-sided 95 % interval with `df` degrees of freedom,
// to four significant digits, as tables give it (12.71 for one).
double StudentT95(unsigned long df);

// Whether every text reads whole as a finite number.
bool AllNumbers(const std::vector<std::string>& texts);

// Orders texts by value when every one reads as a number, otherwise by bytes.
void SortGroups(std::vector<std::string>& groups);

}  // namespace kavro::study
