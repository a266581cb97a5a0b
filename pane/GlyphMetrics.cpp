#include "pane/GlyphMetrics.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace kavro::pane {

namespace {

constexpr int kTabColumns = 8;
// Long lines keep x at every kStride-th column; shorter ones are measured
// from their start each time, which costs less than keeping anything.
constexpr size_t kStride = 256;
constexpr size_t kRememberFrom = 8 * kStride;

}  // namespace

bool GlyphMetrics::IsSpecial(unsigned char b) {
    return b < 0x20 || (b >= 0x7f && b < 0xa0) || b == 0xad;
}

void GlyphMetrics::SetFont(const QFont& font) {
    // Without shaping or kerning a run's width is the sum of its bytes'
    // advances, so x positions come from a table instead of laying out
    // whole lines, however long they are.
    drawFont_ = font;
    drawFont_.setKerning(false);
    drawFont_.setStyleStrategy(QFont::PreferNoShaping);
    const QFontMetricsF fm(drawFont_);
    const qreal boxWidth = fm.horizontalAdvance(QLatin1Char('0'));
    for (int b = 0; b < 256; ++b)
        widths_[b] = IsSpecial(static_cast<unsigned char>(b)) ? boxWidth
                                                              : fm.horizontalAdvance(QChar(b));
    tabWidth_ = kTabColumns * widths_[' '];
    if (tabWidth_ <= 0) tabWidth_ = kTabColumns * boxWidth;
    avgWidth_ = fm.averageCharWidth();
    lineHeight_ = std::max(1, static_cast<int>(std::ceil(fm.lineSpacing())));
    ascent_ = static_cast<int>(std::ceil(fm.ascent()));
    ForgetFrom({});
}

qreal GlyphMetrics::Advance(unsigned char byte, qreal x) const {
    if (byte == '\t') return (std::floor(x / tabWidth_) + 1) * tabWidth_ - x;
    return widths_[byte];
}

qreal GlyphMetrics::XOf(size_t i, size_t column) const {
    const std::string_view line = model_.Line(i);
    column = std::min(column, line.size());
    Measured* m = Remembered(i, line);
    const Spot at = Walk(line, KnownAtOrBefore(m, line, column), column);
    Remember(m, at);
    return at.x;
}

size_t GlyphMetrics::ColumnAt(size_t i, qreal x) const {
    const std::string_view line = model_.Line(i);
    Measured* m = Remembered(i, line);
    const Spot from = x < 0 ? Spot{} : KnownLeftOf(m, line, x);
    qreal at = from.x;
    size_t c = from.column;
    for (; c < line.size(); ++c) {
        const qreal w = Advance(static_cast<unsigned char>(line[c]), at);
        if (x < at + w / 2) break;
        at += w;
    }
    measuredBytes_ += c - from.column;
    Remember(m, {c, at});
    return c;
}

GlyphMetrics::Spot GlyphMetrics::FirstVisible(size_t i, qreal left) const {
    const std::string_view line = model_.Line(i);
    Measured* m = Remembered(i, line);
    Spot at = left < 0 ? Spot{} : KnownLeftOf(m, line, left);
    const size_t from = at.column;
    for (; at.column < line.size(); ++at.column) {
        const qreal w = Advance(static_cast<unsigned char>(line[at.column]), at.x);
        if (at.x + w > left) break;
        at.x += w;
    }
    measuredBytes_ += at.column - from;
    if (m) m->marks[2] = at;
    return at;
}

qreal GlyphMetrics::LineWidth(size_t i) const {
    const std::string_view line = model_.Line(i);
    return Walk(line, {}, line.size()).x;
}

void GlyphMetrics::ForgetFrom(TextPos from) {
    for (Measured& m : measured_) {
        if (m.line == SIZE_MAX || m.line < from.line) continue;
        if (m.line > from.line) {
            m.line = SIZE_MAX;
            m.stops.clear();
            continue;
        }
        m.stops.resize(std::min(m.stops.size(), from.column / kStride + 1));
        for (Spot& mark : m.marks)
            if (mark.column > from.column) mark = {};
    }
}

GlyphMetrics::Spot GlyphMetrics::Walk(std::string_view line, Spot from, size_t to) const {
    qreal x = from.x;
    for (size_t c = from.column; c < to; ++c) x += Advance(static_cast<unsigned char>(line[c]), x);
    measuredBytes_ += to - from.column;
    return {to, x};
}

GlyphMetrics::Measured* GlyphMetrics::Remembered(size_t i, std::string_view line) const {
    if (line.size() < kRememberFrom) return nullptr;
    Measured* pick = &measured_[0];
    for (Measured& m : measured_) {
        if (m.line == i) {
            pick = &m;
            break;
        }
        if (m.used < pick->used) pick = &m;
    }
    if (pick->line != i) {
        pick->line = i;
        pick->stops.assign(1, 0);
        for (Spot& mark : pick->marks) mark = {};
    }
    pick->used = ++clock_;
    return pick;
}

// Stops are added as the line is first walked past them. Every x comes from
// adding advances forward from a known one: the same sums as from column 0.
void GlyphMetrics::AddStop(Measured* m, std::string_view line) const {
    const size_t at = (m->stops.size() - 1) * kStride;
    m->stops.push_back(Walk(line, {at, m->stops.back()}, at + kStride).x);
}

GlyphMetrics::Spot GlyphMetrics::KnownAtOrBefore(Measured* m, std::string_view line, size_t column) const {
    if (!m) return {};
    while (m->stops.size() * kStride <= column) AddStop(m, line);
    Spot best{column / kStride * kStride, m->stops[column / kStride]};
    for (const Spot& mark : m->marks)
        if (mark.column <= column && mark.column > best.column) best = mark;
    return best;
}

GlyphMetrics::Spot GlyphMetrics::KnownLeftOf(Measured* m, std::string_view line, qreal x) const {
    if (!m) return {};
    while (m->stops.back() <= x && m->stops.size() * kStride <= line.size()) AddStop(m, line);
    const auto after = std::upper_bound(m->stops.begin(), m->stops.end(), x);
    const size_t k = static_cast<size_t>(after - m->stops.begin()) - 1;
    Spot best{k * kStride, m->stops[k]};
    for (const Spot& mark : m->marks)
        if (mark.x <= x && mark.column > best.column) best = mark;
    return best;
}

// The edge of the view has a mark of its own, so the caret's survives painting.
void GlyphMetrics::Remember(Measured* m, Spot at) {
    if (!m || m->marks[0].column == at.column) return;
    m->marks[1] = m->marks[0];
    m->marks[0] = at;
}

}  // namespace kavro::pane
