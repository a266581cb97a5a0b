#include "plots/PlotSet.h"

#include "plots/StudyFigures.h"
#include "plots/TracePage.h"

namespace kavro::plots {

PlotSet::PlotSet(std::vector<std::string> formats, study::BinWidth width)
    : formats_(std::move(formats)), width_(width) {
    // The study's figures come last but keep their names.
    for (const std::string& stem : StudyStems()) names_.Claim(stem, {".gp", ".csv", ".svg", ".pdf", ".png"});
}

Figure PlotSet::Page(const std::string& trace, const study::Study& study) {
    const std::string label = TraceLabel(trace);
    return TracePage(names_.Claim(SafeStem(label), PageSuffixes()), label, study, width_, formats_);
}

std::vector<Figure> PlotSet::StudyFigures(const std::vector<study::Run>& runs, bool grouped) const {
    return plots::StudyFigures(runs, grouped, formats_);
}

}  // namespace kavro::plots
