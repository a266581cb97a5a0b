#include "Options.h"

#include <getopt.h>

#include <cstring>

const char* const kUsage =
    "usage: kavro-convert [OPTION]... TRACE...\n"
    "\n"
    "Converts ns-2 wireless traces (old, new or tagged format, plain or\n"
    "gzipped) into iNSpect event files, and gives the figures of a study.\n"
    "\n"
    "  TRACE              a trace file, or - for standard input\n"
    "  -o, --output=OUT   write the event file to OUT (- for standard output);\n"
    "                     only with one TRACE. By default runs/a.tr[.gz] gives\n"
    "                     runs/a.iNSpect.out, and standard input gives standard\n"
    "                     output.\n"
    "  -j, --jobs=N       use up to N cores: convert up to N traces at once, or\n"
    "                     one trace on two threads when there are cores to spare\n"
    "                     (default: all)\n"
    "  -q, --quiet        no summary line per trace on standard error\n"
    "      --csv=FILE     one row of figures per trace: delivery, delay, jitter,\n"
    "                     throughput, hops, routing load, drops\n"
    "      --flows=FILE   one row per flow (source, destination, packet type)\n"
    "      --nodes=FILE   one row per node: packets sent, received, forwarded\n"
    "                     and dropped, and its last reported energy\n"
    "      --drops=FILE   one row per drop layer, reason and packet type\n"
    "      --no-events    write no event files, only the tables\n"
    "  -h, --help         show this help and exit\n"
    "      --version      show the version and exit\n"
    "\n"
    "The tables are CSV with one header row; FILE may be - for standard output,\n"
    "but only one output of a run may be. A trace that fails gives no rows.\n"
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

namespace {

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

enum LongOnly { kCsv = 256, kFlows, kNodes, kDrops, kNoEvents, kVersion };

const option kLongOptions[] = {
    {"output", required_argument, nullptr, 'o'}, {"jobs", required_argument, nullptr, 'j'},
    {"quiet", no_argument, nullptr, 'q'},        {"help", no_argument, nullptr, 'h'},
    {"csv", required_argument, nullptr, kCsv},   {"flows", required_argument, nullptr, kFlows},
    {"nodes", required_argument, nullptr, kNodes}, {"drops", required_argument, nullptr, kDrops},
    {"no-events", no_argument, nullptr, kNoEvents}, {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

void Once(std::optional<std::string>& to, const char* name, const char* value) {
    if (to) throw UsageError(std::string(name) + " given twice");
    // Found before a trace is read, not at the rename after it.
    if (*value == '\0') throw UsageError(std::string(name) + " needs a file name, not an empty one");
    to = value;
}

}  // namespace

Options ParseOptions(int argc, char* const* argv) {
    Options o;
    optind = 0;   // start afresh, whatever was parsed before
    opterr = 0;   // the messages are ours, in the one form every usage error has
    for (int c; (c = getopt_long(argc, argv, ":o:j:qh", kLongOptions, nullptr)) != -1;) {
        const std::string given = argv[optind - 1];
        switch (c) {
            case 'o': Once(o.output, "-o", optarg); break;
            case 'j': o.jobs = ParseJobs(optarg); break;
            case 'q': o.quiet = true; break;
            case 'h': o.help = true; break;
            case kCsv: Once(o.csv, "--csv", optarg); break;
            case kFlows: Once(o.flows, "--flows", optarg); break;
            case kNodes: Once(o.nodes, "--nodes", optarg); break;
            case kDrops: Once(o.drops, "--drops", optarg); break;
            case kNoEvents: o.noEvents = true; break;
            case kVersion: o.version = true; break;
            case ':': throw UsageError(given + " needs a value");
            default: {
                const std::string name = given.substr(0, given.find('='));
                if (given.rfind("--", 0) == 0 && name.size() < given.size() && optopt != 0)
                    throw UsageError(name + " takes no value");
                if (optopt > 0 && optopt < 256)
                    throw UsageError(std::string("unknown option -") + static_cast<char>(optopt));
                throw UsageError("unknown option " + name);
            }
        }
    }
    for (int i = optind; i < argc; ++i) o.traces.emplace_back(argv[i]);
    if (o.help || o.version) return o;
    if (o.traces.empty()) throw UsageError("no TRACE given");
    if (o.output && o.traces.size() != 1) throw UsageError("-o needs exactly one TRACE");
    if (o.output && o.noEvents) throw UsageError("-o names an event file, but --no-events writes none");
    return o;
}

std::string DefaultOutput(const std::string& trace) {
    if (trace == "-") return "-";
    std::string base = trace;
    if (EndsWith(base, ".gz")) base.resize(base.size() - 3);
    if (EndsWith(base, ".tr")) base.resize(base.size() - 3);
    return base + ".iNSpect.out";
}
