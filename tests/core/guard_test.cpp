// The forward rule's guard, with every allocation of a forward line made
// to fail in turn.
#include <gtest/gtest.h>

#include "conversion/TraceTableBuilder.h"
#include "tests/FailingAllocations.h"
#include "tests/core/Convert.h"

namespace {

using kavro::ArrTrace;
using kt::Line;

kavro::RuleLine Ruled(const std::string& line) { return {line, kavro::RuleFor(line)}; }

// The forward rule's guard: each allocation of a forward line failing in
// turn gives two notices, the record index last produced and the stage,
// leaves the table as it was and lets the pass go on.
TEST(TableGuard, FailureAtAnyAllocationLeavesRecordAndGoesOn) {
    const std::string id(20, 'x'), node(20, 'n'), time = "1.00000000000000000000";
    // The id's buffer (stage 0), the hop's node (2), its time (3), the hop list (3).
    const std::vector<std::vector<std::string>> want = {{"0", "0"}, {"1", "2"}, {"1", "3"}, {"1", "3"}};
    for (long k = 0;; ++k) {
        SCOPED_TRACE("allocation " + std::to_string(k));
        std::vector<std::string> notices;
        kavro::TraceTableBuilder builder([&](const std::string& n) { notices.push_back(n); });
        for (const std::string& line : {Line('s', "1.0", "1", "AGT", "7"), Line('s', "1.0", "1", "AGT", id),
                                        Line('f', "1.5", "2", "RTR", "7")})
            builder.BuildTraceTable(Ruled(line));
        const ArrTrace snapshot = builder.Table();
        const std::string line = Line('f', time, node, "RTR", id);
        const kavro::RuleLine failing = Ruled(line);
        g_allocsLeft = k;
        builder.BuildTraceTable(failing);
        g_allocsLeft = -1;
        if (notices.empty()) {
            EXPECT_EQ(k, static_cast<long>(want.size())) << "allocations that did not fail";
            EXPECT_EQ(builder.Table()[1].Hops.size(), 1u);
            break;
        }
        ASSERT_LT(k, static_cast<long>(want.size()));
        EXPECT_EQ(notices, want[k]);
        EXPECT_EQ(builder.Table(), snapshot);
        builder.BuildTraceTable(Ruled(Line('f', "3.1", "4", "RTR", id)));
        const kavro::ArrFwd hops = {{"4", "3.1"}};
        EXPECT_EQ(builder.Table()[1].Hops, hops);
        EXPECT_EQ(notices.size(), 2u);
    }
}

// With nobody to tell, the guard lets the failure through: the console
// converter then fails the trace once instead of reporting every line.
TEST(TableGuard, WithoutNoticesTheFailureEndsThePass) {
    kavro::TraceTableBuilder builder;
    builder.BuildTraceTable(Ruled(Line('s', "1.0", "1", "AGT", "7")));
    g_allocsLeft = 0;
    EXPECT_THROW(builder.BuildTraceTable(Ruled(Line('f', "2.0", "3", "RTR", "7"))), std::bad_alloc);
    g_allocsLeft = -1;
    EXPECT_TRUE(builder.Table().front().Hops.empty());
}

}  // namespace
