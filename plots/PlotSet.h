#pragma once
// The figures of one run of kavro-convert: a page per trace and the study's
// figures over them all, each as files named apart from every other's.
#include <string>
#include <vector>

#include "study/Averages.h"
#include "study/Bins.h"
#include "plots/Figure.h"
#include "plots/Names.h"
#include "study/Study.h"

namespace kavro::plots {

class PlotSet {
public:
    // `formats`: any of svg, pdf and png; the series are in bins of `width`.
    PlotSet(std::vector<std::string> formats, study::BinWidth width);

    // The page of `trace` (as the user named it), named after it.
    Figure Page(const std::string& trace, const study::Study& study);

    // Without groups each run's group is its trace, as the user named it.
    std::vector<Figure> StudyFigures(const std::vector<study::Run>& runs, bool grouped) const;

private:
    std::vector<std::string> formats_;
    study::BinWidth width_;
    FileNames names_;
};

}  // namespace kavro::plots
