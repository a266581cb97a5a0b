#pragma once
// One trace's page: its throughput over time, each delivered packet's delay
// by the time it was sent, the packets delivered and dropped so far, and each
// node's energy when the trace reports it.
#include <string>
#include <string_view>
#include <vector>

#include "study/Bins.h"
#include "plots/Figure.h"
#include "study/Study.h"

namespace kavro::plots {

// What a page's files add to its stem.
const std::vector<std::string>& PageSuffixes();

// `study` has its series, in bins of `width`, and its packets; `title` names
// the trace on the page.
Figure TracePage(const std::string& stem, std::string_view title, const study::Study& study,
                 const study::BinWidth& width, const std::vector<std::string>& formats);

}  // namespace kavro::plots
