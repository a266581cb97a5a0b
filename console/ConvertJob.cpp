#include "console/ConvertJob.h"

#include <unistd.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "console/Failure.h"
#include "files/OutputFile.h"
#include "console/Progress.h"
#include "console/PlainFile.h"
#include "console/ReadAhead.h"
#include "console/SummaryLine.h"
#include "conversion/TraceConverter.h"
#include "conversion/TraceKind.h"
#include "console/TraceSource.h"

namespace kavro::console {

namespace {

const std::string kAgentTracingOff = "(agent tracing off? -agentTrace ON)";

// Why a trace gave no agent line. A wireless trace without them had agent
// tracing off, whatever else it holds; its routing lines may come after
// more of other kinds than the first bytes show. Anything else is said as
// what it seems to be.
std::string WhyNoAgentLine(const kavro::TraceConverter& conversion, TraceSource& source) {
    const std::string agentsOff = "no agent lines " + kAgentTracingOff;
    if (conversion.RoutingLines() > 0) return agentsOff;
    const std::string why = kavro::WhyNoLineWasRead(source.FirstBytes());
    const bool wireless = why.size() >= kAgentTracingOff.size() &&
                          why.compare(why.size() - kAgentTracingOff.size(), std::string::npos, kAgentTracingOff) == 0;
    return wireless ? agentsOff : why;
}

}  // namespace

Converted ConvertOne(const Job& job, Progress& progress) {
    const auto started = std::chrono::steady_clock::now();
    const std::string& trace = job.trace;
    TraceSource source(trace);
    // Opened before the read, so that a target that cannot be written is
    // found before a long trace has been read for nothing.
    std::optional<files::OutputFile> out;
    if (job.output && *job.output == "-")
        out.emplace(STDOUT_FILENO, "standard output");
    else if (job.output)
        out.emplace(*job.output);
    // Without a notice function, running out of memory ends the trace.
    kavro::TraceConverter conversion({}, job.read);

    const bool showProgress = progress.Wanted(source.Size());
    struct Finished {
        Progress& progress;
        const void* who;
        ~Finished() { progress.Done(who); }
    } finished{progress, &source};
    auto report = [&](uint64_t consumed) {
        if (showProgress) progress.Update(&source, TraceName(trace), consumed, source.Size(), started);
    };
    // Streams pieces from `next` until it gives an empty one.
    const auto stream = [&](auto&& next, auto&& consumed) {
        for (std::string_view piece; !(piece = next()).empty();) {
            conversion.AddPiece(piece);
            report(consumed());
        }
        conversion.End();
    };
    if (job.cores >= 2 && source.PlainFile()) {
        ConvertPlainFile(source.Fd(), source.Start(), source.Size(), conversion, report);
    } else if (job.cores >= 2) {
        ReadAhead reader(source);
        stream([&] { return reader.Next(); }, [&] { return reader.Consumed(); });
    } else {
        constexpr size_t kChunk = size_t{1} << 18;
        std::unique_ptr<char[]> chunk(new char[kChunk]);
        stream([&] { return std::string_view(chunk.get(), source.Read(chunk.get(), kChunk)); },
               [&] { return source.Consumed(); });
    }

    // Rather than write an empty file, say why nothing was sent.
    if (conversion.AgentLines() == 0) throw Failure(WhyNoAgentLine(conversion, source));
    Converted result;
    const kavro::PathSource paths = conversion.Paths();
    if (paths == kavro::PathSource::Counts)
        result.warning = TraceName(trace) +
                         ": no routing-layer or MAC receive line, so every path shows as one direct link "
                         "and hops are ns-2's counts (router and MAC tracing off? -routerTrace ON or -macTrace ON)";
    if (out) {
        conversion.WriteEvents([&](const kavro::EventBlock& block) { out->Write(block.bytes); });
        out->Commit();
    }
    result.study = kavro::study::MakeStudy(conversion.Table(), conversion.Facts(), paths, job.parts);
    return result;
}

}  // namespace kavro::console
