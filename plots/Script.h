#pragma once
// gnuplot scripts as text. Every text that comes from a trace or a path goes
// in through Quote: gnuplot runs backquoted commands and expands '@' macros
// outside single quotes, and a line end ends a command.
#include <string>
#include <string_view>
#include <vector>

namespace kavro::plots {

// A gnuplot string expression that yields `text` byte for byte: single-quoted
// runs, with a backquote, '@' and every control byte as sprintf('%c', N).
std::string Quote(std::string_view text);

// A number as gnuplot reads it.
std::string Num(double value);

// The figure's size in inches.
struct Canvas {
    double width, height;
};

// A whole script that draws `stem`.FORMAT for each format: the settings a
// user edits at the top, then `setup` once and `draw` once per format, its
// commands one a line. Several scripts may run in one gnuplot process.
std::string Script(const std::string& stem, const std::vector<std::string>& formats, Canvas canvas,
                   std::string_view setup, std::string_view draw);

}  // namespace kavro::plots
