// Paths that the router did not trace: one ns-2 run traced twice, with and
// without the routing layer's lines, must give the same paths through
// kavro-convert; with neither routing nor MAC lines, ns-2's own counts
// give the hops.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const fs::path kPairs = fs::path(KAVRO_TEST_DATA) / "pairs";

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Gunzip(const fs::path& path) {
    gzFile in = gzopen(path.c_str(), "rb");
    std::string out;
    char buffer[1 << 16];
    for (int got; in && (got = gzread(in, buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(got));
    if (in) gzclose(in);
    return out;
}

std::vector<std::string> Split(const std::string& text, char by) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, by);) out.push_back(item);
    return out;
}

class PathsTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kavro-paths-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Converts `trace` into the scratch folder: its event lines, its --csv
    // row by column name, and what it printed.
    struct Run {
        std::vector<std::string> events;
        std::map<std::string, std::string> row;
        std::string err;
    };
    Run Convert(const fs::path& trace) {
        const fs::path events = dir_ / "events", csv = dir_ / "study.csv", err = dir_ / "err";
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (!std::freopen(err.c_str(), "w", stderr)) ::_exit(126);
            ::execl(KAVRO_CONVERT, KAVRO_CONVERT, "-o", events.c_str(), "--csv", csv.c_str(), trace.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_EQ(status, 0) << trace;
        Run r{Split(ReadFile(events), '\n'), {}, ReadFile(err)};
        const std::vector<std::string> lines = Split(ReadFile(csv), '\n');
        if (lines.size() == 2) {
            const auto names = Split(lines[0], ','), values = Split(lines[1] + ",", ',');
            for (size_t i = 0; i < names.size(); ++i) r.row[names[i]] = i < values.size() ? values[i] : "";
        }
        return r;
    }

    fs::path dir_;
};

// The figures a trace gives whether its router was traced or not: all but
// the routing load, which only routing-layer lines show.
const char* const kSameFigures[] = {"sent", "delivered", "pdr", "mean_delay", "median_delay", "p95_delay",
                                    "max_delay", "jitter", "throughput_kbps", "mean_hops", "dropped",
                                    "event_lines", "flows"};

TEST_F(PathsTest, MacLinesGiveTheRoutersPaths) {
    size_t pairs = 0;
    for (const auto& entry : fs::directory_iterator(kPairs)) {
        const std::string name = entry.path().filename();
        if (name.find("-rtr.tr.gz") == std::string::npos) continue;
        ++pairs;
        SCOPED_TRACE(name);
        Run routed = Convert(entry.path());
        Run mac = Convert(kPairs / (name.substr(0, name.size() - 10) + "-mac.tr.gz"));
        EXPECT_EQ(routed.row["paths"], "routing");
        EXPECT_EQ(mac.row["paths"], "mac");
        for (const char* figure : kSameFigures) EXPECT_EQ(routed.row[figure], mac.row[figure]) << figure;
        EXPECT_NE(routed.row["routing_packets"], "");
        EXPECT_EQ(mac.row["routing_packets"] + mac.row["nrl"], "") << "a load the router did not trace";
        EXPECT_NE(mac.err.find("(paths from MAC lines)\n"), std::string::npos) << mac.err;
        EXPECT_EQ(mac.err.find("warning"), std::string::npos) << mac.err;

        // Line by line the same but for the relays' times: a relay's MAC
        // receive comes at least the link layer's 25 us before its forward.
        ASSERT_EQ(routed.events.size(), mac.events.size());
        size_t relayed = 0;
        for (size_t i = 0; i < routed.events.size(); ++i) {
            const auto a = Split(routed.events[i], ' '), b = Split(mac.events[i], ' ');
            ASSERT_EQ(a.size(), b.size());
            for (size_t w = 0; w < a.size(); ++w) {
                if (w != 1) {
                    ASSERT_EQ(a[w], b[w]) << routed.events[i] << "\n" << mac.events[i];
                }
            }
            const bool endpoint = a[5] == "orginator" || a[5] == "destination";
            if (endpoint) {
                EXPECT_EQ(a[1], b[1]);
            } else {
                EXPECT_GE(std::stod(a[1]) - std::stod(b[1]), 25e-6 - 1e-9) << routed.events[i];
                ++relayed;
            }
        }
        EXPECT_GT(relayed, 0u);
    }
    EXPECT_EQ(pairs, 12u);
}

// With only the agents' lines left, the event file shows direct links and
// the mean hops are ns-2's counts, which agree with the router's paths.
TEST_F(PathsTest, CountsGiveTheHopsWithNeitherKind) {
    for (const char* name : {"AODV-udp-old-rtr.tr.gz", "DSDV-tcp-new-rtr.tr.gz"}) {
        SCOPED_TRACE(name);
        Run routed = Convert(kPairs / name);
        std::string agents;
        for (const std::string& line : Split(Gunzip(kPairs / name), '\n'))
            if (line.find(" AGT ") != std::string::npos) agents += line + "\n";
        std::ofstream(dir_ / "agents.tr", std::ios::binary) << agents;
        Run counted = Convert(dir_ / "agents.tr");
        EXPECT_EQ(counted.row["paths"], "counts");
        EXPECT_EQ(counted.row["routing_packets"] + counted.row["nrl"], "");
        EXPECT_EQ(counted.row["mean_hops"], routed.row["mean_hops"]);
        EXPECT_NE(counted.row["mean_hops"], "1.0000");
        EXPECT_EQ(counted.row["event_lines"], std::to_string(2 * std::stoul(counted.row["delivered"])));
        EXPECT_NE(counted.err.find("-routerTrace ON or -macTrace ON"), std::string::npos) << counted.err;
    }
}

}  // namespace
