// What a command line asks of kavro-convert, worked out before anything is
// read: the usage errors, and what each trace's conversion reads.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "console/RunPlan.h"

using namespace kavro::console;

namespace fs = std::filesystem;

namespace {

// The plan of a command line, or the usage error it gives.
struct Planned {
    RunPlan plan;
    std::string error;
};

Planned PlanOf(std::vector<std::string> args) {
    args.insert(args.begin(), "kavro-convert");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    Planned p;
    try {
        p.plan = PlanRun(ParseOptions(static_cast<int>(argv.size()), argv.data()));
    } catch (const UsageError& e) {
        p.error = e.what();
    }
    return p;
}

class PlanTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kavro-plan-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_ / "runs");
        for (const char* name : {"runs/aodv-10n-s1.tr", "runs/aodv-20n-s1.tr", "runs/x.tr"})
            std::ofstream(dir_ / name) << "s 1.0 _1_ AGT  --- 1 cbr 512\n";
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(fs::temp_directory_path());
        fs::remove_all(dir_);
    }
    fs::path dir_;
};

TEST_F(PlanTest, UsageErrorsBeforeAnythingIsRead) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{}, "no TRACE given"},
        {{"-o", "a", "runs/x.tr", "runs/aodv-10n-s1.tr"}, "-o needs exactly one TRACE"},
        {{"-o", "a", "--no-events", "runs/x.tr"}, "-o names an event file, but --no-events writes none"},
        {{"--csv=", "runs/x.tr"}, "--csv needs a file name, not an empty one"},
        {{"--csv=a.csv", "--flows=a.csv", "runs/x.tr"}, "--csv and --flows would both write a.csv"},
        {{"--summary=runs/x.tr", "runs/x.tr"}, "runs/x.tr is the trace runs/x.tr itself; it would be overwritten"},
        {{"--csv=-", "--packets=-", "runs/x.tr"}, "only one output may be standard output"},
        {{"--bin=0.5", "--csv=a", "runs/x.tr"}, "--bin is the width of the time series' bins, but no"},
        {{"--bin=0.0000000001", "--series=a", "runs/x.tr"}, "--bin needs a positive number of seconds"},
        {{"--bin=-1", "--series=a", "runs/x.tr"}, "--bin needs a positive number of seconds"},
        {{"--group=(x)", "--csv=a", "runs/x.tr"}, "--group groups the traces of --summary and --plots"},
        {{"--group=(", "--summary=a", "runs/x.tr"}, "--group: \"(\" does not compile"},
        {{"--group=x", "--summary=a", "runs/x.tr"}, "--group: \"x\" has no capture group"},
        {{"--group=(n)-", "--summary=a", "runs/x.tr"}, "--group: \"(n)-\" does not match runs/x.tr"},
        {{"--plot-format=svg", "runs/x.tr"}, "--plot-format is for --plots"},
        {{"--plots=f", "--plot-format=svg,gif", "runs/x.tr"}, "--plot-format needs a comma list"},
    };
    for (const auto& c : cases) {
        const std::string error = PlanOf(c.args).error;
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << testing::PrintToString(c.args);
    }
}

TEST_F(PlanTest, EachTraceReadsWhatItsOutputsNeed) {
    const auto job = [](const std::vector<std::string>& args) { return PlanOf(args).plan.jobs.at(0); };
    const Job events = job({"runs/x.tr"});
    EXPECT_EQ(events.read.reads, kavro::kReadRecords);
    EXPECT_EQ(events.read.binNs, 0);
    EXPECT_EQ(*events.output, "runs/x.iNSpect.out");
    const Job series = job({"--no-events", "--node-series=-", "--bin=0.25", "runs/x.tr"});
    EXPECT_EQ(series.read.reads, kavro::kReadRecords | kavro::kReadTables | kavro::kReadEnergy);
    EXPECT_EQ(series.read.binNs, 250000000);
    EXPECT_TRUE(series.parts.nodes);
    EXPECT_FALSE(series.output);
    const Job plots = job({"--plots=f", "runs/x.tr"});
    EXPECT_EQ(plots.read.binNs, 1000000000);
    EXPECT_TRUE(plots.parts.packets);

    const Planned grouped = PlanOf({"--group=aodv-([0-9]+)n-", "--summary=s.csv", "runs/aodv-20n-s1.tr",
                                    "runs/aodv-10n-s1.tr"});
    ASSERT_EQ(grouped.error, "");
    EXPECT_EQ(grouped.plan.groups, (std::vector<std::string>{"20", "10"}));
    EXPECT_EQ(PlanOf({"--summary=s.csv", "runs/x.tr"}).plan.groups, (std::vector<std::string>{""}));
}

}  // namespace
