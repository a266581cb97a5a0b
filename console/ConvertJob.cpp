#include "ConvertJob.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>

#include "Failure.h"
#include "OutputFile.h"
#include "Progress.h"
#include "PlainFile.h"
#include "ReadAhead.h"
#include "TraceConverter.h"
#include "TraceKind.h"
#include "TraceSource.h"

std::string TraceName(const std::string& trace) {
    return trace == "-" ? "standard input" : trace;
}

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
        kavro::TraceBatch batch;
        for (std::string_view piece; !(piece = next()).empty();) {
            kavro::CutTrace(piece, batch, job.read);
            conversion.Add(batch);
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

    // A trace of which no line was read is no wireless trace at all, or not
    // of ns-2: say what it seems to be, rather than write an empty file.
    if (conversion.AgentLines() == 0) throw Failure(kavro::WhyNoLineWasRead(source.FirstBytes()));
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

namespace {

// A figure with `decimals` decimals, whole however long, or "n/a".
std::string Figure(const kavro::study::Value& value, int decimals, const char* unit = "") {
    if (!value) return "n/a";
    const int size = std::snprintf(nullptr, 0, "%.*f%s", decimals, *value, unit);
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f%s", decimals, *value, unit);
    text.pop_back();
    return text;
}

}  // namespace

std::string SummaryLine(const std::string& trace, const kavro::study::TraceFigures& f) {
    std::string line = TraceName(trace) + ": " + std::to_string(f.sent) + " sent, " + std::to_string(f.delivered) +
                       " delivered (" + Figure(f.pdr, 1, "%") + "), " + std::to_string(f.eventLines) +
                       " event lines, mean delay " + Figure(f.meanDelay, 6) + (f.meanDelay ? " s" : "") +
                       ", mean hops " + Figure(f.meanHops, 2);
    if (f.meanHops && f.paths == kavro::PathSource::Mac) line += " (paths from MAC lines)";
    return line;
}
