#include "TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <cmath>
#include <new>

#include "PaneError.h"

namespace {

constexpr int kMarginLeft = 3;
constexpr int kMarginTop = 1;
constexpr int kTabColumns = 8;
// Beyond this a line's full width is not measured while painting.
constexpr size_t kMeasureLimit = 1 << 16;
// Long lines keep x at every kStride-th column; shorter ones are measured
// from their start each time, which costs less than keeping anything.
constexpr size_t kStride = 256;
constexpr size_t kRememberFrom = 8 * kStride;

// Bytes Qt would not draw as one glyph of fixed advance: controls, and the
// soft hyphen, which it may hide. They are drawn as a small box instead.
bool IsSpecial(unsigned char b) {
    return b < 0x20 || (b >= 0x7f && b < 0xa0) || b == 0xad;
}

// Posted after appends to bring the scroll ranges up to date.
QEvent::Type RangesEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QString Latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

TextPane::TextPane(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    RebuildMetrics();
    UpdateScrollBars();
}

// --- line list -------------------------------------------------------------

int TextPane::Count() const {
    return static_cast<int>(model_.Count());
}

std::string TextPane::Line(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= model_.Count()) return {};
    return std::string(model_.Line(static_cast<size_t>(i)));
}

void TextPane::ForEachLine(const std::function<void(std::string_view)>& fn) const {
    model_.ForEachLine(fn);
}

void TextPane::Clear() {
    model_.Clear();
    ForgetMeasuresFrom({});
    caret_ = anchor_ = {};
    widestSeen_ = 0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    AfterTextChange();
}

void TextPane::Append(std::string_view line) {
    const size_t before = model_.Count();
    model_.Append(line);
    ForgetMeasuresFrom({before, 0});
    // The caret stays where it is, so only the scroll ranges need a look,
    // once for a whole run of appends.
    if (suspended_ || rangesPending_) return;
    rangesPending_ = true;
    QCoreApplication::postEvent(this, new QEvent(RangesEvent()));
}

void TextPane::SetText(std::string bytes) {
    model_.SetText(std::move(bytes));
    ForgetMeasuresFrom({});
    caret_ = anchor_ = {};
    wantedX_ = 0;
    widestSeen_ = 0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    AfterTextChange();
}

void TextPane::SetRepaintSuspended(bool suspended) {
    if (suspended == suspended_) return;
    suspended_ = suspended;
    viewport()->setUpdatesEnabled(!suspended);
    if (!suspended) AfterTextChange();
}

bool TextPane::event(QEvent* e) {
    if (e->type() == RangesEvent()) {
        if (rangesPending_) {
            UpdateScrollBars();
            viewport()->update();
        }
        return true;
    }
    if (e->type() == QEvent::ShortcutOverride && IsEditingKey(static_cast<QKeyEvent*>(e))) {
        e->accept();
        return true;
    }
    return QAbstractScrollArea::event(e);
}

// --- selection and commands ------------------------------------------------

std::string TextPane::SelectedText() const {
    return model_.TextRange(anchor_, caret_);
}

void TextPane::SetSelection(TextPos anchor, TextPos caret) {
    model_.SealUndo();
    anchor_ = model_.Clamp(anchor);
    caret_ = model_.Clamp(caret);
    wantedX_ = XOf(caret_.line, caret_.column);
    AfterCaretMove();
}

void TextPane::SelectAll() {
    SetSelection({}, model_.End());
}

void TextPane::Undo() {
    TextPos at;
    if (model_.Undo(&at)) PlaceCaretAfterHistoryStep(at);
}

void TextPane::Redo() {
    TextPos at;
    if (model_.Redo(&at)) PlaceCaretAfterHistoryStep(at);
}

void TextPane::PlaceCaretAfterHistoryStep(TextPos at) {
    ForgetMeasuresFrom({});
    caret_ = anchor_ = model_.Clamp(at);
    wantedX_ = XOf(caret_.line, caret_.column);
    AfterTextChange();
}

void TextPane::Copy() {
    if (!HasSelection()) return;
    try {
        QGuiApplication::clipboard()->setText(Latin1(SelectedText()));
    } catch (const std::bad_alloc&) {
        throw PaneError::MemoCapacity();
    }
}

void TextPane::Cut() {
    if (!HasSelection()) return;
    Copy();
    DeleteSelection();
}

void TextPane::Paste() {
    const QByteArray bytes = QGuiApplication::clipboard()->text().toLatin1();
    if (bytes.isEmpty() && !HasSelection()) return;
    ReplaceSelection(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), false);
}

void TextPane::DeleteSelection() {
    if (HasSelection()) ReplaceSelection({}, false);
}

void TextPane::ReplaceSelection(std::string_view text, bool typing) {
    const TextPos from = std::min(anchor_, caret_);
    caret_ = anchor_ = model_.Replace(anchor_, caret_, text, typing);
    ForgetMeasuresFrom(from);
    wantedX_ = XOf(caret_.line, caret_.column);
    AfterTextChange();
}

void TextPane::MoveCaret(TextPos pos, bool extend, bool keepColumnX) {
    model_.SealUndo();
    caret_ = model_.Clamp(pos);
    if (!extend) anchor_ = caret_;
    if (!keepColumnX) wantedX_ = XOf(caret_.line, caret_.column);
    AfterCaretMove();
}

void TextPane::AfterTextChange() {
    if (suspended_) return;
    UpdateScrollBars();
    EnsureCaretVisible();
    RestartBlink();
    viewport()->update();
}

void TextPane::AfterCaretMove() {
    EnsureCaretVisible();
    RestartBlink();
    viewport()->update();
}

// --- geometry --------------------------------------------------------------

void TextPane::RebuildMetrics() {
    // Without shaping or kerning a run's width is the sum of its bytes'
    // advances, so x positions come from a table instead of laying out
    // whole lines, however long they are.
    drawFont_ = font();
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
    widestSeen_ = 0;
    ForgetMeasuresFrom({});
    horizontalScrollBar()->setSingleStep(std::max(1, static_cast<int>(avgWidth_ * 4)));
}

qreal TextPane::Advance(unsigned char byte, qreal x) const {
    if (byte == '\t') return (std::floor(x / tabWidth_) + 1) * tabWidth_ - x;
    return widths_[byte];
}

TextPane::Spot TextPane::Walk(std::string_view line, Spot from, size_t to) const {
    qreal x = from.x;
    for (size_t c = from.column; c < to; ++c) x += Advance(static_cast<unsigned char>(line[c]), x);
    measuredBytes_ += to - from.column;
    return {to, x};
}

TextPane::Measured* TextPane::Remembered(size_t i, std::string_view line) const {
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
    pick->used = ++measureClock_;
    return pick;
}

// Stops are added as the line is first walked past them. Every x comes from
// adding advances forward from a known one: the same sums as from column 0.
TextPane::Spot TextPane::KnownAtOrBefore(Measured* m, std::string_view line, size_t column) const {
    if (!m) return {};
    while (m->stops.size() * kStride <= column) {
        const size_t at = (m->stops.size() - 1) * kStride;
        m->stops.push_back(Walk(line, {at, m->stops.back()}, at + kStride).x);
    }
    Spot best{column / kStride * kStride, m->stops[column / kStride]};
    for (const Spot& mark : m->marks)
        if (mark.column <= column && mark.column > best.column) best = mark;
    return best;
}

TextPane::Spot TextPane::KnownLeftOf(Measured* m, std::string_view line, qreal x) const {
    if (!m) return {};
    while (m->stops.back() <= x && m->stops.size() * kStride <= line.size()) {
        const size_t at = (m->stops.size() - 1) * kStride;
        m->stops.push_back(Walk(line, {at, m->stops.back()}, at + kStride).x);
    }
    const auto after = std::upper_bound(m->stops.begin(), m->stops.end(), x);
    const size_t k = static_cast<size_t>(after - m->stops.begin()) - 1;
    Spot best{k * kStride, m->stops[k]};
    for (const Spot& mark : m->marks)
        if (mark.x <= x && mark.column > best.column) best = mark;
    return best;
}

// The edge of the view has a mark of its own, so the caret's survives painting.
void TextPane::Remember(Measured* m, Spot at) {
    if (!m || m->marks[0].column == at.column) return;
    m->marks[1] = m->marks[0];
    m->marks[0] = at;
}

qreal TextPane::XOf(size_t i, size_t column) const {
    const std::string_view line = model_.Line(i);
    column = std::min(column, line.size());
    Measured* m = Remembered(i, line);
    const Spot at = Walk(line, KnownAtOrBefore(m, line, column), column);
    Remember(m, at);
    return at.x;
}

size_t TextPane::ColumnAt(size_t i, qreal x) const {
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

TextPane::Spot TextPane::FirstVisible(size_t i, qreal left) const {
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

void TextPane::ForgetMeasuresFrom(TextPos from) {
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

int TextPane::VisibleRows() const {
    return std::max(1, (viewport()->height() - kMarginTop) / lineHeight_);
}

int TextPane::ContentWidth() const {
    const qreal longest = std::max(static_cast<qreal>(model_.MaxLineLength()) * avgWidth_, widestSeen_);
    const qreal width = 2 * kMarginLeft + longest + 2;
    return width > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(std::ceil(width));
}

void TextPane::UpdateScrollBars() {
    rangesPending_ = false;
    const int rows = VisibleRows();
    const size_t lines = model_.DisplayCount();
    const size_t maxTop = lines > static_cast<size_t>(rows) ? lines - rows : 0;
    QScrollBar* v = verticalScrollBar();
    v->setRange(0, static_cast<int>(std::min<size_t>(maxTop, INT_MAX)));
    v->setPageStep(rows);
    v->setSingleStep(1);
    QScrollBar* h = horizontalScrollBar();
    h->setRange(0, std::max(0, ContentWidth() - viewport()->width()));
    h->setPageStep(std::max(1, viewport()->width()));
}

QPointF TextPane::PointAt(TextPos pos) const {
    pos = model_.Clamp(pos);
    const qreal x = kMarginLeft + XOf(pos.line, pos.column) - horizontalScrollBar()->value();
    const qreal y = kMarginTop + (static_cast<qreal>(pos.line) - verticalScrollBar()->value()) * lineHeight_;
    return {x, y};
}

TextPos TextPane::PosAt(QPointF point) const {
    const qreal row = std::floor((point.y() - kMarginTop) / lineHeight_);
    const qreal line = std::clamp<qreal>(verticalScrollBar()->value() + row, 0,
                                         static_cast<qreal>(model_.DisplayCount() - 1));
    const size_t i = static_cast<size_t>(line);
    const qreal x = point.x() - kMarginLeft + horizontalScrollBar()->value();
    return {i, ColumnAt(i, x)};
}

void TextPane::EnsureCaretVisible() {
    QScrollBar* v = verticalScrollBar();
    const int rows = VisibleRows();
    const qint64 line = static_cast<qint64>(caret_.line);
    if (line < v->value())
        v->setValue(static_cast<int>(line));
    else if (line >= static_cast<qint64>(v->value()) + rows)
        v->setValue(static_cast<int>(line - rows + 1));

    QScrollBar* h = horizontalScrollBar();
    const qreal x = XOf(caret_.line, caret_.column);
    const int width = viewport()->width() - 2 * kMarginLeft - 2;
    if (x > widestSeen_) widestSeen_ = x;
    if (x < h->value()) {
        h->setValue(std::max(0, static_cast<int>(x) - width / 4));
    } else if (x > h->value() + width) {
        const int target = static_cast<int>(std::ceil(x)) - width * 3 / 4;
        if (target > h->maximum()) h->setMaximum(std::max(target, ContentWidth() - viewport()->width()));
        h->setValue(target);
    }
}

// --- painting --------------------------------------------------------------

void TextPane::scrollContentsBy(int, int) {
    viewport()->update();
}

void TextPane::DrawLine(QPainter& p, size_t i, qreal y, qreal left, qreal right) const {
    // Skip what lies left of the view, then draw runs of plain bytes up to its
    // right edge; special bytes get a box.
    const std::string_view line = model_.Line(i);
    const Spot first = FirstVisible(i, left);
    qreal x = first.x;
    size_t c = first.column;
    const qreal shift = kMarginLeft - left;
    size_t runStart = c;
    qreal runX = x;
    const auto flush = [&](size_t end) {
        if (end > runStart) p.drawText(QPointF(runX + shift, y), Latin1(line.substr(runStart, end - runStart)));
    };
    while (c < line.size() && x <= right) {
        const unsigned char b = static_cast<unsigned char>(line[c]);
        const qreal w = Advance(b, x);
        if (IsSpecial(b)) {
            flush(c);
            if (b != '\t') {
                const qreal h = ascent_ * 0.6;
                p.drawRect(QRectF(x + shift + 1, y - h, std::max<qreal>(1, w - 3), h));
            }
            runStart = c + 1;
            runX = x + w;
        }
        x += w;
        ++c;
    }
    flush(c);
}

void TextPane::paintEvent(QPaintEvent* e) {
    if (suspended_) return;
    QPainter p(viewport());
    p.setFont(drawFont_);
    const QPalette& pal = palette();
    const int top = verticalScrollBar()->value();
    const qreal left = horizontalScrollBar()->value();
    const qreal right = left + viewport()->width();
    // Only the rows in the damaged band: a blink repaints one.
    const QRect dirty = e->rect();
    const int firstRow = std::max(0, (dirty.top() - kMarginTop) / lineHeight_);
    const int rows = std::min(VisibleRows() + 1, (dirty.bottom() - kMarginTop) / lineHeight_ + 1);
    const bool fullWidth = dirty.width() >= viewport()->width();
    const TextPos selFrom = std::min(anchor_, caret_);
    const TextPos selTo = std::max(anchor_, caret_);
    const bool selecting = HasSelection();
    const QColor text = pal.color(QPalette::Text);
    const QColor selText = pal.color(QPalette::HighlightedText);
    const qreal widestBefore = widestSeen_;

    for (int r = firstRow; r < rows; ++r) {
        const size_t i = static_cast<size_t>(top) + r;
        if (i >= model_.DisplayCount()) break;
        const std::string_view line = model_.Line(i);
        const qreal rowTop = kMarginTop + static_cast<qreal>(r) * lineHeight_;
        const qreal baseline = rowTop + ascent_;
        if (fullWidth && line.size() <= kMeasureLimit)
            widestSeen_ = std::max(widestSeen_, Walk(line, {}, line.size()).x);

        p.setPen(text);
        DrawLine(p, i, baseline, left, right);

        if (selecting && selFrom.line <= i && i <= selTo.line) {
            const size_t from = i == selFrom.line ? selFrom.column : 0;
            const size_t to = i == selTo.line ? selTo.column : line.size();
            qreal x0 = XOf(i, from);
            qreal x1 = from == to ? x0 : XOf(i, to);
            if (i < selTo.line) x1 += widths_[' '];  // the line break
            const QRectF band(kMarginLeft + x0 - left, rowTop, x1 - x0, lineHeight_);
            if (band.width() > 0) {
                p.fillRect(band, pal.brush(QPalette::Highlight));
                p.save();
                p.setClipRect(band);
                p.setPen(selText);
                DrawLine(p, i, baseline, left, right);
                p.restore();
            }
        }
    }

    if (hasFocus() && caretShown_) {
        const QPointF at = PointAt(caret_);
        if (at.y() < viewport()->height() && at.y() + lineHeight_ > 0)
            p.fillRect(QRectF(at.x(), at.y(), 1, lineHeight_), text);
    }
    if (widestSeen_ > widestBefore) UpdateScrollBars();
}

void TextPane::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void TextPane::changeEvent(QEvent* e) {
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::FontChange) {
        RebuildMetrics();
        UpdateScrollBars();
        viewport()->update();
    }
}

// --- caret blink -----------------------------------------------------------

void TextPane::RestartBlink() {
    caretShown_ = true;
    const int period = QGuiApplication::styleHints()->cursorFlashTime() / 2;
    if (hasFocus() && period > 0)
        blink_.start(period, this);
    else
        blink_.stop();
}

void TextPane::timerEvent(QTimerEvent* e) {
    if (e->timerId() != blink_.timerId()) {
        QAbstractScrollArea::timerEvent(e);
        return;
    }
    caretShown_ = !caretShown_;
    const QPointF at = PointAt(caret_);
    viewport()->update(QRectF(at.x() - 1, at.y(), 3, lineHeight_).toAlignedRect());
}

void TextPane::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    RestartBlink();
    viewport()->update();
}

void TextPane::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    blink_.stop();
    dragging_ = false;
    viewport()->update();
}
