#pragma once
// The study's figures over all its traces: delivery ratio, delay,
// throughput, routing load, hops and drops. With groups, each group's mean
// with its 95 % confidence interval, on a numeric axis when every group is a
// number; without, one bar per trace.
#include <string>
#include <vector>

#include "study/Averages.h"
#include "plots/Figure.h"

namespace kavro::plots {

// The names the study's figures take, before any trace's.
const std::vector<std::string>& StudyStems();

// Without groups each run's group is its trace, as the user named it.
std::vector<Figure> StudyFigures(const std::vector<study::Run>& runs, bool grouped,
                                 const std::vector<std::string>& formats);

}  // namespace kavro::plots
