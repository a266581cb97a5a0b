#include "Options.h"

#include <cstring>
#include <stdexcept>

const char* const kUsage =
    "usage: kavro-convert [-o OUT] [-j N] [-q] TRACE...\n"
    "       kavro-convert --help | --version\n"
    "\n"
    "Converts ns-2 wireless traces (old or new format, plain or gzipped) into\n"
    "iNSpect event files.\n"
    "\n"
    "  TRACE    a trace file, or - for standard input\n"
    "  -o OUT   write the event file to OUT (- for standard output); only with\n"
    "           one TRACE. By default runs/a.tr[.gz] gives runs/a.iNSpect.out,\n"
    "           and standard input gives standard output.\n"
    "  -j N     use up to N cores: convert up to N traces at once, or one trace\n"
    "           on two threads when there are cores to spare (default: all)\n"
    "  -q       no summary line per trace on standard error\n"
    "\n"
    "OUT replaces a regular file (through a link, the file it names) only once\n"
    "it is complete, keeping its mode; a device, FIFO or socket is written into.\n"
    "A file the user may not write is refused, as is an OUT that is one of the\n"
    "traces, or two outputs that are one file.\n"
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

}  // namespace

Options ParseOptions(int argc, const char* const* argv) {
    Options o;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            o.traces.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "-q") {
            o.quiet = true;
        } else if (arg.compare(0, 2, "-o") == 0 || arg.compare(0, 2, "-j") == 0) {
            // The value follows, joined ("-j4") or as the next argument.
            std::string value = arg.substr(2);
            if (value.empty()) {
                if (i + 1 == argc) throw UsageError(arg + " needs a value");
                value = argv[++i];
            }
            if (arg[1] == 'o') {
                if (o.output) throw UsageError("-o given twice");
                o.output = value;
            } else {
                o.jobs = ParseJobs(value);
            }
        } else {
            throw UsageError("unknown option " + arg);
        }
    }
    if (o.help || o.version) return o;
    if (o.traces.empty()) throw UsageError("no TRACE given");
    if (o.output && o.traces.size() != 1) throw UsageError("-o needs exactly one TRACE");
    return o;
}

std::string DefaultOutput(const std::string& trace) {
    if (trace == "-") return "-";
    std::string base = trace;
    if (EndsWith(base, ".gz")) base.resize(base.size() - 3);
    if (EndsWith(base, ".tr")) base.resize(base.size() - 3);
    return base + ".iNSpect.out";
}
