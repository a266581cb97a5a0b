#pragma once
// Small helpers shared by the core tests.
#include <ostream>
#include <string>
#include <vector>

#include "conversion/TraceConverter.h"

namespace kavro {

inline bool operator==(const RecFwd& a, const RecFwd& b) {
    return a.Node == b.Node && a.Time == b.Time;
}
inline bool operator==(const RecNsTrace& a, const RecNsTrace& b) {
    return a.SendTime == b.SendTime && a.SrcNode == b.SrcNode && a.PacketId == b.PacketId &&
           a.RecvTime == b.RecvTime && a.DstNode == b.DstNode && a.Hops == b.Hops &&
           a.PacketType == b.PacketType;
}
inline void PrintTo(const RecNsTrace& r, std::ostream* os) {
    *os << "{sent " << r.SendTime << " by " << r.SrcNode << ", id " << r.PacketId << " "
        << r.PacketType << ", recv "
        << r.RecvTime << " by " << r.DstNode << ", hops";
    for (const RecFwd& h : r.Hops) *os << " " << h.Node << "@" << h.Time;
    *os << "}";
}

}  // namespace kavro

namespace kt {

// One trace line in the usual layout.
inline std::string Line(char kind, const std::string& time, const std::string& node,
                        const std::string& layer, const std::string& id,
                        const std::string& type = "cbr") {
    return std::string(1, kind) + " " + time + " _" + node + "_ " + layer + "  --- " + id + " " +
           type + " 512 [0 0 0 0] ------- [1:0 5:0 32 0] [0] 0 0";
}

// Lines through the reader the window uses, into `conversion`.
inline void Feed(kavro::TraceConverter& conversion, const std::vector<std::string>& lines) {
    const std::vector<std::string_view> views(lines.begin(), lines.end());
    conversion.AddLines(views.data(), views.size());
    conversion.End();
}

inline kavro::ArrTrace TableOf(const std::vector<std::string>& lines) {
    kavro::TraceConverter conversion;
    Feed(conversion, lines);
    return conversion.Table();
}

inline std::vector<std::string> Events(const kavro::ArrTrace& table) {
    std::vector<std::string> out;
    kavro::WriteEvents(table, [&](const kavro::EventBlock& block) {
        for (size_t i = 0; i < block.count; ++i) out.emplace_back(block.Line(i));
    });
    return out;
}

inline std::vector<std::string> Convert(const std::vector<std::string>& lines) {
    return Events(TableOf(lines));
}

// The event file's bytes.
inline std::string FileOf(const kavro::TraceConverter& conversion) {
    std::string out;
    conversion.WriteEvents([&](const kavro::EventBlock& block) { out.append(block.bytes); });
    return out;
}

}  // namespace kt
