#include "console/Options.h"

#include <getopt.h>

#include <algorithm>
#include <cstring>

#include "console/OptionTable.h"

namespace kavro::console {

namespace {

constexpr const char* kUsageHead =
    "usage: kavro-convert [OPTION]... TRACE...\n"
    "\n"
    "Converts ns-2 wireless traces (old, new or tagged format, plain or\n"
    "gzipped) into iNSpect event files, and gives the figures of a study.\n"
    "\n";

constexpr const char* kUsageTail =
    "\n"
    "The tables and series are CSV with one header row; FILE may be - for\n"
    "standard output, but only one output of a run may be. A trace that fails\n"
    "gives no rows.\n"
    "\n"
    "An output replaces a regular file (through a link, the file it names)\n"
    "only once it is complete, keeping its mode; a device, FIFO or socket is\n"
    "written into. A file the user may not write is refused, as is an empty\n"
    "name, an output that is one of the traces (but for a terminal, a device\n"
    "or a socket), or two outputs that are one file.\n"
    "\n"
    "A trace fails when no line of it is an agent line: a wireless one with\n"
    "\"no agent lines (agent tracing off? -agentTrace ON)\", anything else with\n"
    "what it seems to be. It fails, too, when a line that may be an agent or\n"
    "routing line is longer than 1 MiB. Without routing-layer lines the relays\n"
    "come from the MAC layer's receive lines; without those too it converts,\n"
    "with a warning: every path then shows as one direct link, and the hops\n"
    "are ns-2's own counts.\n"
    "\n"
    "Exit status: 0 when every trace converted, 1 when any failed, 2 for a\n"
    "usage error. When the reader of the output goes away, the program stops\n"
    "quietly by SIGPIPE, as cat does (status 141 in the shell); with SIGPIPE\n"
    "ignored, that trace fails without a message.\n";

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

unsigned ParseJobs(const std::string& text) {
    unsigned long n = 0;
    bool ok = !text.empty();
    for (char c : text) {
        ok = ok && c >= '0' && c <= '9' && n <= 4096;
        if (ok) n = n * 10 + static_cast<unsigned long>(c - '0');
    }
    if (!ok || n == 0 || n > 4096)
        throw UsageError("-j needs a whole number from 1 to 4096, not \"" + text + "\"");
    return static_cast<unsigned>(n);
}

void Once(std::optional<std::string>& to, const std::string& name, const char* value, bool isFile) {
    if (to) throw UsageError(name + " given twice");
    // Found before a trace is read, not at the rename after it.
    if (isFile && *value == '\0') throw UsageError(name + " needs a file name, not an empty one");
    to = value;
}

// The name messages give an option: -o, or --csv for one without a short name.
std::string NameOf(const OptionSpec& option) {
    return option.shortName ? std::string("-") + option.shortName : "--" + std::string(option.longName);
}

}  // namespace

std::string Usage() {
    const auto namesOf = [](const OptionSpec& option) {
        std::string names = option.shortName ? std::string("  -") + option.shortName + ", " : std::string(6, ' ');
        names += "--" + std::string(option.longName);
        if (!option.argument.empty()) names += "=" + std::string(option.argument);
        return names;
    };
    // The help's lines start in one column, two after the longest names.
    size_t column = 0;
    for (const OptionSpec& option : OptionTable()) column = std::max(column, namesOf(option).size() + 2);
    std::string trace = "  TRACE";
    trace.resize(column, ' ');
    std::string usage = kUsageHead + trace + "a trace file, or - for standard input\n";
    for (const OptionSpec& option : OptionTable()) {
        std::string names = namesOf(option);
        names.resize(column, ' ');
        std::string_view help = option.help;
        for (bool first = true; !help.empty(); first = false) {
            const size_t end = help.find('\n') + 1;
            usage += (first ? names : std::string(column, ' ')) + std::string(help.substr(0, end));
            help.remove_prefix(end);
        }
    }
    return usage + kUsageTail;
}

Options ParseOptions(int argc, char* const* argv) {
    const std::vector<OptionSpec>& table = OptionTable();
    std::vector<option> longs;
    std::string shorts = ":";  // a missing value is ':', not '?'
    for (size_t i = 0; i < table.size(); ++i) {
        const OptionSpec& option = table[i];
        const int has = option.argument.empty() ? no_argument : required_argument;
        longs.push_back({option.longName.data(), has, nullptr, static_cast<int>(256 + i)});
        if (option.shortName) shorts += std::string(1, option.shortName) + (has ? ":" : "");
    }
    longs.push_back({nullptr, 0, nullptr, 0});

    Options o;
    optind = 0;   // start afresh, whatever was parsed before
    opterr = 0;   // the messages are ours, in the one form every usage error has
    for (int c; (c = getopt_long(argc, argv, shorts.c_str(), longs.data(), nullptr)) != -1;) {
        const std::string given = argv[optind - 1];
        if (c == ':') throw UsageError(given + " needs a value");
        const OptionSpec* option = nullptr;
        for (const OptionSpec& s : table)
            if (c >= 256 ? &s == &table[static_cast<size_t>(c - 256)] : s.shortName == c) option = &s;
        if (!option) {
            const std::string name = given.substr(0, given.find('='));
            if (given.rfind("--", 0) == 0 && name.size() < given.size() && optopt != 0)
                throw UsageError(name + " takes no value");
            if (optopt > 0 && optopt < 256)
                throw UsageError(std::string("unknown option -") + static_cast<char>(optopt));
            throw UsageError("unknown option " + name);
        }
        const std::string name = NameOf(*option);
        const auto once = [&](std::optional<std::string>& to) { Once(to, name, optarg, option->completes != Completes::Nothing); };
        switch (option->id) {
            case OptionId::Output: once(o.output); break;
            case OptionId::Jobs: o.jobs = ParseJobs(optarg); break;
            case OptionId::Quiet: o.quiet = true; break;
            case OptionId::Csv: once(o.csv); break;
            case OptionId::Flows: once(o.flows); break;
            case OptionId::Nodes: once(o.nodes); break;
            case OptionId::Drops: once(o.drops); break;
            case OptionId::Series: once(o.series); break;
            case OptionId::FlowSeries: once(o.flowSeries); break;
            case OptionId::NodeSeries: once(o.nodeSeries); break;
            case OptionId::Bin: once(o.bin); break;
            case OptionId::Packets: once(o.packets); break;
            case OptionId::Summary: once(o.summary); break;
            case OptionId::Group: once(o.group); break;
            case OptionId::Plots: once(o.plots); break;
            case OptionId::PlotFormat: once(o.plotFormat); break;
            case OptionId::NoEvents: o.noEvents = true; break;
            case OptionId::Help: o.help = true; break;
            case OptionId::Version: o.version = true; break;
        }
    }
    for (int i = optind; i < argc; ++i) o.traces.emplace_back(argv[i]);
    return o;
}

std::string DefaultOutput(const std::string& trace) {
    if (trace == "-") return "-";
    std::string base = trace;
    if (EndsWith(base, ".gz")) base.resize(base.size() - 3);
    if (EndsWith(base, ".tr")) base.resize(base.size() - 3);
    return base + ".iNSpect.out";
}

}  // namespace kavro::console
