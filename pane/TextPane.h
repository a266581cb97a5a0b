#pragma once
// An editable multi-line pane for very large single-byte texts: it paints only
// the lines in view, never wraps, and keeps its text in a TextModel.
#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <array>
#include <cstdint>
#include <vector>

#include "LinePane.h"
#include "TextModel.h"

class QMenu;

class TextPane : public QAbstractScrollArea, public LinePane {
    Q_OBJECT

public:
    explicit TextPane(QWidget* parent = nullptr);

    QWidget* Widget() override { return this; }
    int Count() const override;
    std::string Line(int i) const override;
    void ForEachLine(const std::function<void(std::string_view)>& fn) const override;
    void Clear() override;
    // Leaves the caret and the view where they are.
    void Append(std::string_view line) override;
    // Caret and view go to the start; the undo history is forgotten.
    void SetText(std::string bytes) override;
    // While suspended, nothing is painted and scroll ranges wait for the resume.
    void SetRepaintSuspended(bool suspended) override;

    const TextModel& Model() const { return model_; }
    // Bytes walked so far to turn columns into x positions and back; lets
    // tests and the benchmark see what the caret costs on long lines.
    size_t MeasuredBytes() const { return measuredBytes_; }

    TextPos Caret() const { return caret_; }
    TextPos Anchor() const { return anchor_; }
    bool HasSelection() const { return caret_ != anchor_; }
    std::string SelectedText() const;
    void SetSelection(TextPos anchor, TextPos caret);

    // The editing commands behind the keys and the context menu.
    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void Paste();
    void DeleteSelection();
    void SelectAll();

    // Viewport coordinates: the top-left of the caret at `pos`, and the
    // position nearest to a point.
    QPointF PointAt(TextPos pos) const;
    TextPos PosAt(QPointF point) const;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    // Shortcuts the pane takes before the window's, as they belong to editing.
    static bool IsEditingKey(QKeyEvent* e);
    bool HandleShortcut(QKeyEvent* e);
    bool HandleMovement(QKeyEvent* e);
    bool HandleEditing(QKeyEvent* e);
    TextPos WordStart(TextPos pos) const;
    TextPos WordEnd(TextPos pos) const;

    // Text edits with the caret placed after them.
    void ReplaceSelection(std::string_view text, bool typing);
    void MoveCaret(TextPos pos, bool extend, bool keepColumnX = false);
    void AfterTextChange();
    void PlaceCaretAfterHistoryStep(TextPos at);
    void AfterCaretMove();
    void EnsureCaretVisible();
    void RestartBlink();

    void RebuildMetrics();
    void UpdateScrollBars();
    int VisibleRows() const;
    int ContentWidth() const;

    struct Spot {
        size_t column = 0;
        qreal x = 0;
    };
    // What is known of x along a recently measured long line: x at every
    // stride of columns as far as measured, and the last answers given. A
    // blink then measures nothing, and a caret move only the bytes it
    // crosses (going back, at most a stride from the stop before).
    struct Measured {
        size_t line = SIZE_MAX;
        std::vector<qreal> stops;
        Spot marks[3];  // the last position asked for, the one before, the view's left edge
        uint64_t used = 0;
    };
    // Offset of `column` from the start of line `i`, in pixels.
    qreal XOf(size_t i, size_t column) const;
    size_t ColumnAt(size_t i, qreal x) const;
    // The first byte of line `i` not wholly left of `left`, and its x.
    Spot FirstVisible(size_t i, qreal left) const;
    Spot Walk(std::string_view line, Spot from, size_t to) const;
    Measured* Remembered(size_t i, std::string_view line) const;
    // The known spot nearest before a column, or left of an x, on a line
    // that is remembered; column 0 on any other.
    Spot KnownAtOrBefore(Measured* m, std::string_view line, size_t column) const;
    Spot KnownLeftOf(Measured* m, std::string_view line, qreal x) const;
    static void Remember(Measured* m, Spot at);
    // Lines before `from`, and the bytes before it on its own line, are unchanged.
    void ForgetMeasuresFrom(TextPos from);
    qreal Advance(unsigned char byte, qreal x) const;
    void DrawLine(QPainter& p, size_t i, qreal y, qreal left, qreal right) const;

    TextModel model_;
    TextPos caret_;
    TextPos anchor_;
    qreal wantedX_ = 0;  // kept across up/down moves
    bool dragging_ = false;
    bool suspended_ = false;
    bool rangesPending_ = false;
    bool caretShown_ = true;
    QBasicTimer blink_;
    int wheelRemainder_ = 0;

    QFont drawFont_;
    std::array<qreal, 256> widths_{};
    qreal tabWidth_ = 0;
    qreal avgWidth_ = 0;
    int lineHeight_ = 1;
    int ascent_ = 0;
    mutable qreal widestSeen_ = 0;
    mutable std::array<Measured, 8> measured_;
    mutable uint64_t measureClock_ = 0;
    mutable size_t measuredBytes_ = 0;
};
