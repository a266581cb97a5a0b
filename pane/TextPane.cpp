#include "pane/TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <algorithm>
#include <cmath>
#include <new>

#include "pane/PaneError.h"

namespace kavro::pane {

namespace {

constexpr int kMarginLeft = 3;
constexpr int kMarginTop = 1;
// Beyond this a line's full width is not measured while painting.
constexpr size_t kMeasureLimit = 1 << 16;

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

// --- text ------------------------------------------------------------------

void TextPane::SetText(std::string bytes) {
    model_.SetText(std::move(bytes));
    AfterTextReplaced();
}

void TextPane::SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) {
    model_.SetText(bytes, awaitMore, onIndexed);
    AfterTextReplaced();
}

void TextPane::ForEachLineBatch(const BatchFn& fn) const { model_.ForEachLineBatch(fn); }

void TextPane::AfterTextReplaced() {
    metrics_.ForgetFrom({});
    caret_ = anchor_ = {};
    wantedX_ = 0;
    widestSeen_ = 0;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    AfterTextChange();
    TextChanged();
}

bool TextPane::event(QEvent* e) {
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
    wantedX_ = metrics_.XOf(caret_.line, caret_.column);
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
    metrics_.ForgetFrom({});
    caret_ = anchor_ = model_.Clamp(at);
    wantedX_ = metrics_.XOf(caret_.line, caret_.column);
    AfterTextChange();
    TextChanged();
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
    metrics_.ForgetFrom(from);
    wantedX_ = metrics_.XOf(caret_.line, caret_.column);
    AfterTextChange();
    TextChanged();
}

void TextPane::MoveCaret(TextPos pos, bool extend, bool keepColumnX) {
    model_.SealUndo();
    caret_ = model_.Clamp(pos);
    if (!extend) anchor_ = caret_;
    if (!keepColumnX) wantedX_ = metrics_.XOf(caret_.line, caret_.column);
    AfterCaretMove();
}

void TextPane::AfterTextChange() {
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
    metrics_.SetFont(font());
    widestSeen_ = 0;
    horizontalScrollBar()->setSingleStep(std::max(1, static_cast<int>(metrics_.AverageWidth() * 4)));
}

int TextPane::VisibleRows() const {
    return std::max(1, (viewport()->height() - kMarginTop) / metrics_.LineHeight());
}

int TextPane::ContentWidth() const {
    const qreal longest =
        std::max(static_cast<qreal>(model_.MaxLineLength()) * metrics_.AverageWidth(), widestSeen_);
    const qreal width = 2 * kMarginLeft + longest + 2;
    return width > INT_MAX / 2 ? INT_MAX / 2 : static_cast<int>(std::ceil(width));
}

void TextPane::UpdateScrollBars() {
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
    const qreal x = kMarginLeft + metrics_.XOf(pos.line, pos.column) - horizontalScrollBar()->value();
    const qreal row = static_cast<qreal>(pos.line) - verticalScrollBar()->value();
    const qreal y = kMarginTop + row * metrics_.LineHeight();
    return {x, y};
}

TextPos TextPane::PosAt(QPointF point) const {
    const qreal row = std::floor((point.y() - kMarginTop) / metrics_.LineHeight());
    const qreal line = std::clamp<qreal>(verticalScrollBar()->value() + row, 0,
                                         static_cast<qreal>(model_.DisplayCount() - 1));
    const size_t i = static_cast<size_t>(line);
    const qreal x = point.x() - kMarginLeft + horizontalScrollBar()->value();
    return {i, metrics_.ColumnAt(i, x)};
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
    const qreal x = metrics_.XOf(caret_.line, caret_.column);
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
    const GlyphMetrics::Spot first = metrics_.FirstVisible(i, left);
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
        const qreal w = metrics_.Advance(b, x);
        if (GlyphMetrics::IsSpecial(b)) {
            flush(c);
            if (b != '\t') {
                const qreal h = metrics_.Ascent() * 0.6;
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
    QPainter p(viewport());
    p.setFont(metrics_.DrawFont());
    const QPalette& pal = palette();
    const int top = verticalScrollBar()->value();
    const qreal left = horizontalScrollBar()->value();
    const qreal right = left + viewport()->width();
    // Only the rows in the damaged band: a blink repaints one.
    const QRect dirty = e->rect();
    const int lineHeight = metrics_.LineHeight();
    const int firstRow = std::max(0, (dirty.top() - kMarginTop) / lineHeight);
    const int rows = std::min(VisibleRows() + 1, (dirty.bottom() - kMarginTop) / lineHeight + 1);
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
        const qreal rowTop = kMarginTop + static_cast<qreal>(r) * lineHeight;
        const qreal baseline = rowTop + metrics_.Ascent();
        if (fullWidth && line.size() <= kMeasureLimit)
            widestSeen_ = std::max(widestSeen_, metrics_.LineWidth(i));

        p.setPen(text);
        DrawLine(p, i, baseline, left, right);

        if (selecting && selFrom.line <= i && i <= selTo.line) {
            const size_t from = i == selFrom.line ? selFrom.column : 0;
            const size_t to = i == selTo.line ? selTo.column : line.size();
            const qreal x0 = metrics_.XOf(i, from);
            qreal x1 = from == to ? x0 : metrics_.XOf(i, to);
            if (i < selTo.line) x1 += metrics_.SpaceWidth();  // the line break
            const QRectF band(kMarginLeft + x0 - left, rowTop, x1 - x0, lineHeight);
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
        if (at.y() < viewport()->height() && at.y() + lineHeight > 0)
            p.fillRect(QRectF(at.x(), at.y(), 1, lineHeight), text);
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
    viewport()->update(QRectF(at.x() - 1, at.y(), 3, metrics_.LineHeight()).toAlignedRect());
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

}  // namespace kavro::pane
