#include "console/OptionTable.h"

namespace kavro::console {

const std::vector<OptionSpec>& OptionTable() {
    static const std::vector<OptionSpec> table = {
        {OptionId::Output, 'o', "output", "OUT",
         "write the event file to OUT (- for standard output);\n"
         "only with one TRACE. By default runs/a.tr[.gz]\n"
         "gives runs/a.iNSpect.out, and standard input gives\n"
         "standard output.\n",
         "Write the event file to\n.I OUT\ninstead of the name given under\n.BR OUTPUT ;\n.B \\-\n"
         "writes it to standard output.\nOnly with one\n.IR TRACE .\n"
         "The value may also follow the option directly, as in\n.BR \\-oOUT .\n",
         Completes::File},
        {OptionId::Jobs, 'j', "jobs", "N",
         "use up to N cores: convert up to N traces at once,\n"
         "or one trace on two threads when there are cores to\n"
         "spare (default: all)\n",
         "Use up to\n.I N\ncores, from 1 to 4096: convert up to\n.I N\n"
         "traces at once, or one trace on two threads when there are cores to spare.\n"
         "The default is every core.\n"},
        {OptionId::Quiet, 'q', "quiet", "", "no summary line per trace on standard error\n",
         "Write no summary line.\nFailures and warnings are reported all the same.\n"},
        {OptionId::Csv, 0, "csv", "FILE",
         "one row of figures per trace: delivery, delay,\n"
         "jitter, throughput, hops, routing load, drops\n",
         "Write the study table with one row per trace to\n.IR FILE .\n", Completes::File},
        {OptionId::Flows, 0, "flows", "FILE", "one row per flow (source, destination, type)\n",
         "Write the study table with one row per flow of each trace to\n.IR FILE .\n", Completes::File},
        {OptionId::Nodes, 0, "nodes", "FILE",
         "one row per node: packets sent, received,\n"
         "forwarded and dropped, and its last energy\n",
         "Write the study table with one row per node of each trace to\n.IR FILE .\n"
         "It reads each node's energy from every line, so it costs more than the others.\n",
         Completes::File},
        {OptionId::Drops, 0, "drops", "FILE", "one row per drop layer, reason and packet type\n",
         "Write the study table with one row per drop layer, reason and packet type of\neach trace to\n.IR FILE .\n",
         Completes::File},
        {OptionId::Series, 0, "series", "FILE",
         "one row per trace and time bin: packets sent and\n"
         "delivered, throughput, delays, drops, routing load\n",
         "Write the time series of each trace, one row per bin, to\n.IR FILE\n(see\n.BR \"TIME SERIES\" ).\n",
         Completes::File},
        {OptionId::FlowSeries, 0, "flow-series", "FILE", "one row per flow and time bin\n",
         "Write the time series of each flow, one row per bin, to\n.IR FILE .\n", Completes::File},
        {OptionId::NodeSeries, 0, "node-series", "FILE",
         "one row per node and time bin: packets sent,\n"
         "received, forwarded and dropped, and its energy\n",
         "Write the time series of each node, one row per bin, to\n.IR FILE .\n"
         "Like\n.BR \\-\\-nodes ,\nit reads each node's energy from every line.\n",
         Completes::File},
        {OptionId::Bin, 0, "bin", "SECONDS",
         "the width of the time bins in seconds, with at\n"
         "most 9 decimals (default: 1)\n",
         "The width of the bins of the time series and of the figures over time: a\n"
         "positive number of seconds with at most nine decimals; 1 by default.\n"},
        {OptionId::Packets, 0, "packets", "FILE",
         "one row per packet: times, delay, hops and size\n",
         "Write one row per packet of each trace to\n.IR FILE\n(see\n.BR \"PACKETS\" ).\n", Completes::File},
        {OptionId::Summary, 0, "summary", "FILE",
         "one row per group of traces: each figure's mean,\n"
         "standard deviation and 95% confidence interval\n",
         "Write the averages over the runs of each group of traces to\n.IR FILE\n(see\n.BR \"AVERAGES\" ).\n",
         Completes::File},
        {OptionId::Group, 0, "group", "REGEX",
         "group the traces by the text of REGEX's first\n"
         "capture group in their paths (default: one group)\n",
         "Group the traces for\n.B \\-\\-summary\nand\n.BR \\-\\-plots :\n"
         "a trace's group is the text of the first capture group of\n.I REGEX\n"
         "(ECMAScript syntax) searched for in its path as given.\n"
         "A trace whose path does not match, or a\n.I REGEX\nthat does not compile, is a usage error.\n"},
        {OptionId::Plots, 0, "plots", "DIR",
         "draw the study's figures and a page per trace\n"
         "with gnuplot into DIR, beside data and scripts\n",
         "Draw the study's figures and one page of figures per trace into\n.I DIR\n"
         "(made if it does not exist), beside the data they plot and the gnuplot\n"
         "scripts that draw them (see\n.BR FIGURES ).\n",
         Completes::Folder},
        {OptionId::PlotFormat, 0, "plot-format", "LIST",
         "the figures' formats: a comma list of svg, pdf\n"
         "and png (default: svg,pdf)\n",
         "The formats of the figures: a comma list of svg, pdf and png; svg,pdf by default.\n"},
        {OptionId::NoEvents, 0, "no-events", "", "write no event files, only the tables\n",
         "Write no event files; only the tables, the figures and the summary lines.\n"},
        {OptionId::Help, 'h', "help", "", "show this help and exit\n", "Print the usage and exit.\n"},
        {OptionId::Version, 0, "version", "", "show the version and exit\n", "Print the version and exit.\n"},
    };
    return table;
}

}  // namespace kavro::console
