// TextPane's keyboard and mouse input.
#include "pane/TextPane.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

namespace kavro::pane {

namespace {

bool IsUndoKey(QKeyEvent* e) {
    return e->matches(QKeySequence::Undo) ||
           (e->key() == Qt::Key_Z && e->modifiers() == Qt::ControlModifier);
}

bool IsRedoKey(QKeyEvent* e) {
    return e->matches(QKeySequence::Redo) ||
           (e->key() == Qt::Key_Y && e->modifiers() == Qt::ControlModifier);
}

bool IsWordByte(unsigned char b) {
    return b == '_' || (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') ||
           b >= 0xc0;
}

// Where the run of word bytes (or of other bytes) that ends at column `c` begins.
size_t RunStart(std::string_view line, size_t c, bool word) {
    while (c > 0 && IsWordByte(static_cast<unsigned char>(line[c - 1])) == word) --c;
    return c;
}

// Where the run of word bytes (or of other bytes) that begins at column `c` ends.
size_t RunEnd(std::string_view line, size_t c, bool word) {
    while (c < line.size() && IsWordByte(static_cast<unsigned char>(line[c])) == word) ++c;
    return c;
}

}  // namespace

// --- keys ------------------------------------------------------------------

bool TextPane::IsEditingKey(QKeyEvent* e) {
    const bool plain = (e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
    return IsUndoKey(e) || IsRedoKey(e) || e->matches(QKeySequence::Copy) ||
           e->matches(QKeySequence::Cut) || e->matches(QKeySequence::Paste) ||
           e->matches(QKeySequence::SelectAll) ||
           (plain && e->key() != Qt::Key_Escape && e->key() != Qt::Key_Tab &&
            e->key() != Qt::Key_Backtab);
}

bool TextPane::HandleShortcut(QKeyEvent* e) {
    if (IsUndoKey(e)) Undo();
    else if (IsRedoKey(e)) Redo();
    else if (e->matches(QKeySequence::Copy)) Copy();
    else if (e->matches(QKeySequence::Cut)) Cut();
    else if (e->matches(QKeySequence::Paste)) Paste();
    else if (e->matches(QKeySequence::SelectAll)) SelectAll();
    else return false;
    return true;
}

// Ctrl+Left and Ctrl+Right stop at the start of the word before or after the caret.
TextPos TextPane::WordStart(TextPos pos) const {
    const std::string_view line = model_.Line(pos.line);
    return {pos.line, RunStart(line, RunStart(line, pos.column, false), true)};
}

TextPos TextPane::WordEnd(TextPos pos) const {
    const std::string_view line = model_.Line(pos.line);
    return {pos.line, RunEnd(line, RunEnd(line, pos.column, true), false)};
}

bool TextPane::HandleMovement(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    const bool shift = mods & Qt::ShiftModifier;
    const bool ctrl = mods & Qt::ControlModifier;
    if (mods & ~(Qt::ShiftModifier | Qt::ControlModifier)) return false;
    const std::string_view line = model_.Line(caret_.line);
    TextPos to = caret_;
    bool keepX = false;

    switch (e->key()) {
    case Qt::Key_Left:
        if (HasSelection() && !shift) {
            to = std::min(anchor_, caret_);
        } else if (ctrl) {
            to = caret_.column == 0 && caret_.line > 0
                     ? TextPos{caret_.line - 1, model_.Line(caret_.line - 1).size()}
                     : WordStart(caret_);
        } else if (caret_.column > 0) {
            to.column--;
        } else if (caret_.line > 0) {
            to = {caret_.line - 1, model_.Line(caret_.line - 1).size()};
        }
        break;
    case Qt::Key_Right:
        if (HasSelection() && !shift) {
            to = std::max(anchor_, caret_);
        } else if (caret_.column < line.size()) {
            to = ctrl ? WordEnd(caret_) : TextPos{caret_.line, caret_.column + 1};
        } else if (caret_.line + 1 < model_.DisplayCount()) {
            to = {caret_.line + 1, 0};
        }
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (ctrl && (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down)) {
            QScrollBar* v = verticalScrollBar();
            v->setValue(v->value() + (e->key() == Qt::Key_Up ? -1 : 1));
            return true;
        }
        const bool page = e->key() == Qt::Key_PageUp || e->key() == Qt::Key_PageDown;
        const bool up = e->key() == Qt::Key_Up || e->key() == Qt::Key_PageUp;
        const size_t step = page ? static_cast<size_t>(std::max(1, VisibleRows() - 1)) : 1;
        const size_t last = model_.DisplayCount() - 1;
        to.line = up ? (caret_.line > step ? caret_.line - step : 0) : std::min(last, caret_.line + step);
        to.column = metrics_.ColumnAt(to.line, wantedX_);
        if (page) {
            QScrollBar* v = verticalScrollBar();
            v->setValue(v->value() + (up ? -1 : 1) * static_cast<int>(step));
        }
        keepX = true;
        break;
    }
    case Qt::Key_Home:
        to = ctrl ? TextPos{} : TextPos{caret_.line, 0};
        break;
    case Qt::Key_End:
        to = ctrl ? model_.End() : TextPos{caret_.line, line.size()};
        break;
    default:
        return false;
    }
    MoveCaret(to, shift, keepX);
    return true;
}

bool TextPane::HandleEditing(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods & ~Qt::ShiftModifier) return false;
        ReplaceSelection("\n", false);
        return true;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: {
        if (mods & ~Qt::ShiftModifier) return false;
        if (HasSelection()) {
            DeleteSelection();
            return true;
        }
        TextPos other = caret_;
        if (e->key() == Qt::Key_Backspace) {
            if (caret_.column > 0) other.column--;
            else if (caret_.line > 0) other = {caret_.line - 1, model_.Line(caret_.line - 1).size()};
        } else {
            if (caret_.column < model_.Line(caret_.line).size()) other.column++;
            else if (caret_.line + 1 < model_.DisplayCount()) other = {caret_.line + 1, 0};
        }
        if (other != caret_) {
            anchor_ = other;
            ReplaceSelection({}, false);
        }
        return true;
    }
    default:
        break;
    }

    // Printable Latin-1 characters; anything outside one byte is not typed.
    if (mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = e->text();
    if (text.isEmpty()) return false;
    std::string bytes;
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x20 || u == 0x7f || u > 0xff) return false;
        bytes.push_back(static_cast<char>(u));
    }
    ReplaceSelection(bytes, true);
    return true;
}

void TextPane::keyPressEvent(QKeyEvent* e) {
    if (HandleShortcut(e) || HandleMovement(e) || HandleEditing(e)) {
        e->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(e);
}

// --- mouse -----------------------------------------------------------------

void TextPane::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const TextPos at = PosAt(e->position());
        MoveCaret(at, e->modifiers() & Qt::ShiftModifier);
        dragging_ = true;
        e->accept();
        return;
    }
    if (e->button() == Qt::RightButton && !HasSelection()) {
        // Right-clicking outside a selection moves the caret there, as the
        // context menu then acts on it.
        MoveCaret(PosAt(e->position()), false);
    }
    QAbstractScrollArea::mousePressEvent(e);
}

void TextPane::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(e);
        return;
    }
    MoveCaret(PosAt(e->position()), true);
    e->accept();
}

void TextPane::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        viewport()->update();
        e->accept();
        return;
    }
    QAbstractScrollArea::mouseReleaseEvent(e);
}

void TextPane::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(e);
        return;
    }
    const TextPos at = PosAt(e->position());
    const std::string_view line = model_.Line(at.line);
    SetSelection({at.line, RunStart(line, at.column, true)}, {at.line, RunEnd(line, at.column, true)});
    dragging_ = false;
    e->accept();
}

void TextPane::wheelEvent(QWheelEvent* e) {
    const QPoint delta = e->angleDelta();
    if (std::abs(delta.x()) > std::abs(delta.y()) || (e->modifiers() & Qt::AltModifier)) {
        QScrollBar* h = horizontalScrollBar();
        const int d = delta.x() != 0 ? delta.x() : delta.y();
        h->setValue(h->value() - d * h->singleStep() * 3 / 120);
        e->accept();
        return;
    }
    // Keep fractions of a notch, as touchpads send many small steps.
    wheelRemainder_ += delta.y() * QApplication::wheelScrollLines();
    const int lines = wheelRemainder_ / 120;
    wheelRemainder_ -= lines * 120;
    QScrollBar* v = verticalScrollBar();
    v->setValue(v->value() - lines);
    e->accept();
}

void TextPane::contextMenuEvent(QContextMenuEvent* e) {
    QMenu menu(this);
    const bool selected = HasSelection();
    const auto add = [&](const QString& label, const QKeySequence& keys, bool enabled, auto slot) {
        QAction* a = menu.addAction(label);
        connect(a, &QAction::triggered, this, slot);
        a->setShortcut(keys);
        a->setShortcutVisibleInContextMenu(true);
        a->setEnabled(enabled);
        return a;
    };
    add(tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), model_.CanUndo(), [this] { Undo(); });
    add(tr("&Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), model_.CanRedo(), [this] { Redo(); });
    menu.addSeparator();
    add(tr("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X), selected, [this] { Cut(); });
    add(tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), selected, [this] { Copy(); });
    add(tr("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V),
        !QGuiApplication::clipboard()->text().isEmpty(), [this] { Paste(); });
    add(tr("&Delete"), QKeySequence(), selected, [this] { DeleteSelection(); });
    menu.addSeparator();
    add(tr("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A),
        model_.DisplayCount() > 1 || !model_.Line(0).empty(), [this] { SelectAll(); });
    menu.exec(e->globalPos());
}

}  // namespace kavro::pane
