// Averages over runs: means, sample standard deviations and 95 % confidence
// half-widths by group, groups in order of value or of bytes.
#include <gtest/gtest.h>

#include <sstream>

#include "study/Averages.h"

namespace {

namespace study = kavro::study;

TEST(Averages, StudentsTToFourDigits) {
    const std::pair<unsigned long, double> cases[] = {{1, 12.71}, {2, 4.303}, {3, 3.182}, {9, 2.262},
                                                      {29, 2.045}, {1000, 1.962}};
    for (const auto& [df, t] : cases) EXPECT_DOUBLE_EQ(study::StudentT95(df), t) << df;
}

study::Run RunOf(const char* group, double pdr, study::Value delay = std::nullopt, uint64_t dropped = 0) {
    study::Run r{group, {}};
    r.figures.pdr = pdr;
    r.figures.meanDelay = delay;
    r.figures.dropped = dropped;
    return r;
}

// The fields of a group's row: group, runs, then mean, sd and ci95 of pdr,
// of mean_delay, ... of dropped.
std::vector<std::string> Fields(const std::string& rows, const std::string& group) {
    std::istringstream in(rows);
    for (std::string row; std::getline(in, row);) {
        if (row.rfind(group + ",", 0) != 0) continue;
        std::vector<std::string> fields;
        std::istringstream f(row + ",");
        for (std::string field; std::getline(f, field, ',');) fields.push_back(field);
        return fields;
    }
    return {};
}

TEST(Averages, MeanSdAndHalfWidthByRunsThatHaveTheFigure) {
    std::vector<study::Run> runs = {RunOf("one", 50, 0.5, 3), RunOf("two", 40, 0.1, 1), RunOf("two", 60, {}, 5)};
    for (int i = 1; i <= 10; ++i) runs.push_back(RunOf("ten", i, i <= 3 ? study::Value(i == 3 ? 0.4 : 0.1 * i) : std::nullopt));
    const std::string rows = study::SummaryRows(runs);
    const size_t columns = 2 + 3 * 11;
    // One run: no spread.
    auto one = Fields(rows, "one");
    ASSERT_EQ(one.size(), columns);
    EXPECT_EQ(std::vector<std::string>(one.begin(), one.begin() + 8),
              (std::vector<std::string>{"one", "1", "50.00", "", "", "0.500000000", "", ""}));
    EXPECT_EQ(std::vector<std::string>(one.end() - 3, one.end()), (std::vector<std::string>{"3.00", "", ""}));
    // Two runs: t = 12.71; a delay only one of them has has no spread.
    auto two = Fields(rows, "two");
    EXPECT_EQ(std::vector<std::string>(two.begin(), two.begin() + 8),
              (std::vector<std::string>{"two", "2", "50.00", "14.14", "127.10", "0.100000000", "", ""}));
    EXPECT_EQ(std::vector<std::string>(two.end() - 3, two.end()), (std::vector<std::string>{"3.00", "2.83", "25.42"}));
    // Ten runs: t = 2.262; three delays: t = 4.303.
    auto ten = Fields(rows, "ten");
    EXPECT_EQ(std::vector<std::string>(ten.begin(), ten.begin() + 8),
              (std::vector<std::string>{"ten", "10", "5.50", "3.03", "2.17", "0.233333333", "0.152752523",
                                        "0.379488930"}));
}

TEST(Averages, GroupsByValueWhenAllAreNumbersElseByBytes) {
    const auto order = [](std::vector<std::string> groups) {
        std::vector<study::Run> runs;
        for (const std::string& g : groups) runs.push_back(RunOf(g.c_str(), 1));
        std::istringstream in(study::SummaryRows(runs));
        std::vector<std::string> out;
        for (std::string row; std::getline(in, row);) out.push_back(row.substr(0, row.find(',')));
        return out;
    };
    EXPECT_EQ(order({"10", "9", "100", "9.5"}), (std::vector<std::string>{"9", "9.5", "10", "100"}));
    EXPECT_EQ(order({"b", "a10", "a9"}), (std::vector<std::string>{"a10", "a9", "b"}));
    EXPECT_EQ(order({"10", "x", "9"}), (std::vector<std::string>{"10", "9", "x"}));
    EXPECT_EQ(order({""}), (std::vector<std::string>{""}));
}

}  // namespace
