#include "TraceLine.h"

#include <algorithm>

namespace kavro {

using newtrace::TagValue;

TraceLine ReadTraceLine(std::string_view line, Format format) {
    switch (format) {
        case Format::New:
            return {TagValue(line, "t"), TagValue(line, "ni"), TagValue(line, "ii"), TagValue(line, "it")};
        case Format::Tagged:
            // The first -i and -p; both come again, later, in the IP part.
            return {ExtractTime(line), TagValue(line, "s"), TagValue(line, "i"), TagValue(line, "p")};
        case Format::Old:
            break;
    }
    return {ExtractTime(line), ExtractNodeId(line), ExtractPacketId(line), ExtractPacketType(line)};
}

namespace {

constexpr auto npos = std::string_view::npos;

// The word that starts at or after `from`, past any spaces, and where it ends.
std::string_view WordFrom(std::string_view line, size_t& from) {
    while (from < line.size() && line[from] == ' ') ++from;
    const size_t end = std::min(line.find(' ', from), line.size());
    const std::string_view word = from < line.size() ? line.substr(from, end - from) : std::string_view();
    from = end;
    return word;
}

// "address.port" from the tagged format's two tags; empty when both are missing.
std::string Joined(std::string_view address, std::string_view port) {
    if (address.empty() && port.empty()) return {};
    std::string out(address);
    out += '.';
    out.append(port);
    return out;
}

// The old format writes "2:1" for address 2, port 1.
std::string Dotted(std::string_view word) {
    std::string out(word);
    for (char& c : out)
        if (c == ':') c = '.';
    return out;
}

// Where `lower` first stands in the line read as if lower-cased; its first
// byte is no letter, its second one is. Looked for in every line of a trace
// with energy on, so pairs of its first two bytes are found 16 at a time.
size_t FindLower(std::string_view line, std::string_view lower) {
    const char* p = line.data();
    const size_t n = line.size();
    const auto at = [&](size_t i) { return n - i >= lower.size() && EqualsLower(line.substr(i, lower.size()), lower); };
    const auto block = [&](size_t j) {
        for (uint32_t mask = scan::PairStarts16(p + j, lower[0], lower[1]); mask; mask &= mask - 1)
            if (at(j + scan::LowestBit(mask))) return j + scan::LowestBit(mask);
        return npos;
    };
    if (n < 17) {
        for (size_t j = 0; j < n; ++j)
            if (p[j] == lower[0] && at(j)) return j;
        return npos;
    }
    size_t j = 0;
    for (; j + 17 <= n; j += 16)
        if (const size_t found = block(j); found != npos) return found;
    // The last bytes as one more block, overlapping the one before.
    return j < n ? block(n - 17) : npos;
}

// A number below zero: a minus sign, then digits and a point, not all zero
// ("-1.000000" is, "-0.0" is not).
bool IsNegative(std::string_view number) {
    if (number.size() < 2 || number[0] != '-') return false;
    bool nonZero = false;
    for (char c : number.substr(1)) {
        if (c >= '1' && c <= '9')
            nonZero = true;
        else if (c != '0' && c != '.')
            break;
    }
    return nonZero;
}

}  // namespace

FlowLine ReadFlow(std::string_view line, Format format) {
    switch (format) {
        case Format::New:
            return {std::string(TagValue(line, "is")), std::string(TagValue(line, "id"))};
        case Format::Tagged:
            return {Joined(TagValue(line, "ip:s"), TagValue(line, "ip:sp")),
                    Joined(TagValue(line, "ip:d"), TagValue(line, "ip:dp"))};
        case Format::Old:
            break;
    }
    // The first two words inside the bracket that follows the first " ------- ".
    constexpr std::string_view kMark = " ------- [";
    const size_t mark = line.find(" ------- ");
    if (mark == npos || line.compare(mark, kMark.size(), kMark) != 0) return {};
    const size_t close = std::min(line.find(']', mark), line.size());
    const std::string_view inside = line.substr(mark + kMark.size(), close - mark - kMark.size());
    size_t at = 0;
    const std::string_view source = WordFrom(inside, at);
    const std::string_view destination = WordFrom(inside, at);
    return {Dotted(source), Dotted(destination)};
}

std::string_view ReadSize(std::string_view line, Format format) {
    switch (format) {
        case Format::New:
            return TagValue(line, "il");
        case Format::Tagged:
            return TagValue(line, "e");
        case Format::Old:
            break;
    }
    // The word after the packet type.
    const std::string_view type = ExtractPacketType(line);
    if (type.data() == nullptr) return {};  // no space after the id: no type, no size
    size_t at = static_cast<size_t>(type.data() - line.data()) + type.size();
    return WordFrom(line, at);
}

std::string_view ReadForwards(std::string_view line, Format format) {
    switch (format) {
        case Format::New:
            return TagValue(line, "pf");
        case Format::Tagged: {
            // The header of the packet's type: "-cbr:f 2"; TCP acknowledgements
            // carry TCP's ("-p ack ... -tcp:f 2").
            for (size_t at = line.find(":f "); at != npos; at = line.find(":f ", at + 1)) {
                const size_t dash = line.rfind(' ', at);
                if (dash == npos || at <= dash + 2 || line[dash + 1] != '-') continue;
                size_t from = at + 3;
                return WordFrom(line, from);
            }
            return {};
        }
        case Format::Old:
            break;
    }
    // The first word after the last bracketed group: "[5] 4 0", "[0 0] 2 0".
    const size_t close = line.rfind(']');
    if (close == npos) return {};
    size_t from = close + 1;
    return WordFrom(line, from);
}

DropLine ReadDrop(std::string_view line, Format format) {
    switch (format) {
        case Format::New:
            return {TagValue(line, "t"), TagValue(line, "ni"), TagValue(line, "nl"), TagValue(line, "nw"),
                    TagValue(line, "ii"), TagValue(line, "it")};
        case Format::Tagged:
            return {ExtractTime(line), TagValue(line, "s"), TagValue(line, "k"), {}, TagValue(line, "i"),
                    TagValue(line, "p")};
        case Format::Old:
            break;
    }
    // The three words after the layer: the reason, the packet id and the type.
    DropLine d{ExtractTime(line), ExtractNodeId(line), ExtractLayer(line), {}, {}, {}};
    size_t at = std::min(LayerStart(line) + 3, line.size());
    d.reason = WordFrom(line, at);
    d.packetId = WordFrom(line, at);
    d.packetType = WordFrom(line, at);
    return d;
}

EnergyLine ReadEnergy(std::string_view line, Format format) {
    // The value first: most lines of most traces report none.
    switch (format) {
        case Format::New:
            if ((line[0] | 0x20) == 'n') {  // ns-2's energy line: "N -t 0.5 -n 3 -e 99.2"
                const std::string_view energy = TagValue(line, "e");
                if (energy.empty()) return {};
                return {TagValue(line, "n"), energy, TagValue(line, "t")};
            } else {
                const std::string_view energy = TagValue(line, "ne");
                if (energy.empty() || IsNegative(energy)) return {};
                return {TagValue(line, "ni"), energy, TagValue(line, "t")};
            }
        case Format::Tagged: {
            const std::string_view energy = TagValue(line, "n:en");
            if (energy.empty() || IsNegative(energy)) return {};
            return {TagValue(line, "s"), energy, ExtractTime(line)};
        }
        case Format::Old:
            break;
    }
    // "[energy X ...]", X ending at a space or the bracket.
    const size_t mark = FindLower(line, "[energy ");
    if (mark == npos) return {};
    const size_t from = mark + 8;
    const size_t end = std::min(line.find_first_of(" ]", from), line.size());
    if (end == from) return {};
    return {ExtractNodeId(line), line.substr(from, end - from), ExtractTime(line)};
}

}  // namespace kavro
