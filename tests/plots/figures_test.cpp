// The figures of real traces through PlotWriter: drawn by gnuplot in every
// format, with the study's numbers, names that run nothing, and what the
// user reads when gnuplot is missing or fails. Drawing needs gnuplot on PATH.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "study/Averages.h"
#include "console/Failure.h"
#include "console/Gnuplot.h"
#include "plots/PlotSet.h"
#include "console/Plots.h"
#include "plots/Script.h"
#include "conversion/TraceConverter.h"

using namespace kavro::console;

namespace {

namespace fs = std::filesystem;
namespace study = kavro::study;
namespace plots = kavro::plots;

#define NEEDS_GNUPLOT() \
    if (FindGnuplot().empty()) GTEST_SKIP() << "gnuplot is not on PATH (install gnuplot-nox)"

const fs::path kData = KAVRO_TEST_DATA;
const study::BinWidth kWidth = *study::ParseBinWidth("0.5");

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

study::Study StudyOf(const fs::path& trace) {
    const std::string text = ReadFile(trace);
    const kavro::ReadOptions read(kavro::kReadTables | kavro::kReadEnergy, kWidth.ns);
    kavro::TraceConverter conversion({}, read);
    conversion.AddPiece(text);
    conversion.End();
    return study::MakeStudy(conversion.Table(), conversion.Facts(), conversion.Paths(),
                            {false, false, read.binNs, true});
}

using Rows = std::vector<std::vector<std::string>>;

// A CSV without quoted fields, as the figures' data are.
Rows RowsOf(const std::string& csv) {
    Rows rows;
    std::istringstream in(csv);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line + ",");
        rows.emplace_back();
        for (std::string field; std::getline(fields, field, ',');) rows.back().push_back(field);
    }
    return rows;
}

Rows RowsOf(const plots::Figure& figure, const std::string& name) {
    for (const plots::File& f : figure.files)
        if (f.name == name) return RowsOf(f.contents);
    ADD_FAILURE() << "no " << name;
    return {};
}

// The numbers drawn are the study's: the totals by the last bin, a delay
// per delivered packet, each node's last energy, and each group's mean,
// spread and interval as the summary table gives them.
TEST(Figures, NumbersAreTheStudys) {
    const study::Study s = StudyOf(kData / "aodv-10n-30s-e100.tr");
    plots::PlotSet set({"svg"}, kWidth);
    const plots::Figure page = set.Page("runs/e.tr", s);
    const Rows series = RowsOf(page, "e.series.csv");
    EXPECT_EQ(series.size(), s.series.bins + 1);
    EXPECT_EQ(series.back()[3], std::to_string(s.trace.delivered));
    EXPECT_EQ(series.back()[4], std::to_string(s.trace.dropped));
    size_t delays = 0;
    for (const study::Packet& p : s.packets) delays += p.delay.has_value();
    EXPECT_EQ(RowsOf(page, "e.delays.csv").size(), delays + 1);
    const Rows energy = RowsOf(page, "e.energy.csv");
    ASSERT_EQ(energy.front().size(), s.nodes.size() + 1);
    for (size_t n = 0; n < s.nodes.size(); ++n) {
        EXPECT_EQ(energy.front()[n + 1], "node " + s.nodes[n].node);
        EXPECT_EQ(energy.back()[n + 1], s.nodes[n].energy) << s.nodes[n].node;
    }

    std::vector<study::Run> runs;
    for (const char* trace : {"aodv-10n-30s-e100.tr", "aodv-10n-40s-b.tr", "aodv-10n-40s-c.tr", "dsr-10n-40s.tr"})
        runs.push_back({trace[0] == 'a' ? "AODV" : "DSR", StudyOf(kData / trace).trace});
    const Rows summary = RowsOf(study::SummaryRows(runs));  // group,runs,pdr_mean,pdr_sd,pdr_ci95,...
    const Rows pdr = RowsOf(set.StudyFigures(runs, true).front(), "study-pdr.csv");
    ASSERT_EQ(pdr.size(), summary.size() + 1);
    for (size_t g = 0; g < summary.size(); ++g)
        EXPECT_EQ(std::vector<std::string>(pdr[g + 1].begin() + 1, pdr[g + 1].end()),
                  std::vector<std::string>(summary[g].begin() + 1, summary[g].begin() + 5));
}

class PlotsTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kavro-plots-test-" + std::to_string(::getpid()) + "-" +
                                            testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The figures of the traces, each with its group, in dir_/plots; the
    // failure Finish reports, or nothing.
    std::string Plot(const std::vector<std::pair<fs::path, std::string>>& traces, bool grouped,
                     std::vector<std::string> formats = {"svg", "pdf", "png"}) {
        PlotWriter writer((dir_ / "plots").string(), std::move(formats), kWidth);
        std::vector<study::Run> runs;
        for (const auto& [trace, group] : traces) {
            const study::Study s = StudyOf(trace);
            writer.AddTrace(trace.string(), s);
            runs.push_back({grouped ? group : trace.string(), s.trace});
        }
        try {
            writer.Finish(runs, grouped);
        } catch (const Failure& e) {
            return e.what();
        }
        return {};
    }

    // The scripts in dir_/plots whose figure is missing in a format.
    std::vector<std::string> Undrawn(const std::vector<std::string>& formats = {".svg", ".pdf", ".png"}) {
        std::vector<std::string> undrawn;
        for (const auto& entry : fs::directory_iterator(dir_ / "plots"))
            for (const std::string& format : formats) {
                fs::path image = entry.path();
                if (image.extension() != ".gp") continue;
                image.replace_extension(format);
                if (!fs::is_regular_file(image) || fs::file_size(image) == 0) undrawn.push_back(image.filename());
            }
        return undrawn;
    }

    fs::path dir_;
};

TEST_F(PlotsTest, EveryFigureDrawnInEveryFormat) {
    NEEDS_GNUPLOT();
    const fs::path e100 = kData / "aodv-10n-30s-e100.tr", b = kData / "aodv-10n-40s-b.tr",
                   dsr = kData / "dsr-10n-40s.tr", lost = dir_ / "lost.tr";
    std::ofstream(lost) << "s 0.25 _1_ AGT  --- 1 cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0\n";
    const struct {
        std::vector<std::pair<fs::path, std::string>> traces;
        bool grouped;
    } cases[] = {
        {{{e100, "10"}, {b, "10"}, {dsr, "20"}}, true},        // on a numeric axis
        {{{e100, "AODV"}, {b, "AODV"}, {dsr, "DSR"}}, true},   // by category
        {{{e100, ""}, {dsr, ""}}, false},
        {{{lost, ""}}, false},  // nothing delivered: empty axes
    };
    for (const auto& c : cases) {
        fs::remove_all(dir_ / "plots");
        ASSERT_EQ(Plot(c.traces, c.grouped), "");
        EXPECT_EQ(Undrawn(), std::vector<std::string>{});
        EXPECT_TRUE(fs::exists(dir_ / "plots" / "study-pdr.gp"));
        EXPECT_EQ(fs::exists(dir_ / "plots" / "aodv-10n-30s-e100.energy.csv"), c.traces.front().first == e100);
    }
}

// gnuplot reads every quoted text back byte for byte, and runs nothing.
TEST_F(PlotsTest, QuotedTextsReadBackAsTheyAre) {
    NEEDS_GNUPLOT();
    const std::string texts[] = {"it's", "`touch hit1`", "$(touch hit2)", "@hit3", "a\nb\r\tc\x01\x7f", "\"'\\", ""};
    std::string script = "hit3 = \"system('touch hit3')\"\nset print 'back.txt'\n";
    std::string expected;
    for (const std::string& t : texts) {
        script += "print " + plots::Quote(t) + "\n";
        expected += t + "\n";
    }
    std::ofstream(dir_ / "quote.gp") << script;
    EXPECT_EQ(RunGnuplot(FindGnuplot(), dir_.string(), {"quote.gp"}).message, "");
    EXPECT_EQ(ReadFile(dir_ / "back.txt"), expected);
    for (const char* hit : {"hit1", "hit2", "hit3"}) EXPECT_FALSE(fs::exists(dir_ / hit)) << hit;
}

// Names that would run `touch hit` if a quote or a line end got through.
TEST_F(PlotsTest, TraceAndGroupNamesRunNothing) {
    NEEDS_GNUPLOT();
    fs::create_directory(dir_ / "runs");
    const fs::path quoted = dir_ / "runs" / "a'.system('touch hit').'`touch hit` $(touch hit) @x_y^z.tr";
    const fs::path broken = dir_ / "runs" / "b\nsystem('touch hit')\n#.tr";
    fs::create_symlink(kData / "aodv-10n-30s-e100.tr", quoted);
    fs::create_symlink(kData / "aodv-20n-4s.tr", broken);
    const std::string touch = "system('touch " + (dir_ / "hit").string() + "')";
    for (bool grouped : {false, true}) {
        fs::remove_all(dir_ / "plots");
        EXPECT_EQ(Plot({{quoted, "'." + touch + ".'"}, {broken, "@x\n" + touch + "\n#"}}, grouped, {"svg"}), "");
        EXPECT_EQ(Undrawn({".svg"}), std::vector<std::string>{});
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            EXPECT_NE(entry.path().filename(), "hit") << entry.path();
    }
}

TEST_F(PlotsTest, WithoutGnuplotTheDataAndScriptsStay) {
    fs::create_directory(dir_ / "bin");
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", (dir_ / "bin").c_str(), 1);
    const std::string failure = Plot({{kData / "aodv-20n-4s.tr", ""}}, false, {"svg"});
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(failure, "gnuplot not found: the data and scripts are in " + (dir_ / "plots").string() +
                           "; install gnuplot-nox to draw them");
    for (const char* file : {"aodv-20n-4s.gp", "aodv-20n-4s.series.csv", "study-pdr.gp", "study-pdr.csv"})
        EXPECT_TRUE(fs::exists(dir_ / "plots" / file)) << file;
    EXPECT_EQ(Undrawn({".svg"}).size(), 7u);
}

TEST_F(PlotsTest, ScriptGnuplotRejectsIsNamedAndTheRestDrawn) {
    NEEDS_GNUPLOT();
    fs::create_directories(dir_ / "plots" / "aodv-20n-4s.svg");  // no file can be written there
    const std::string failure = Plot({{kData / "aodv-20n-4s.tr", ""}, {kData / "dsr-10n-40s.tr", ""}}, false, {"svg"});
    const std::string script = (dir_ / "plots" / "aodv-20n-4s.gp").string();
    EXPECT_EQ(failure.rfind("gnuplot failed on " + script + ": line ", 0), 0u) << failure;
    EXPECT_NE(failure.find("cannot open file"), std::string::npos) << failure;
    EXPECT_EQ(Undrawn({".svg"}), std::vector<std::string>{"aodv-20n-4s.svg"});
}

TEST_F(PlotsTest, FolderMadeOrUsed) {
    for (int twice = 0; twice < 2; ++twice) PlotWriter((dir_ / "new").string(), {"svg"}, kWidth);
    EXPECT_TRUE(fs::is_directory(dir_ / "new"));
    std::ofstream(dir_ / "file") << "x";
    for (const fs::path& bad : {dir_ / "file", dir_ / "missing" / "new"})
        EXPECT_THROW(PlotWriter(bad.string(), {"svg"}, kWidth), kavro::files::FileError) << bad;
}

}  // namespace
