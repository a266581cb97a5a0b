// kavro-convert: converts ns-2 wireless traces into iNSpect event files, for
// scripts and batches. Every failure becomes one line on standard error and
// an exit status here.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <map>
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

#ifndef KAVRO_VERSION
#define KAVRO_VERSION "unknown"
#endif

namespace {

struct Outcome {
    bool ok = false;
    std::string line;  // the summary, or the error; none for a closed pipe
};

int Usage(const std::string& why) {
    std::fprintf(stderr, "kavro-convert: %s\nTry 'kavro-convert --help' for more.\n", why.c_str());
    return 2;
}

// Converts the traces on `jobs` threads and reports each outcome in the
// order of the traces, as soon as it and all before it are done.
bool ConvertAll(const Options& o, const std::vector<std::string>& outputs, unsigned jobs,
                unsigned coresPerTrace) {
    Progress progress;
    const size_t count = o.traces.size();
    std::vector<std::optional<Outcome>> outcomes(count);
    std::mutex mutex;
    std::condition_variable doneOne;
    std::atomic<size_t> next{0};

    auto work = [&] {
        for (size_t i; (i = next++) < count;) {
            const std::string name = TraceName(o.traces[i]);
            Outcome r;
            try {
                const kavro::Summary s = ConvertOne(o.traces[i], outputs[i], progress, coresPerTrace);
                r = {true, SummaryLine(o.traces[i], s)};
            } catch (const Failure& e) {
                r.line = name + ": " + e.what();
            } catch (const files::FileError& e) {
                // The reader is gone (SIGPIPE is ignored, or it would have
                // ended the program): nothing to tell anyone.
                if (e.Error() != EPIPE)
                    r.line = name + ": " + (e.Path() == o.traces[i] ? e.Reason() : e.what());
            } catch (const std::bad_alloc&) {
                r.line = name + ": Out of memory";
            } catch (const std::exception& e) {
                r.line = name + ": unexpected error: " + e.what();
            } catch (...) {
                r.line = name + ": unexpected error";
            }
            std::lock_guard<std::mutex> lock(mutex);
            outcomes[i] = std::move(r);
            doneOne.notify_all();
        }
    };
    std::vector<std::thread> workers;
    try {
        for (unsigned k = 0; k < jobs; ++k) workers.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads, the same traces.
    }
    if (workers.empty()) work();

    bool allOk = true;
    for (size_t i = 0; i < count; ++i) {
        std::unique_lock<std::mutex> lock(mutex);
        doneOne.wait(lock, [&] { return outcomes[i].has_value(); });
        const Outcome r = *outcomes[i];
        lock.unlock();
        allOk = allOk && r.ok;
        if (!r.ok && !r.line.empty())
            progress.Print("kavro-convert: " + r.line);
        else if (r.ok && !o.quiet)
            progress.Print(r.line);
    }
    for (std::thread& t : workers) t.join();
    return allOk;
}

}  // namespace

int main(int argc, char** argv) {
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

    // Outputs are told apart, and from the traces, by the files they name,
    // before anything is read or written. A name that cannot be found yet
    // fails later, as that trace's failure.
    const auto identify = [](const std::string& name, int standard) {
        return name == "-" ? files::IdentifyFile(standard) : files::IdentifyFile(name);
    };
    const auto outName = [](const std::string& out) { return out == "-" ? std::string("standard output") : out; };
    std::vector<std::optional<files::FileId>> traceIds;
    for (const std::string& trace : o.traces) traceIds.push_back(identify(trace, STDIN_FILENO));
    std::vector<std::string> outputs;
    std::map<files::FileId, size_t> writer;
    for (size_t i = 0; i < o.traces.size(); ++i) {
        outputs.push_back(o.output ? *o.output : DefaultOutput(o.traces[i]));
        const std::optional<files::FileId> id = identify(outputs.back(), STDOUT_FILENO);
        if (!id) continue;
        for (size_t t = 0; t < o.traces.size(); ++t)
            if (traceIds[t] && traceIds[t]->regular && *traceIds[t] == *id)
                return Usage(outName(outputs.back()) + " is the trace " + TraceName(o.traces[t]) +
                             " itself; it would be overwritten");
        const auto [at, fresh] = writer.emplace(*id, i);
        if (!fresh)
            return Usage(TraceName(o.traces[at->second]) + " and " + TraceName(o.traces[i]) +
                         " would both write " + outName(outputs.back()));
    }

    // -j N uses up to N cores: N traces at once, or, with cores to spare,
    // a trace on more than one.
    const unsigned cores = o.jobs ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    const unsigned jobs = static_cast<unsigned>(std::min<size_t>(cores, o.traces.size()));
    files::RemoveTemporaryFilesOnSignals();
    return ConvertAll(o, outputs, jobs, cores / jobs) ? 0 : 1;
}
