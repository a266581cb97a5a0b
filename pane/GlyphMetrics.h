#pragma once
// Where columns fall along the lines of a text model in one font. Bytes are
// drawn without shaping or kerning, so x along a line is a sum of per-byte
// advances, and long lines keep what has been summed of them.
#include <QFont>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "pane/TextModel.h"

namespace kavro::pane {

class GlyphMetrics {
public:
    struct Spot {
        size_t column = 0;
        qreal x = 0;
    };

    explicit GlyphMetrics(const TextModel& model) : model_(model) {}

    // Takes the font's advances; what was measured in the old one is forgotten.
    void SetFont(const QFont& font);
    // The font set, as it must be drawn for the advances to hold.
    const QFont& DrawFont() const { return drawFont_; }
    int LineHeight() const { return lineHeight_; }
    int Ascent() const { return ascent_; }
    qreal AverageWidth() const { return avgWidth_; }
    qreal SpaceWidth() const { return widths_[' ']; }

    // Bytes Qt would not draw as one glyph of fixed advance: controls, and the
    // soft hyphen, which it may hide. They are drawn as a small box instead.
    static bool IsSpecial(unsigned char b);
    // A tab's advance depends on where it starts.
    qreal Advance(unsigned char byte, qreal x) const;

    // Offset of `column` from the start of line `i`, in pixels.
    qreal XOf(size_t i, size_t column) const;
    size_t ColumnAt(size_t i, qreal x) const;
    // The first byte of line `i` not wholly left of `left`, and its x.
    Spot FirstVisible(size_t i, qreal left) const;
    // Summed from the start each time: what long lines keep is left alone.
    qreal LineWidth(size_t i) const;

    // Lines before `from`, and the bytes before it on its own line, are unchanged.
    void ForgetFrom(TextPos from);
    // Bytes walked so far to turn columns into x positions and back.
    size_t MeasuredBytes() const { return measuredBytes_; }

private:
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

    Spot Walk(std::string_view line, Spot from, size_t to) const;
    Measured* Remembered(size_t i, std::string_view line) const;
    // The known spot nearest before a column, or left of an x, on a line
    // that is remembered; column 0 on any other.
    Spot KnownAtOrBefore(Measured* m, std::string_view line, size_t column) const;
    Spot KnownLeftOf(Measured* m, std::string_view line, qreal x) const;
    // Adds the stop after the last one.
    void AddStop(Measured* m, std::string_view line) const;
    static void Remember(Measured* m, Spot at);

    const TextModel& model_;
    QFont drawFont_;
    std::array<qreal, 256> widths_{};
    qreal tabWidth_ = 0;
    qreal avgWidth_ = 0;
    int lineHeight_ = 1;
    int ascent_ = 0;
    mutable std::array<Measured, 8> measured_;
    mutable uint64_t clock_ = 0;
    mutable size_t measuredBytes_ = 0;
};

}  // namespace kavro::pane
