// kavro-convert: converts ns-2 wireless traces into iNSpect event files and
// the tables of a study, for scripts and batches. Every failure becomes one
// line on standard error and an exit status here.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "console/ConvertJob.h"
#include "console/Failure.h"
#include "files/FileId.h"
#include "console/Options.h"
#include "files/OutputFile.h"
#include "console/Plots.h"
#include "console/Progress.h"
#include "console/RunPlan.h"
#include "study/Averages.h"
#include "study/Csv.h"
#include "files/StandardStreams.h"
#include "console/SummaryLine.h"
#include "conversion/TraceConverter.h"

#ifndef KAVRO_VERSION
#define KAVRO_VERSION "unknown"
#endif

namespace kavro::console {

namespace {

struct Outcome {
    bool ok = false;
    std::string line;  // the summary, or the error; none for a closed pipe
    std::string warning;
    kavro::study::Study study;
};

int Usage(const std::string& why) {
    std::fprintf(stderr, "kavro-convert: %s\nTry 'kavro-convert --help' for more.\n", why.c_str());
    return 2;
}

// A file of the run's: a table or the averages, written like an event file,
// complete or not at all.
std::unique_ptr<files::OutputFile> OpenOutput(const std::string& name) {
    return name == "-" ? std::make_unique<files::OutputFile>(STDOUT_FILENO, "standard output")
                       : std::make_unique<files::OutputFile>(name);
}

// What the run writes beside the event files, as each trace is reported.
struct Outputs {
    std::vector<std::pair<const TableSpec*, std::unique_ptr<files::OutputFile>>> tables;
    std::unique_ptr<files::OutputFile> summary;
    std::unique_ptr<PlotWriter> plots;
    std::vector<kavro::study::Run> runs;  // of the traces that converted, for the averages and the figures
    std::vector<std::string> traces;      // theirs
};

// The work of one trace, as one line for the user whatever goes wrong.
Outcome Run(const Job& job, Progress& progress) {
    const std::string name = TraceName(job.trace);
    Outcome r;
    try {
        Converted c = ConvertOne(job, progress);
        r = {true, SummaryLine(job.trace, c.study.trace, job.output.has_value()), std::move(c.warning),
             std::move(c.study)};
    } catch (const Failure& e) {
        r.line = name + ": " + e.what();
    } catch (const kavro::TraceError& e) {
        r.line = name + ": " + e.what();
    } catch (const files::FileError& e) {
        // The reader is gone (SIGPIPE is ignored, or it would have ended the
        // program): nothing to tell anyone.
        if (e.Error() != EPIPE) r.line = name + ": " + (e.Path() == job.trace ? e.Reason() : e.what());
    } catch (const std::bad_alloc&) {
        r.line = name + ": Out of memory";
    } catch (const std::exception& e) {
        r.line = name + ": unexpected error: " + e.what();
    } catch (...) {
        r.line = name + ": unexpected error";
    }
    return r;
}

// Converts the jobs on the plan's threads and reports each outcome in the
// order of the traces, as soon as it and all before it are done: its
// summary or error, its warning, its rows of the tables and its figures.
bool ConvertAll(const RunPlan& plan, Outputs& outputs) {
    const std::vector<Job>& jobs = plan.jobs;
    const unsigned threads = plan.threads;
    const bool quiet = plan.quiet;
    Progress progress;
    const size_t count = jobs.size();
    std::vector<std::optional<Outcome>> outcomes(count);
    std::mutex mutex;
    std::condition_variable doneOne;
    std::atomic<size_t> next{0};

    auto work = [&] {
        for (size_t i; (i = next++) < count;) {
            Outcome r = Run(jobs[i], progress);
            std::lock_guard<std::mutex> lock(mutex);
            outcomes[i] = std::move(r);
            doneOne.notify_all();
        }
    };
    std::vector<std::thread> workers;
    try {
        for (unsigned k = 0; k < threads; ++k) workers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads, the same traces.
    }
    if (workers.empty()) work();

    bool allOk = true;
    std::exception_ptr tableFailed;
    for (size_t i = 0; i < count && !tableFailed; ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        doneOne.wait(lock, [&] { return outcomes[i].has_value(); });
        const Outcome r = std::move(*outcomes[i]);
        lock.unlock();
        allOk = allOk && r.ok;
        if (!r.ok && !r.line.empty())
            progress.Print("kavro-convert: " + r.line);
        else if (r.ok && !quiet)
            progress.Print(r.line);
        if (!r.warning.empty()) progress.Print("kavro-convert: warning: " + r.warning);
        try {
            if (r.ok) {
                for (auto& [table, file] : outputs.tables) file->Write(table->rows(jobs[i].trace, r.study));
                if (outputs.plots) outputs.plots->AddTrace(jobs[i].trace, r.study);
                outputs.runs.push_back({plan.groups[i], r.study.trace});
                outputs.traces.push_back(jobs[i].trace);
            }
        } catch (...) {
            // The run fails as a whole; the workers finish what they hold first.
            tableFailed = std::current_exception();
            next = count;
        }
    }
    for (std::thread& t : workers) t.join();
    if (tableFailed) std::rethrow_exception(tableFailed);
    return allOk;
}

}  // namespace

int Main(int argc, char** argv) {
    files::OpenStandardStreams();
    Options o;
    try {
        o = ParseOptions(argc, argv);
    } catch (const UsageError& e) {
        return Usage(e.what());
    }
    if (o.help) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (o.version) {
        std::printf("kavro-convert %s\n", KAVRO_VERSION);
        return 0;
    }

    RunPlan plan;
    try {
        plan = PlanRun(o);
    } catch (const UsageError& e) {
        return Usage(e.what());
    }

    files::RemoveTemporaryFilesOnSignals();
    try {
        // Every output of the run is opened first, so that one that cannot be
        // written is found before any trace has been converted for nothing.
        Outputs outputs;
        for (const TableSpec& t : plan.tables) {
            outputs.tables.emplace_back(&t, OpenOutput(t.name));
            outputs.tables.back().second->Write(t.header);
        }
        if (plan.summary) outputs.summary = OpenOutput(*plan.summary);
        if (plan.plots) outputs.plots = std::make_unique<PlotWriter>(*plan.plots, plan.plotFormats, plan.width);
        bool allOk = ConvertAll(plan, outputs);
        for (auto& [table, file] : outputs.tables) file->Commit();
        if (outputs.summary) {
            outputs.summary->Write(kavro::study::kSummaryHeader);
            outputs.summary->Write(kavro::study::SummaryRows(outputs.runs));
            outputs.summary->Commit();
        }
        if (outputs.plots) {
            // Without groups the figures name each run by its trace.
            std::vector<kavro::study::Run> runs = outputs.runs;
            if (!plan.grouped)
                for (size_t r = 0; r < runs.size(); ++r) runs[r].group = outputs.traces[r];
            try {
                outputs.plots->Finish(runs, plan.grouped);
            } catch (const Failure& e) {
                std::fprintf(stderr, "kavro-convert: %s\n", e.what());
                allOk = false;
            }
        }
        return allOk ? 0 : 1;
    } catch (const files::FileError& e) {
        if (e.Error() != EPIPE) std::fprintf(stderr, "kavro-convert: %s\n", e.what());
        return 1;
    }
}

}  // namespace kavro::console

int main(int argc, char** argv) { return kavro::console::Main(argc, argv); }
