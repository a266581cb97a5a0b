// Time series: times binned exactly in decimal, every bin from the first to
// the last written, and the series adding up to the tables.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "study/Csv.h"
#include "conversion/TraceConverter.h"
#include "conversion/TraceTime.h"

namespace {

using kavro::Nanos;
namespace study = kavro::study;

TEST(Times, ReadExactlyInNanoseconds) {
    const struct {
        const char* text;
        Nanos read;
        int64_t ns;
    } cases[] = {
        {"2.3", Nanos::Ok, 2300000000},
        {"76.000000000", Nanos::Ok, 76000000000},
        {"2.76973077876946", Nanos::Ok, 2769730779},  // nine decimals, half up
        {"2.7697307784999", Nanos::Ok, 2769730778},
        {"0.0000000005", Nanos::Ok, 1},
        {"1e2", Nanos::Ok, 100000000000},
        {"1.5E-3", Nanos::Ok, 1500000},
        {"+7", Nanos::NoTime, 0},  // as the delays read times
        {"-0.0", Nanos::Ok, 0},
        {"-1.5", Nanos::Negative, 0},
        {"9223372036.854775807", Nanos::Ok, INT64_MAX},
        {"9223372036.854775808", Nanos::TooLarge, 0},
        {"1e300", Nanos::TooLarge, 0},
        {"inf", Nanos::NoTime, 0},
        {"nan", Nanos::NoTime, 0},
        {"2.3 ", Nanos::NoTime, 0},
        {"", Nanos::NoTime, 0},
    };
    for (const auto& c : cases) {
        int64_t ns = 0;
        EXPECT_EQ(kavro::ReadNanoseconds(c.text, ns), c.read) << c.text;
        if (c.read == Nanos::Ok) {
            EXPECT_EQ(ns, c.ns) << c.text;
        }
    }
}

TEST(Bins, EdgesFallInTheBinThatStartsThere) {
    const struct {
        const char* width;
        const char* time;
        uint64_t bin;
    } cases[] = {
        {"0.1", "2.3", 23}, {"0.1", "2.2999999999", 23}, {"0.1", "2.299999999", 22}, {"0.1", "0", 0},
        {"2.5", "5.0", 2},  {"2.5", "4.999999999", 1},   {"1", "0.999999999", 0},    {"1", "1", 1},
    };
    for (const auto& c : cases) {
        uint64_t bin = 99;
        ASSERT_TRUE(kavro::BinOf(c.time, study::ParseBinWidth(c.width)->ns, bin)) << c.time;
        EXPECT_EQ(bin, c.bin) << c.time << " in bins of " << c.width;
    }
    uint64_t bin = 0;
    EXPECT_FALSE(kavro::BinOf("-0.5", 1000000000, bin));
    EXPECT_FALSE(kavro::BinOf("x", 1000000000, bin));
    EXPECT_THROW(kavro::BinOf("1000000", 1000000, bin), kavro::TraceError);
}

TEST(Bins, WidthsAndTheirStarts) {
    const struct {
        const char* width;
        uint64_t k;
        const char* start;
    } cases[] = {
        {"1", 3, "3"}, {"0.5", 0, "0.0"}, {"0.5", 3, "1.5"}, {"0.50", 3, "1.50"},
        {"2.5", 3, "7.5"}, {"0.1", 23, "2.3"}, {"0.000000001", 7, "0.000000007"}, {"10", 2, "20"},
    };
    for (const auto& c : cases) EXPECT_EQ(study::BinStart(c.k, *study::ParseBinWidth(c.width)), c.start) << c.width;
    EXPECT_EQ(study::BinStart(3, *study::ParseBinWidth(".5")), "1.5");
    EXPECT_EQ(study::BinStart(3, *study::ParseBinWidth("2.")), "6");
    for (const char* bad : {"0", "0.0", "-1", "1e3", ".", "1.0000000001", "abc", "", "99999999999", "+1"})
        EXPECT_FALSE(study::ParseBinWidth(bad)) << bad;
}

std::string Read(const std::string& name) {
    std::ifstream in(KAVRO_TEST_DATA "/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

study::Study StudyOf(const std::string& text, const char* width) {
    const kavro::ReadOptions read(kavro::kReadTables | kavro::kReadEnergy, study::ParseBinWidth(width)->ns);
    kavro::TraceConverter conversion({}, read);
    conversion.AddPiece(text);
    conversion.End();
    return study::MakeStudy(conversion.Table(), conversion.Facts(), conversion.Paths(),
                            {true, true, read.binNs, true});
}

// The empty bins between events are written, from bin 0 on; a packet is
// delivered in the bin of its first receive; a node's energy is carried on;
// without the router's lines the routing load is unknown.
TEST(Series, EveryBinFromTheFirstToTheLast) {
    const std::string text =
        "s 0.25 _1_ AGT  --- 1 cbr 512 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 0 0\n"
        "N -t 0.27 -n 3 -e 90.5\n"
        "r 0.30 _2_ AGT  --- 1 cbr 500 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 1 0\n"
        "r 1.20 _4_ AGT  --- 1 cbr 600 [0 0 0 0] ------- [1:0 2:0 32 0] [0] 1 0\n"
        "D 2.10 _3_ IFQ  --- 9 AODV 48 [0 0 0 0]\n";
    const study::Study s = StudyOf(text, "0.5");
    EXPECT_EQ(study::SeriesRows("t", s, *study::ParseBinWidth("0.5")),
              "t,0.0,1,1,8.000,0.050000000,0.050000000,0,\n"
              "t,0.5,0,0,0.000,,,0,\n"
              "t,1.0,0,0,0.000,,,0,\n"
              "t,1.5,0,0,0.000,,,0,\n"
              "t,2.0,0,0,0.000,,,0,\n");
    const std::string nodes = study::NodeSeriesRows("t", s, *study::ParseBinWidth("0.5"));
    EXPECT_NE(nodes.find("t,3,1.0,0,0,0,0,90.5\nt,3,1.5,0,0,0,0,90.5\nt,3,2.0,0,0,0,1,90.5\n"), std::string::npos)
        << nodes;
    EXPECT_NE(nodes.find("t,2,0.0,0,1,0,0,\n"), std::string::npos) << nodes;
}

// A line that reports energy counts wherever a piece of the trace ends,
// whatever it begins with.
TEST(Series, EnergyOfALineCutInTwo) {
    const std::string text = "s 0.1 _1_ AGT  --- 1 cbr 512 [0 0 0 0]\nN -t 0.27 -n 3 -e 90.5\nr 0.3 -s 4 -k MAC -N:en 80\n";
    const kavro::ReadOptions read(kavro::kReadTables | kavro::kReadEnergy);
    for (size_t cut = 1; cut < text.size(); ++cut) {
        kavro::TraceConverter conversion({}, read);
        for (const std::string_view piece : {std::string_view(text).substr(0, cut), std::string_view(text).substr(cut)})
            conversion.AddPiece(piece);
        conversion.End();
        const study::Study s = study::MakeStudy(conversion.Table(), conversion.Facts(), conversion.Paths(), {true});
        ASSERT_EQ(s.nodes.size(), 3u) << cut;
        EXPECT_EQ(s.nodes[1].energy, "90.5") << cut;
        EXPECT_EQ(s.nodes[2].energy, "80") << cut;
    }
}

// Each flow's and node's series add up to its row of the tables, and the
// bytes of a flow's bins to its throughput over its span.
TEST(Series, AddUpToTheTables) {
    for (const char* width : {"1", "0.1", "2.5"}) {
        SCOPED_TRACE(width);
        const study::Study s = StudyOf(Read("aodv-10n-30s-e100.tr"), width);
        ASSERT_GT(s.series.bins, 0u);
        for (size_t f = 0; f < s.flows.size(); ++f) {
            uint64_t sent = 0, delivered = 0, bytes = 0;
            for (const auto& [k, b] : s.series.flows[f]) {
                sent += b.sent;
                delivered += b.delivered;
                bytes += b.bytes;
            }
            EXPECT_EQ(sent, s.flows[f].sent);
            EXPECT_EQ(delivered, s.flows[f].delivered);
            double first = 1e300, last = -1e300;
            for (const study::Packet& p : s.packets) {
                if (p.source != s.flows[f].source || p.destination != s.flows[f].destination) continue;
                first = std::min(first, std::stod(p.sendTime));
                if (!p.receiveTime.empty()) last = std::max(last, std::stod(p.receiveTime));
            }
            if (s.flows[f].throughputKbps) {
                EXPECT_NEAR(bytes * 8 / 1000.0, *s.flows[f].throughputKbps * (last - first), 1e-6);
            }
        }
        uint64_t dropped = 0, routing = 0;
        for (const study::TraceBin& b : s.series.trace) {
            dropped += b.dropped;
            routing += b.routing;
        }
        EXPECT_EQ(dropped, s.trace.dropped);
        EXPECT_EQ(routing, s.trace.routingPackets);
        for (size_t n = 0; n < s.nodes.size(); ++n) {
            study::NodeBin sum;
            for (const auto& [k, b] : s.series.nodes[n]) {
                sum.sent += b.sent;
                sum.received += b.received;
                sum.forwarded += b.forwarded;
                sum.dropped += b.dropped;
            }
            EXPECT_EQ(sum.sent, s.nodes[n].sent);
            EXPECT_EQ(sum.received, s.nodes[n].received);
            EXPECT_EQ(sum.forwarded, s.nodes[n].forwarded);
            EXPECT_EQ(sum.dropped, s.nodes[n].dropped);
            // The last reading of the series is the table's.
            if (!s.series.energy[n].empty()) {
                EXPECT_EQ(s.series.energy[n].back().second, s.nodes[n].energy);
            }
        }
    }
}

}  // namespace
