// The study tables: their figures by the rules they are published by, read
// off real traces by hand, and alike for one run in every trace format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/core/Convert.h"
#include "study/Csv.h"

namespace {

using Rows = std::vector<std::string>;

// A trace's rows of the four tables.
struct Tables {
    std::string trace, flows, nodes, drops;
};

Tables TablesOf(std::string_view name, const kavro::ArrTrace& table, const kavro::StudyFacts& facts,
                kavro::PathSource paths) {
    namespace study = kavro::study;
    const study::Study s = study::MakeStudy(table, facts, paths, {true, true});
    return {study::TraceRow(name, s), study::FlowRows(name, s), study::NodeRows(name, s), study::DropRows(name, s)};
}

// A record as the figures see it: times, relays, flow source and size.
struct Rec {
    std::string send, recv;
    size_t hops = 0;
    std::string source = "1.0";
    uint64_t size = 500;
};

Tables RowsOf(const std::vector<Rec>& recs, std::string_view name = "t.tr",
              const std::unordered_map<std::string, uint64_t>& routing = {}) {
    kavro::ArrTrace table;
    kavro::StudyFacts facts;
    for (const Rec& r : recs) {
        kavro::RecNsTrace rec{r.send, "1", std::to_string(table.size()), r.recv, r.recv.empty() ? "" : "2", {}, "cbr"};
        for (size_t h = 0; h < r.hops; ++h) rec.Hops.push_back({std::to_string(10 + h), r.send});
        table.push_back(rec);
        kavro::StudyRecord& study = facts.records.emplace_back();
        study.received = !r.recv.empty();
        study.receiveTime = r.recv;
        kavro::RecordFlow& flow = facts.flows.emplace_back();
        flow.source = r.source;
        flow.destination = "2.0";
        flow.type = "cbr";
        flow.receiveNode = rec.DstNode;
        flow.size = r.size;
    }
    for (const auto& [type, lines] : routing) facts.routingByType[type].lines = lines;
    facts.formats = 1;
    return TablesOf(name, table, facts, kavro::PathSource::Routing);
}

// The fields after trace and format: sent ... flows.
std::string Figures(const Tables& rows) {
    const std::string& row = rows.trace;
    size_t at = row.find(',', row.find(',') + 1) + 1;
    return row.substr(at, row.size() - at - 1);
}

struct FigureCase {
    const char* name;
    std::vector<Rec> recs;
    // sent,delivered,pdr,mean,median,p95,max,jitter,kbps,hops,routing,nrl,dropped,lines,flows,paths
    const char* figures;
};
void PrintTo(const FigureCase& c, std::ostream* os) { *os << c.name; }

const FigureCase kFigureCases[] = {
    {"NothingDelivered", {{"1.0", ""}, {"2.0", ""}}, "2,0,0.00,,,,,,,,0,,0,0,1,"},
    {"OneDeliveredHasNoJitter", {{"1.0", "1.5", 1}}, "1,1,100.00,0.500000000,0.500000000,0.500000000,0.500000000,,8.000,2.0000,0,0.0000,0,4,1,routing"},
    // Nearest rank: the median of four is the second, the 95th percentile the fourth.
    {"PercentilesByNearestRank",
     {{"1.0", "1.4"}, {"2.0", "2.1"}, {"3.0", "3.3"}, {"4.0", "4.2"}},
     "4,4,100.00,0.250000000,0.200000000,0.400000000,0.400000000,0.200000000,5.000,1.0000,0,0.0000,0,8,1,routing"},
    // Jitter follows table order, not the sorted delays.
    {"JitterInTableOrder", {{"0", "0.3"}, {"1", "1.1"}, {"2", "2.2"}},
     "3,3,100.00,0.200000000,0.200000000,0.300000000,0.300000000,0.150000000,5.455,1.0000,0,0.0000,0,6,1,routing"},
    // Times that are no numbers: delivered, sized, but without a delay.
    {"UntimedRecordsCountButHaveNoDelay", {{"x", "y"}, {"1.0", "3.0"}},
     "2,2,100.00,2.000000000,2.000000000,2.000000000,2.000000000,,4.000,1.0000,0,0.0000,0,4,1,routing"},
    {"NoSpanNoThroughput", {{"5.0", "4.0"}}, "1,1,100.00,-1.000000000,-1.000000000,-1.000000000,-1.000000000,,,1.0000,0,0.0000,0,2,1,routing"},
    {"ZeroSpanNoThroughput", {{"5.0", "5.0"}}, "1,1,100.00,0.000000000,0.000000000,0.000000000,0.000000000,,,1.0000,0,0.0000,0,2,1,routing"},
    // Of eleven delays the 95th percentile is the eleventh (rank ceil(10.45)),
    // the 90th the tenth.
    {"PercentilesOfElevenRankUp",
     {{"0", "0.1"}, {"1", "1.2"}, {"2", "2.3"}, {"3", "3.4"}, {"4", "4.5"}, {"5", "5.6"}, {"6", "6.7"}, {"7", "7.8"},
      {"8", "8.9"}, {"9", "10.0"}, {"10", "11.1"}},
     "11,11,100.00,0.600000000,0.600000000,1.100000000,1.100000000,0.100000000,3.964,1.0000,0,0.0000,0,22,1,routing"},
    // The trace's jitter: differences over all flows, over all their pairs.
    {"TraceJitterIsOverFlows",
     {{"0", "0.1", 0, "a"}, {"0", "0.5", 0, "b"}, {"1", "1.3", 0, "a"}, {"1", "1.5", 0, "b"}, {"2", "2.8", 0, "b"}},
     "5,5,100.00,0.440000000,0.500000000,0.800000000,0.800000000,0.166666667,7.143,1.0000,0,0.0000,0,10,2,routing"},
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
    EXPECT_EQ(RowsOf({}, "a\rb.tr").trace.substr(0, 9), "\"a\rb.tr\",");
}

Rows Split(const std::string& text) {
    Rows rows;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) rows.push_back(row);
    return rows;
}

// The trace row of lines read by the whole pass, by column name.
std::map<std::string, std::string> TraceRowOf(const std::vector<std::string>& lines, Tables* all = nullptr) {
    kavro::TraceConverter conversion({}, kavro::kReadTables);
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    conversion.AddPiece(text);
    conversion.End();
    const Tables rows = TablesOf("t", conversion.Table(), conversion.Facts(), conversion.Paths());
    if (all) *all = rows;
    std::map<std::string, std::string> row;
    std::istringstream names(std::string(kavro::study::kTraceHeader)), values(rows.trace);
    for (std::string name, value; std::getline(names, name, ',') && std::getline(values, value, ',');)
        row[name.substr(0, name.find('\n'))] = value.substr(0, value.find('\n'));
    return row;
}

// An old-format agent or MAC line with its size and ns-2's count of links.
std::string At(char kind, const char* time, const char* node, const char* layer, const char* id, const char* type,
               const char* size = "512", const char* count = "0") {
    return std::string(1, kind) + " " + time + " _" + node + "_ " + layer + "  --- " + id + " " + type + " " + size +
           " [0 0 0 0] ------- [1:0 5:0 32 0] [0] " + count + " 0";
}

struct RowCase {
    const char* name;
    std::vector<std::string> lines;
    std::map<std::string, std::string> want;  // columns of the trace row
};
void PrintTo(const RowCase& c, std::ostream* os) { *os << c.name; }

const RowCase kRowCases[] = {
    // The span runs from the first send, of a packet lost or not.
    {"SpanStartsAtTheFirstSendOfAny",
     {At('s', "0.0", "1", "AGT", "1", "cbr"), At('s', "1.0", "1", "AGT", "2", "cbr"),
      At('r', "2.0", "5", "AGT", "2", "cbr", "500")},
     {{"throughput_kbps", "2.000"}, {"pdr", "50.00"}}},
    // A packet is delivered when it first arrives: its delay and size are
    // the first receive's.
    {"FirstReceiveCounts",
     {At('s', "1.0", "1", "AGT", "7", "cbr"), At('r', "1.5", "5", "AGT", "7", "cbr", "532"),
      At('r', "2.0", "6", "AGT", "7", "cbr", "600")},
     {{"mean_delay", "0.500000000"}, {"max_delay", "0.500000000"}, {"throughput_kbps", "8.512"}}},
    // A MAC acknowledgement frame is no TCP acknowledgement, whatever its id.
    {"TypesKeepTheirCase",
     {At('s', "1.0", "1", "AGT", "7", "ack"), "D 1.1 _2_ MAC  COL 7 ACK 38 [0 0 0 0]",
      "D 1.2 _3_ RTR  NRTE 7 ack 40 [0 0 0 0]", "s 1.3 _4_ RTR  --- 9 AODV 48 [0 0 0 0]",
      "s 1.4 _4_ RTR  --- 10 Ack 48 [0 0 0 0]"},
     {{"dropped", "1"}, {"routing_packets", "2"}, {"paths", ""}}},
    // A receive whose time is cut away delivers nothing, as in the event file.
    {"ReceiveWithoutATimeIsNoDelivery",
     {At('s', "1.0", "1", "AGT", "7", "cbr"), "ra 1.5 _5_ AGT  --- 7 cbr 512 [0 0 0 0] ------- [1:0 5:0 32 0] [0] 1 0"},
     {{"delivered", "0"}, {"event_lines", "0"}, {"mean_hops", ""}}},
    // A delay between times near a double's limits is no finite number: empty.
    {"InfiniteDelayIsEmpty",
     {At('s', "-1e308", "1", "AGT", "7", "cbr"), At('r', "1e308", "5", "AGT", "7", "cbr")},
     {{"mean_delay", ""}, {"median_delay", ""}, {"max_delay", ""}, {"delivered", "1"}}},
    // The routing layer's own forwards count as its sends do; the load is
    // per packet delivered, not sent.
    {"RoutingForwardsCount",
     {At('s', "0.5", "1", "AGT", "6", "cbr"), At('s', "1.0", "1", "AGT", "7", "cbr"), "f 1.1 _2_ RTR  --- 9 AODV 48 [0 0 0 0]",
      "s 1.2 _2_ RTR  --- 10 AODV 48 [0 0 0 0]", At('f', "1.3", "2", "RTR", "7", "cbr"),
      At('r', "1.4", "5", "AGT", "7", "cbr")},
     {{"routing_packets", "2"}, {"nrl", "2.0000"}}},
    // Without routing and MAC lines the hops are ns-2's counts, of the first receive.
    {"CountsGiveTheHops",
     {At('s', "1.0", "1", "AGT", "1", "cbr"), At('r', "1.5", "5", "AGT", "1", "cbr", "512", "3"),
      At('r', "1.6", "6", "AGT", "1", "cbr", "512", "9"), At('s', "2.0", "1", "AGT", "2", "cbr"),
      At('r', "2.5", "5", "AGT", "2", "cbr", "512", "2"), At('s', "3.0", "1", "AGT", "3", "cbr"),
      At('r', "3.5", "5", "AGT", "3", "cbr", "512", "x")},
     {{"mean_hops", "2.5000"}, {"event_lines", "6"}, {"paths", "counts"}}},
    {"MacLinesGiveTheHops",
     {At('s', "1.0", "1", "AGT", "1", "cbr"), At('r', "1.1", "2", "MAC", "1", "cbr"),
      At('r', "1.2", "5", "MAC", "1", "cbr"), At('r', "1.3", "5", "AGT", "1", "cbr", "512", "7")},
     {{"mean_hops", "2.0000"}, {"event_lines", "4"}, {"paths", "mac"}}},
};

class StudyRowRules : public testing::TestWithParam<RowCase> {};

TEST_P(StudyRowRules, GiveTheFigures) {
    const auto row = TraceRowOf(GetParam().lines);
    for (const auto& [column, value] : GetParam().want) EXPECT_EQ(row.at(column), value) << column;
}

INSTANTIATE_TEST_SUITE_P(Lines, StudyRowRules, testing::ValuesIn(kRowCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Types keep their case; addresses are lower-cased as node ids are.
TEST(StudyTables, DropsAndFlowsKeepTheTypesCase) {
    Tables rows;
    TraceRowOf({At('s', "1.0", "1", "AGT", "7", "tcp"), At('s', "1.1", "1", "AGT", "8", "TCP"),
                "s 1.2 _A_ AGT  --- 9 cbr 512 [0 0 0 0] ------- [A:1 B:0 32 0] [0] 0 0",
                "D 1.2 _2_ MAC  COL 7 ACK 38 [0 0 0 0]", "D 1.3 _2_ MAC  COL 8 ack 38 [0 0 0 0]"},
               &rows);
    EXPECT_EQ(Split(rows.drops), (Rows{"t,MAC,COL,ACK,1", "t,MAC,COL,ack,1"}));
    const Rows flows = Split(rows.flows);
    ASSERT_EQ(flows.size(), 3u);
    EXPECT_EQ(flows[2].substr(0, 14), "t,a.1,b.0,cbr,");
    EXPECT_EQ(Split(rows.nodes).back().substr(0, 4), "t,a,");
}

// A figure is written whole, however many digits it takes.
TEST(StudyTables, HugeFiguresAreWrittenWhole) {
    const auto row = TraceRowOf({At('s', "0", "1", "AGT", "7", "cbr"), At('r', "1e70", "5", "AGT", "7", "cbr")});
    const std::string delay = row.at("mean_delay");
    EXPECT_EQ(delay.size(), 71u + 10u) << delay;
    EXPECT_EQ(std::stod(delay), 1e70);
}

// Node ids of digits come first, by value.
TEST(StudyTables, NodeOrder) {
    const struct {
        const char* a;
        const char* b;
        bool before;
    } cases[] = {{"9", "10", true}, {"10", "9", false}, {"09", "9", true}, {"9", "a", true}, {"a", "9", false}, {"a", "b", true},
                 {"B", "a", true}};
    for (const auto& c : cases) EXPECT_EQ(kavro::study::NodeBefore(c.a, c.b), c.before) << c.a << " " << c.b;
}

// A run of ns-2 given to the whole study pass, cut into pieces.
Tables StudyOf(const std::string& name) {
    std::ifstream in(KAVRO_TEST_DATA "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string bytes = text.str();
    const kavro::ReadOptions reads(kavro::kReadTables | kavro::kReadEnergy);
    kavro::TraceConverter conversion({}, reads);
    for (size_t at = 0; at < bytes.size(); at += 50000) {
        conversion.AddPiece(std::string_view(bytes).substr(at, 50000));
    }
    conversion.End();
    return TablesOf(name, conversion.Table(), conversion.Facts(), conversion.Paths());
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
    const Tables rows = StudyOf("aodv-10n-30s-e100-new.tr");
    EXPECT_EQ(Split(rows.drops), (Rows{"aodv-10n-30s-e100-new.tr,MAC,COL,AODV,1",
                                       "aodv-10n-30s-e100-new.tr,RTR,NRTE,cbr,38"}));
    const Rows nodes = Split(rows.nodes);
    ASSERT_EQ(nodes.size(), 10u);
    EXPECT_EQ(nodes[3], "aodv-10n-30s-e100-new.tr,3,53,0,0,38,91.066577,29.862737458");
    EXPECT_EQ(nodes[5], "aodv-10n-30s-e100-new.tr,5,0,0,0,1,86.498374,29.843873");
    EXPECT_EQ(nodes[8], "aodv-10n-30s-e100-new.tr,8,0,0,0,0,93.249123,15.000536");
    EXPECT_NE(rows.trace.find(",38,490,4,routing\n"), std::string::npos) << rows.trace;
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
    const Tables old = StudyOf("aodv-10n-30s-e100.tr");
    for (const char* name : {"aodv-10n-30s-e100-new.tr", "aodv-10n-30s-e100-tagged.tr"}) {
        const Tables other = StudyOf(name);
        const auto normal = [&](std::string text, const std::string& trace, const char* format) {
            for (size_t at; (at = text.find(trace)) != std::string::npos;) text.replace(at, trace.size(), "T");
            for (size_t at; (at = text.find(std::string("T,") + format)) != std::string::npos;) text.replace(at, 2 + std::strlen(format), "T,F");
            return Split(text);
        };
        for (auto table : {&Tables::trace, &Tables::flows, &Tables::nodes}) {
            const Rows a = normal(old.*table, "aodv-10n-30s-e100.tr", "old");
            const Rows b = normal(other.*table, name, name[18] == 'n' ? "new" : "tagged");
            ASSERT_EQ(a.size(), b.size()) << name;
            for (size_t i = 0; i < a.size(); ++i) EXPECT_TRUE(SameButTimes(a[i], b[i])) << a[i] << "\n" << b[i];
        }
    }
}

}  // namespace
