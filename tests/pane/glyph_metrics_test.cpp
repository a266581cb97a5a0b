// Where columns fall on a huge line, by GlyphMetrics's own count of the
// bytes it walks; the pane asks it for the caret on every paint and move.
#include <gtest/gtest.h>

#include <QFont>
#include <algorithm>
#include <string>

#include "pane/GlyphMetrics.h"
#include "pane/TextModel.h"

using namespace kavro::pane;

namespace {

// A blink, which paints the caret's row again, measures nothing; a move
// only the bytes it crosses; once the line is known, even a jump to its
// other end.
TEST(GlyphMetricsTest, CaretOnAHugeLineMeasuresOnlyWhatItCrosses) {
    const size_t size = 4 << 20;
    TextModel model;
    model.SetText(std::string(size, 'w') + "\nshort\n");
    GlyphMetrics metrics(model);
    metrics.SetFont(QFont());
    // What the pane asks to show the caret at a column and paint its row:
    // where the caret is, then the first byte in view with the caret near
    // the view's right edge.
    const auto show = [&](size_t column) {
        const qreal x = metrics.XOf(0, column);
        metrics.FirstVisible(0, std::max<qreal>(0, x - 300));
        metrics.XOf(0, column);
    };
    show(size);

    size_t before = metrics.MeasuredBytes();
    for (int blink = 0; blink < 10; ++blink) show(size);
    EXPECT_LT(metrics.MeasuredBytes() - before, 64u);

    for (const size_t column : {size - 1, size - 2, size - 1, size - 3, size - 2, size_t{0}, size}) {
        SCOPED_TRACE(column);
        before = metrics.MeasuredBytes();
        show(column);
        EXPECT_LT(metrics.MeasuredBytes() - before, 2048u);
    }
}

}  // namespace
