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

#include "ConvertJob.h"
#include "Failure.h"
#include "FileId.h"
#include "Options.h"
#include "OutputFile.h"
#include "Progress.h"
#include "StandardStreams.h"
#include "SummaryLine.h"
#include "TraceConverter.h"

#ifndef KAVRO_VERSION
#define KAVRO_VERSION "unknown"
#endif

namespace {

struct Outcome {
    bool ok = false;
    std::string line;  // the summary, or the error; none for a closed pipe
    std::string warning;
    kavro::StudyRows rows;
};

int Usage(const std::string& why) {
    std::fprintf(stderr, "kavro-convert: %s\nTry 'kavro-convert --help' for more.\n", why.c_str());
    return 2;
}

std::string OutName(const std::string& out) { return out == "-" ? "standard output" : out; }

// Whether one file may be both a trace and an output: a terminal, /dev/null
// or a socket reads apart from what is written; a file or disk would be
// overwritten, and a FIFO or pipe would be read for the output it waits for.
bool MayBeBoth(unsigned kind) { return S_ISCHR(kind) || S_ISSOCK(kind); }

// One study table: its file, written like an event file, complete or not at
// all, with the rows of the traces that converted, in the traces' order.
struct Table {
    const char* option;  // how messages name it
    std::string name;
    std::string kavro::StudyRows::*rows;
    std::string_view header;
    std::unique_ptr<files::OutputFile> file;
};

// The work of one trace, as one line for the user whatever goes wrong.
Outcome Run(const Job& job, Progress& progress) {
    const std::string name = TraceName(job.trace);
    Outcome r;
    try {
        Converted c = ConvertOne(job, progress);
        r = {true, SummaryLine(job.trace, c.summary, job.output.has_value()), std::move(c.warning), std::move(c.rows)};
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

// Converts the jobs on `threads` threads and reports each outcome in the
// order of the traces, as soon as it and all before it are done: its
// summary or error, its warning, and its rows of the tables.
bool ConvertAll(const std::vector<Job>& jobs, unsigned threads, bool quiet, std::vector<Table>& tables) {
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
            for (Table& t : tables) t.file->Write(r.rows.*t.rows);
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

int main(int argc, char** argv) {
    files::OpenStandardStreams();
    Options o;
    try {
        o = ParseOptions(argc, argv);
    } catch (const UsageError& e) {
        return Usage(e.what());
    }
    if (o.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (o.version) {
        std::printf("kavro-convert %s\n", KAVRO_VERSION);
        return 0;
    }

    std::vector<Table> tables;
    for (auto [option, file, rows, header] :
         {std::tuple{"--csv", &o.csv, &kavro::StudyRows::trace, kavro::kTraceTableHeader},
          std::tuple{"--flows", &o.flows, &kavro::StudyRows::flows, kavro::kFlowTableHeader},
          std::tuple{"--nodes", &o.nodes, &kavro::StudyRows::nodes, kavro::kNodeTableHeader},
          std::tuple{"--drops", &o.drops, &kavro::StudyRows::drops, kavro::kDropTableHeader}})
        if (*file) tables.push_back({option, **file, rows, header, nullptr});

    // Every output, event file or table, is told apart from the others and
    // from the traces by the file it names, before anything is read or
    // written. A name that cannot be found yet fails later, where it is written.
    const auto identify = [](const std::string& name, int standard) {
        return name == "-" ? files::IdentifyFile(standard) : files::IdentifyFile(name);
    };
    std::vector<std::optional<files::FileId>> traceIds;
    for (const std::string& trace : o.traces) traceIds.push_back(identify(trace, STDIN_FILENO));
    std::vector<Job> jobs;
    std::vector<std::pair<std::string, std::string>> outputs;  // name, whose
    for (const std::string& trace : o.traces) {
        Job job{trace, std::nullopt, 0, 1};
        if (!o.noEvents) {
            job.output = o.output ? *o.output : DefaultOutput(trace);
            outputs.emplace_back(*job.output, TraceName(trace));
        }
        jobs.push_back(job);
    }
    for (const Table& t : tables) outputs.emplace_back(t.name, t.option);
    std::map<files::FileId, size_t> writer;
    size_t standardOutputs = 0;
    for (size_t i = 0; i < outputs.size(); ++i) {
        const auto& [out, whose] = outputs[i];
        if (out == "-" && ++standardOutputs > 1) return Usage("only one output may be standard output");
        const std::optional<files::FileId> id = identify(out, STDOUT_FILENO);
        if (!id) continue;
        for (size_t t = 0; t < o.traces.size(); ++t)
            if (traceIds[t] && *traceIds[t] == *id && !MayBeBoth(id->kind))
                return Usage(OutName(out) + " is the trace " + TraceName(o.traces[t]) + " itself; " +
                             (S_ISFIFO(id->kind) ? "it would wait for its own output" : "it would be overwritten"));
        const auto [at, fresh] = writer.emplace(*id, i);
        if (!fresh)
            return Usage(outputs[at->second].second + " and " + whose + " would both write " + OutName(out));
    }

    // -j N uses up to N cores: N traces at once, or, with cores to spare,
    // a trace on more than one.
    const unsigned cores = o.jobs ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    const unsigned threads = static_cast<unsigned>(std::min<size_t>(cores, o.traces.size()));
    unsigned reads = kavro::kReadEvents;
    if (o.Tables()) reads |= kavro::kReadTables;
    if (o.nodes) reads |= kavro::kReadEnergy;
    for (Job& job : jobs) {
        job.reads = reads;
        job.cores = cores / threads;
    }
    files::RemoveTemporaryFilesOnSignals();
    try {
        // The tables are opened first, so that one that cannot be written is
        // found before any trace has been converted for nothing.
        for (Table& t : tables) {
            t.file = t.name == "-" ? std::make_unique<files::OutputFile>(STDOUT_FILENO, "standard output")
                                   : std::make_unique<files::OutputFile>(t.name);
            t.file->Write(t.header);
        }
        const bool allOk = ConvertAll(jobs, threads, o.quiet, tables);
        for (Table& t : tables) t.file->Commit();
        return allOk ? 0 : 1;
    } catch (const files::FileError& e) {
        if (e.Error() != EPIPE) std::fprintf(stderr, "kavro-convert: %s\n", e.what());
        return 1;
    }
}
