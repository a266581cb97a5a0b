// The study tables: their figures by the rules they are published by, read
// off real traces by hand, and alike for one run in every trace format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "Convert.h"
#include "StudyTables.h"

namespace {

using Rows = std::vector<std::string>;

// A record as the figures see it: times, relays, flow source and size.
struct Rec {
    std::string send, recv;
    size_t hops = 0;
    std::string source = "1.0";
    uint64_t size = 500;
};

kavro::StudyRows RowsOf(const std::vector<Rec>& recs, std::string_view name = "t.tr",
                        std::vector<kavro::TypeCount> routing = {}) {
    kavro::ArrTrace table;
    kavro::StudyFacts facts;
    for (const Rec& r : recs) {
        kavro::RecNsTrace rec{r.send, "1", std::to_string(table.size()), r.recv, r.recv.empty() ? "" : "2", {}, "cbr"};
        for (size_t h = 0; h < r.hops; ++h) rec.Hops.push_back({std::to_string(10 + h), r.send});
        table.push_back(rec);
        facts.records.push_back({r.source, "2.0", r.size});
    }
    facts.routingByType = std::move(routing);
    facts.formats = 1;
    return kavro::MakeStudyRows(name, table, facts);
}

// The fields after trace and format: sent ... flows.
std::string Figures(const kavro::StudyRows& rows) {
    const std::string& row = rows.trace;
    size_t at = row.find(',', row.find(',') + 1) + 1;
    return row.substr(at, row.size() - at - 1);
}

struct FigureCase {
    const char* name;
    std::vector<Rec> recs;
    // sent,delivered,pdr,mean,median,p95,max,jitter,kbps,hops,routing,nrl,dropped,lines,flows
    const char* figures;
};
void PrintTo(const FigureCase& c, std::ostream* os) { *os << c.name; }

const FigureCase kFigureCases[] = {
    {"NothingDelivered", {{"1.0", ""}, {"2.0", ""}}, "2,0,0.00,,,,,,,,0,,0,0,1"},
    {"OneDeliveredHasNoJitter", {{"1.0", "1.5", 1}}, "1,1,100.00,0.500000000,0.500000000,0.500000000,0.500000000,,8.000,2.0000,0,0.0000,0,4,1"},
    // Nearest rank: the median of four is the second, the 95th percentile the fourth.
    {"PercentilesByNearestRank",
     {{"1.0", "1.4"}, {"2.0", "2.1"}, {"3.0", "3.3"}, {"4.0", "4.2"}},
     "4,4,100.00,0.250000000,0.200000000,0.400000000,0.400000000,0.200000000,5.000,1.0000,0,0.0000,0,8,1"},
    // Jitter follows table order, not the sorted delays.
    {"JitterInTableOrder", {{"0", "0.3"}, {"1", "1.1"}, {"2", "2.2"}},
     "3,3,100.00,0.200000000,0.200000000,0.300000000,0.300000000,0.150000000,5.455,1.0000,0,0.0000,0,6,1"},
    // Times that are no numbers: delivered, sized, but without a delay.
    {"UntimedRecordsCountButHaveNoDelay", {{"x", "y"}, {"1.0", "3.0"}},
     "2,2,100.00,2.000000000,2.000000000,2.000000000,2.000000000,,4.000,1.0000,0,0.0000,0,4,1"},
    {"NoSpanNoThroughput", {{"5.0", "4.0"}}, "1,1,100.00,-1.000000000,-1.000000000,-1.000000000,-1.000000000,,,1.0000,0,0.0000,0,2,1"},
    // The trace's jitter: differences over all flows, over all their pairs.
    {"TraceJitterIsOverFlows",
     {{"0", "0.1", 0, "a"}, {"0", "0.5", 0, "b"}, {"1", "1.3", 0, "a"}, {"1", "1.5", 0, "b"}, {"2", "2.8", 0, "b"}},
     "5,5,100.00,0.440000000,0.500000000,0.800000000,0.800000000,0.166666667,7.143,1.0000,0,0.0000,0,10,2"},
};

class StudyFigures : public testing::TestWithParam<FigureCase> {};

TEST_P(StudyFigures, AsPublished) { EXPECT_EQ(Figures(RowsOf(GetParam().recs)), GetParam().figures); }

INSTANTIATE_TEST_SUITE_P(Records, StudyFigures, testing::ValuesIn(kFigureCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(StudyTables, RoutingLoadCountsOnlyTypesNoRecordHas) {
    const auto rows = RowsOf({{"1", "2"}, {"1", "2"}}, "t.tr", {{"aodv", 5}, {"cbr", 9}, {"arp", 1}});
    EXPECT_NE(rows.trace.find(",6,3.0000,"), std::string::npos) << rows.trace;
}

TEST(StudyTables, FieldsQuotedOnlyWhenTheyMustBe) {
    EXPECT_EQ(RowsOf({}, "runs/a.tr").trace.substr(0, 10), "runs/a.tr,");
    EXPECT_EQ(RowsOf({}, "a,\"b\"\nc.tr").trace.substr(0, 15), "\"a,\"\"b\"\"\nc.tr\",");
}

// A run of ns-2 given to the whole study pass, cut into pieces.
kavro::StudyRows StudyOf(const std::string& name) {
    std::ifstream in(KAVRO_TEST_DATA "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    const unsigned reads = kavro::kReadTables | kavro::kReadEnergy;
    kavro::TraceConverter conversion({}, reads);
    kavro::TraceBatch piece;
    for (size_t at = 0; at < bytes.size(); at += 50000) {
        kavro::CutTrace(std::string_view(bytes).substr(at, 50000), piece, reads);
        conversion.Add(piece);
    }
    conversion.End();
    return kavro::MakeStudyRows(name, conversion.Table(), conversion.Facts());
}

Rows Split(const std::string& text) {
    Rows rows;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    return rows;
}

// Three TCP connections: the data and the acknowledgements of each are two
// flows. grep: node 2 sends 531 tcp packets to 1.0, of which node 1's agent
// receives 511, and acknowledges each of those, all of which arrive.
TEST(StudyOfRealTraces, TcpDataAndAcksAreTwoFlows) {
    const Rows flows = Split(StudyOf("dsr-tcp-6n-15s.tr").flows);
    ASSERT_EQ(flows.size(), 6u);
    EXPECT_EQ(flows[0].substr(0, 42), "dsr-tcp-6n-15s.tr,2.0,1.0,tcp,531,511,96.2");
    EXPECT_EQ(flows[1].substr(0, 43), "dsr-tcp-6n-15s.tr,1.0,2.0,ack,511,511,100.0");
}

// grep '^D': 38 routing drops of cbr for want of a route, all at node 3 and
// all of sent packets, and one MAC collision of an AODV packet at node 5.
// Node 3 last reports 91.066577 J at 29.862737458; node 8 is heard only in
// ns-2's energy lines, last at 15.000536.
TEST(StudyOfRealTraces, DropsAndEnergyReadOffTheTrace) {
    const kavro::StudyRows rows = StudyOf("aodv-10n-30s-e100-new.tr");
    EXPECT_EQ(Split(rows.drops), (Rows{"aodv-10n-30s-e100-new.tr,mac,col,aodv,1",
                                       "aodv-10n-30s-e100-new.tr,rtr,nrte,cbr,38"}));
    const Rows nodes = Split(rows.nodes);
    ASSERT_EQ(nodes.size(), 10u);
    EXPECT_EQ(nodes[3], "aodv-10n-30s-e100-new.tr,3,53,0,0,38,91.066577,29.862737458");
    EXPECT_EQ(nodes[5], "aodv-10n-30s-e100-new.tr,5,0,0,0,1,86.498374,29.843873");
    EXPECT_EQ(nodes[8], "aodv-10n-30s-e100-new.tr,8,0,0,0,0,93.249123,15.000536");
    EXPECT_NE(rows.trace.find(",38,490,4\n"), std::string::npos) << rows.trace;
}

// Fields equal but for times, which may differ in their last digit.
bool SameButTimes(const std::string& a, const std::string& b) {
    std::istringstream x(a), y(b);
    std::string f, g;
    while (std::getline(x, f, ',') && std::getline(y, g, ',')) {
        if (f == g) continue;
        char* fe = nullptr;
        char* ge = nullptr;
        const double fv = std::strtod(f.c_str(), &fe), gv = std::strtod(g.c_str(), &ge);
        if (*fe || *ge || f.empty() || std::fabs(fv - gv) > 2e-9) return false;
    }
    return !std::getline(x, f, ',') && !std::getline(y, g, ',');
}

// One ns-2 run in all three formats: the same tables, but for the format
// and the last digit of the times. Their drops may differ where a format
// lacks a field, so they are left out.
TEST(StudyOfRealTraces, OneRunInEveryFormatGivesTheSameTables) {
    const kavro::StudyRows old = StudyOf("aodv-10n-30s-e100.tr");
    for (const char* name : {"aodv-10n-30s-e100-new.tr", "aodv-10n-30s-e100-tagged.tr"}) {
        const kavro::StudyRows other = StudyOf(name);
        const auto normal = [&](std::string text, const std::string& trace, const char* format) {
            for (size_t at; (at = text.find(trace)) != std::string::npos;) text.replace(at, trace.size(), "T");
            for (size_t at; (at = text.find(std::string("T,") + format)) != std::string::npos;) text.replace(at, 2 + std::strlen(format), "T,F");
            return Split(text);
        };
        for (auto table : {&kavro::StudyRows::trace, &kavro::StudyRows::flows, &kavro::StudyRows::nodes}) {
            const Rows a = normal(old.*table, "aodv-10n-30s-e100.tr", "old");
            const Rows b = normal(other.*table, name, name[18] == 'n' ? "new" : "tagged");
            ASSERT_EQ(a.size(), b.size()) << name;
            for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(SameButTimes(a[i], b[i])) << a[i] << "\n" << b[i];
        }
    }
}

}  // namespace
