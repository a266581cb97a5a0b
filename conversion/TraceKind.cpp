#include "conversion/TraceKind.h"

#include <algorithm>

#include "lines/LineSplitter.h"

namespace kavro {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips a run of bytes for which `is` holds; false when there was none.
template <class Is>
bool Run(std::string_view line, size_t& at, Is&& is) {
    const size_t from = at;
    while (at < line.size() && is(line[at])) ++at;
    return at > from;
}

bool Space(std::string_view line, size_t& at) {
    if (at >= line.size() || line[at] != ' ') return false;
    ++at;
    return true;
}

// "+ 0.1 0 1 cbr 210 ------- 1 0.0 1.0 0 0": event, time, from and to node.
bool IsWiredLine(std::string_view line) {
    if (line.size() < 2 || std::string_view("+-rdh").find(line[0]) == std::string_view::npos) return false;
    size_t at = 1;
    const auto time = [](char c) { return IsDigit(c) || c == '.' || c == 'e' || c == '-'; };
    return Space(line, at) && Run(line, at, time) && Space(line, at) && Run(line, at, IsDigit) &&
           Space(line, at) && Run(line, at, IsDigit) && Space(line, at);
}

// Every format of a wireless trace names its node: "_3_", "-Ni 3", "-s 3 ... -k".
bool IsWirelessLine(std::string_view line) {
    if (line.size() > 4 && line[1] == ' ') {
        const size_t p = line.find(" _");
        if (p != std::string_view::npos && p + 2 < line.size() && IsDigit(line[p + 2])) return true;
    }
    return line.find(" -Nl ") != std::string_view::npos || line.find(" -k ") != std::string_view::npos;
}

// "+ -t 0.1 -s 0 -d 1 ...", "n -t * -a 0 ...": a nam animation trace.
bool IsNamLine(std::string_view line) {
    return line.size() > 5 && line[1] == ' ' && line.compare(2, 3, "-t ") == 0 && !IsWirelessLine(line);
}

}  // namespace

std::string WhyNoLineWasRead(std::string_view firstBytes) {
    if (firstBytes.empty()) return "empty trace";
    // Text has no NUL and few control bytes; any byte above them is taken
    // for text in some single-byte character set.
    size_t control = 0;
    for (unsigned char c : firstBytes) {
        if (c == 0) return "not a trace (binary data)";
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f') ++control;
    }
    if (control * 16 > firstBytes.size()) return "not a trace (binary data)";

    size_t wired = 0, nam = 0, wireless = 0, lines = 0;
    lines::ForEachLine(firstBytes, [&](std::string_view line) {
        if (line.empty()) return;
        ++lines;
        wired += IsWiredLine(line);
        nam += IsNamLine(line);
        wireless += IsWirelessLine(line);
    });
    const std::string none = "no wireless agent or routing lines";
    // Wired and nam traces hold a few lines of other shapes among theirs.
    if (wired * 2 > lines) return none + " (a wired ns-2 trace?)";
    if (nam * 2 > lines) return none + " (a nam trace?)";
    if (wireless * 2 > lines) return none + " (agent tracing off? -agentTrace ON)";
    return none + " (not an ns-2 trace?)";
}

}  // namespace kavro
