#include "console/RunPlan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <regex>
#include <thread>

#include "study/Csv.h"
#include "files/FileId.h"
#include "console/Plots.h"
#include "console/SummaryLine.h"

namespace kavro::console {

namespace {

namespace study = kavro::study;

std::string OutName(const std::string& out) { return out == "-" ? "standard output" : out; }

// Whether one file may be both a trace and an output: a terminal, /dev/null
// or a socket reads apart from what is written; a file or disk would be
// overwritten, and a FIFO or pipe would be read for the output it waits for.
bool MayBeBoth(unsigned kind) { return S_ISCHR(kind) || S_ISSOCK(kind); }

std::optional<files::FileId> Identify(const std::string& name, int standard) {
    return name == "-" ? files::IdentifyFile(standard) : files::IdentifyFile(name);
}

// Every output, event file or table, is told apart from the others and from
// the traces by the file it names. A name that cannot be found yet fails
// later, where it is written.
void CheckOutputs(const std::vector<std::string>& traces,
                  const std::vector<std::pair<std::string, std::string>>& outputs) {
    std::vector<std::optional<files::FileId>> traceIds;
    for (const std::string& trace : traces) traceIds.push_back(Identify(trace, STDIN_FILENO));
    std::map<files::FileId, size_t> writer;
    size_t standardOutputs = 0;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const auto& [out, whose] = outputs[i];
        if (out == "-" && ++standardOutputs > 1) throw UsageError("only one output may be standard output");
        const std::optional<files::FileId> id = Identify(out, STDOUT_FILENO);
        if (!id) continue;
        for (size_t t = 0; t < traces.size(); ++t)
            if (traceIds[t] && *traceIds[t] == *id && !MayBeBoth(id->kind))
                throw UsageError(OutName(out) + " is the trace " + TraceName(traces[t]) + " itself; " +
                                 (S_ISFIFO(id->kind) ? "it would wait for its own output" : "it would be overwritten"));
        const auto [at, fresh] = writer.emplace(*id, i);
        if (!fresh)
            throw UsageError(outputs[at->second].second + " and " + whose + " would both write " + OutName(out));
    }
}

// Each trace's group: the text of the first capture group of --group.
std::vector<std::string> Groups(const Options& o) {
    if (!o.group) return std::vector<std::string>(o.traces.size());
    std::regex regex;
    try {
        regex.assign(*o.group, std::regex::ECMAScript);
    } catch (const std::regex_error& e) {
        throw UsageError("--group: \"" + *o.group + "\" does not compile: " + e.what());
    }
    if (regex.mark_count() == 0) throw UsageError("--group: \"" + *o.group + "\" has no capture group");
    std::vector<std::string> groups;
    for (const std::string& trace : o.traces) {
        std::smatch match;
        if (!std::regex_search(trace, match, regex))
            throw UsageError("--group: \"" + *o.group + "\" does not match " + TraceName(trace));
        groups.push_back(match[1].str());
    }
    return groups;
}

}  // namespace

RunPlan PlanRun(const Options& o) {
    if (o.traces.empty()) throw UsageError("no TRACE given");
    if (o.output && o.traces.size() != 1) throw UsageError("-o needs exactly one TRACE");
    if (o.output && o.noEvents) throw UsageError("-o names an event file, but --no-events writes none");
    const bool series = o.series || o.flowSeries || o.nodeSeries;
    if (o.bin && !series && !o.plots)
        throw UsageError("--bin is the width of the time series' bins, but no --series, --flow-series, "
                         "--node-series or --plots asks for them");
    if (o.group && !o.summary && !o.plots)
        throw UsageError("--group groups the traces of --summary and --plots, but neither is given");
    if (o.plotFormat && !o.plots) throw UsageError("--plot-format is for --plots, which is not given");

    RunPlan plan;
    plan.quiet = o.quiet;
    if (o.bin) {
        const std::optional<study::BinWidth> width = study::ParseBinWidth(*o.bin);
        if (!width)
            throw UsageError("--bin needs a positive number of seconds with at most 9 decimals, not \"" + *o.bin +
                             "\"");
        plan.width = *width;
    } else {
        plan.width = *study::ParseBinWidth("1");
    }
    if (o.plots) {
        const auto formats = ParsePlotFormats(o.plotFormat.value_or("svg,pdf"));
        if (!formats)
            throw UsageError("--plot-format needs a comma list of svg, pdf and png, not \"" + *o.plotFormat + "\"");
        plan.plots = *o.plots;
        plan.plotFormats = *formats;
    }
    plan.groups = Groups(o);
    plan.grouped = o.group.has_value();
    plan.summary = o.summary;

    const study::BinWidth width = plan.width;
    const auto add = [&](const char* option, const std::optional<std::string>& file, std::string_view header,
                         auto rows) {
        if (file) plan.tables.push_back({option, *file, header, rows});
    };
    add("--csv", o.csv, study::kTraceHeader, study::TraceRow);
    add("--flows", o.flows, study::kFlowHeader, study::FlowRows);
    add("--nodes", o.nodes, study::kNodeHeader, study::NodeRows);
    add("--drops", o.drops, study::kDropHeader, study::DropRows);
    add("--series", o.series, study::kSeriesHeader,
        [width](std::string_view t, const study::Study& s) { return study::SeriesRows(t, s, width); });
    add("--flow-series", o.flowSeries, study::kFlowSeriesHeader,
        [width](std::string_view t, const study::Study& s) { return study::FlowSeriesRows(t, s, width); });
    add("--node-series", o.nodeSeries, study::kNodeSeriesHeader,
        [width](std::string_view t, const study::Study& s) { return study::NodeSeriesRows(t, s, width); });
    add("--packets", o.packets, study::kPacketHeader, study::PacketRows);

    // What the study must read and compute for them.
    unsigned reads = kavro::kReadRecords;
    if (!plan.tables.empty() || plan.summary || plan.plots) reads |= kavro::kReadTables;
    if (o.nodes || o.nodeSeries || plan.plots) reads |= kavro::kReadEnergy;
    const int64_t binNs = series || plan.plots ? width.ns : 0;
    study::Parts parts;
    parts.nodes = o.nodes || o.nodeSeries;
    parts.drops = o.drops.has_value();
    parts.binNs = binNs;
    parts.packets = o.packets || plan.plots;

    std::vector<std::pair<std::string, std::string>> outputs;  // name, whose
    for (const std::string& trace : o.traces) {
        Job job;
        job.trace = trace;
        if (!o.noEvents) {
            job.output = o.output ? *o.output : DefaultOutput(trace);
            outputs.emplace_back(*job.output, TraceName(trace));
        }
        job.read = kavro::ReadOptions(reads, binNs);
        job.parts = parts;
        plan.jobs.push_back(job);
    }
    for (const TableSpec& t : plan.tables) outputs.emplace_back(t.name, t.option);
    if (plan.summary) outputs.emplace_back(*plan.summary, "--summary");
    CheckOutputs(o.traces, outputs);

    // -j N uses up to N cores: N traces at once, or, with cores to spare,
    // a trace on more than one.
    const unsigned cores = o.jobs ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    plan.threads = static_cast<unsigned>(std::min<size_t>(cores, o.traces.size()));
    for (Job& job : plan.jobs) job.cores = cores / plan.threads;
    return plan;
}

}  // namespace kavro::console
