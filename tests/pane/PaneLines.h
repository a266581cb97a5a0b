#pragma once
// A pane's lines as the window reads them, through ForEachLineBatch.
#include <string>
#include <string_view>
#include <vector>

#include "pane/LinePane.h"

inline std::vector<std::string> PaneLines(const kavro::pane::LinePane& pane) {
    std::vector<std::string> lines;
    pane.ForEachLineBatch([&](const std::string_view* batch, size_t count) {
        lines.insert(lines.end(), batch, batch + count);
    });
    return lines;
}

// Line `i` alone, without copying the others; empty past the last.
inline std::string PaneLine(const kavro::pane::LinePane& pane, size_t i) {
    std::string line;
    size_t first = 0;
    pane.ForEachLineBatch([&](const std::string_view* batch, size_t count) {
        if (i >= first && i < first + count) line = batch[i - first];
        first += count;
    });
    return line;
}

inline size_t PaneLineCount(const kavro::pane::LinePane& pane) {
    size_t lines = 0;
    pane.ForEachLineBatch([&](const std::string_view*, size_t count) { lines += count; });
    return lines;
}
