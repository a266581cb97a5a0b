#pragma once
// An editable multi-line pane for very large single-byte texts: it paints only
// the lines in view, never wraps, and keeps its text in a TextModel.
#include <QAbstractScrollArea>
#include <QBasicTimer>

#include "pane/GlyphMetrics.h"
#include "pane/LinePane.h"
#include "pane/TextModel.h"

namespace kavro::pane {

class TextPane : public QAbstractScrollArea, public LinePane {
    Q_OBJECT

public:
    explicit TextPane(QWidget* parent = nullptr);

    QWidget* Widget() override { return this; }
    // Caret and view go to the start; the undo history is forgotten. The
    // bytes are taken over, not copied.
    void SetText(std::string bytes) override;
    void SetText(ByteBlock& bytes, const AwaitFn& awaitMore, const IndexedFn& onIndexed) override;
    void ForEachLineBatch(const BatchFn& fn) const override;

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
    void AfterTextReplaced();
    void PlaceCaretAfterHistoryStep(TextPos at);
    void AfterCaretMove();
    void EnsureCaretVisible();
    void RestartBlink();

    void RebuildMetrics();
    void UpdateScrollBars();
    int VisibleRows() const;
    int ContentWidth() const;

    void DrawLine(QPainter& p, size_t i, qreal y, qreal left, qreal right) const;

    TextModel model_;
    GlyphMetrics metrics_{model_};  // after the model it measures
    TextPos caret_;
    TextPos anchor_;
    qreal wantedX_ = 0;  // kept across up/down moves
    bool dragging_ = false;
    bool caretShown_ = true;
    QBasicTimer blink_;
    int wheelRemainder_ = 0;
    mutable qreal widestSeen_ = 0;
};

}  // namespace kavro::pane
