#pragma once
// The figures of a run: each trace's page and the study's figures, their
// data and gnuplot scripts written into one folder, then drawn by gnuplot.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "study/Averages.h"
#include "study/Bins.h"
#include "plots/PlotSet.h"
#include "study/Study.h"

namespace kavro::console {

class PlotWriter {
public:
    // Makes DIR, or uses it. Throws files::FileError / Failure.
    PlotWriter(std::string dir, std::vector<std::string> formats, kavro::study::BinWidth width);
    // One trace's page: its data and script, written at once (so that a
    // study of many traces never holds them all). The study needs its series
    // and packets. Throws files::FileError.
    void AddTrace(const std::string& trace, const kavro::study::Study& study);
    // The study figures from the runs (groups given or not; without, each
    // run's group is its trace), then gnuplot over every script written.
    // Throws Failure with the message to print, files::FileError.
    void Finish(const std::vector<kavro::study::Run>& runs, bool grouped);

private:
    void Write(const kavro::plots::Figure& figure);
    std::string Path(const std::string& name) const;

    std::string dir_;
    kavro::plots::PlotSet set_;
    std::vector<std::string> scripts_;
};

// --plot-format: a comma list of svg, pdf and png, each once in the order
// given; nothing for anything else.
std::optional<std::vector<std::string>> ParsePlotFormats(std::string_view list);

}  // namespace kavro::console
