#pragma once
// Every option of kavro-convert, defined once: its names, its argument, its
// help and its manual text. The getopt_long table, --help, the manual page's
// OPTIONS and the shell completions are all made from this.
#include <string_view>
#include <vector>

namespace kavro::console {

enum class OptionId {
    Output, Jobs, Quiet, Csv, Flows, Nodes, Drops, Series, FlowSeries, NodeSeries, Bin,
    Packets, Summary, Group, Plots, PlotFormat, NoEvents, Help, Version,
};

// What an option's argument completes to in a shell.
enum class Completes { Nothing, File, Folder };

struct OptionSpec {
    OptionId id;
    char shortName;             // 0 for none
    std::string_view longName;  // without the dashes
    std::string_view argument;  // empty for none
    std::string_view help;      // for --help; lines end in \n, wrapped to fit after the names
    std::string_view manual;    // the manual page's paragraph, roff
    Completes completes = Completes::Nothing;
};

const std::vector<OptionSpec>& OptionTable();

}  // namespace kavro::console
