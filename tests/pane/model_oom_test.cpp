// Every allocation inside a model operation is made to fail in turn; each
// failure must surface as the capacity error and leave the model as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "pane/PaneError.h"
#include "pane/TextModel.h"
#include "tests/FailingAllocations.h"

using namespace kavro::pane;

namespace {

struct State {
    std::string text;
    size_t count;
    bool canUndo, canRedo;
    bool operator==(const State& o) const {
        return text == o.text && count == o.count && canUndo == o.canUndo && canRedo == o.canRedo;
    }
};

State Capture(const TextModel& m) {
    return {m.Text(), m.Count(), m.CanUndo(), m.CanRedo()};
}

// A model with history in both directions and lines in both buffers.
void Prepare(TextModel& m) {
    m.SetText("alpha\r\nbeta\rgamma\n" + std::string(300, 'z') + "\n");
    m.Insert({1, 2}, "12\n34");
    m.Insert({0, 0}, "x", true);
    m.Remove({2, 0}, {3, 1});
    m.Undo();
}

TEST(TextModelOutOfMemory, FailedOperationsLeaveTheModelUnchanged) {
    const std::string big(100000, 'q');
    const std::string lines = "l1\nl2\r\nl3\rl4";
    const struct {
        const char* name;
        // Calls `arm` once its own arguments are built, right before the model.
        std::function<void(TextModel&, const std::function<void()>& arm)> op;
    } ops[] = {
        {"set text",
         [&](TextModel& m, auto& arm) {
             std::string text = lines + "\n" + big;
             arm();
             m.SetText(std::move(text));
         }},
        {"multi-line insert", [&](TextModel& m, auto& arm) { arm(), m.Insert({1, 1}, lines); }},
        {"line too long to pack",
         [&](TextModel& m, auto& arm) {
             const std::string huge(size_t{1} << 24, 'f');
             arm(), m.Insert({1, 1}, huge);
         }},
        {"typing", [&](TextModel& m, auto& arm) { arm(), m.Insert({0, 1}, "t", true); }},
        {"replace", [&](TextModel& m, auto& arm) { arm(), m.Replace({0, 2}, {3, 5}, lines); }},
        {"undo", [&](TextModel& m, auto& arm) { arm(), m.Undo(); }},
        {"redo", [&](TextModel& m, auto& arm) { arm(), m.Redo(); }},
    };
    const std::function<void()> never = [] {};
    for (const auto& o : ops) {
        SCOPED_TRACE(o.name);
        TextModel expected;
        Prepare(expected);
        o.op(expected, never);
        const State after = Capture(expected);

        int failures = 0;
        for (long n = 0;; ++n) {
            TextModel m;
            Prepare(m);
            const State before = Capture(m);
            std::string message;
            const std::function<void()> arm = [n] { g_allocsLeft = n; };
            try {
                o.op(m, arm);
            } catch (const PaneError& e) {
                message = e.what();
            }
            g_allocsLeft = -1;
            if (message.empty()) {
                EXPECT_EQ(Capture(m), after);
                break;
            }
            ++failures;
            EXPECT_EQ(message, "Text exceeds memo capacity");
            ASSERT_EQ(Capture(m), before) << "allocation " << n;
            // Still usable afterwards: the operation now succeeds.
            o.op(m, never);
            EXPECT_EQ(Capture(m), after);
        }
        // "undo" and "redo" may need no allocation at all; the others must have
        // been made to fail at least once for this test to mean anything.
        if (std::string(o.name) != "undo" && std::string(o.name) != "redo") {
            EXPECT_GT(failures, 0);
        }
    }
}

}  // namespace
