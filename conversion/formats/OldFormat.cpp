#include "formats/OldFormat.h"

#include <algorithm>

#include "formats/Text.h"

namespace kavro {

namespace {

constexpr auto npos = std::string_view::npos;

// Where the packet id starts, and the space that ends it (npos if none).
struct IdSpan {
    size_t start;
    size_t space;
};

IdSpan FindPacketId(std::string_view line) {
    const size_t dashes = line.find("---");
    // Without dashes the id starts at the fourth character.
    const size_t start = dashes == npos ? 3 : dashes + 4;
    if (start >= line.size()) return {start, npos};
    return {start, line.find(' ', start)};
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

}  // namespace

std::string_view ExtractTime(std::string_view line) {
    if (line.size() < 3) return {};
    std::string_view rest = line.substr(2);
    return rest.substr(0, rest.find(' '));
}

std::string_view ExtractNodeId(std::string_view line) {
    const size_t p = line.find('_');
    if (p == npos) return {};
    const size_t q = line.find('_', p + 1);
    if (q == npos) return {};
    return line.substr(p + 1, q - p - 1);
}

std::string_view ExtractPacketId(std::string_view line) {
    const IdSpan id = FindPacketId(line);
    if (id.space == npos) return {};
    return line.substr(id.start, id.space - id.start);
}

std::string_view ExtractPacketType(std::string_view line) {
    const IdSpan id = FindPacketId(line);
    if (id.space == npos) return {};
    const std::string_view rest = line.substr(id.space + 1);
    return rest.substr(0, rest.find(' '));
}

TraceLine OldFormat::Read(std::string_view line) {
    return {ExtractTime(line), ExtractNodeId(line), ExtractPacketId(line), ExtractPacketType(line)};
}

FlowLine OldFormat::Flow(std::string_view line) {
    // The first two words inside the bracket that follows the first " ------- ".
    constexpr std::string_view kMark = " ------- [";
    const size_t mark = line.find(" ------- ");
    if (mark == npos || line.compare(mark, kMark.size(), kMark) != 0) return {};
    const size_t close = std::min(line.find(']', mark), line.size());
    const std::string_view inside = line.substr(mark + kMark.size(), close - mark - kMark.size());
    size_t at = 0;
    const std::string_view source = detail::WordFrom(inside, at);
    const std::string_view destination = detail::WordFrom(inside, at);
    return {Dotted(source), Dotted(destination)};
}

std::string_view OldFormat::Size(std::string_view line) {
    // The word after the packet type.
    const std::string_view type = ExtractPacketType(line);
    if (type.data() == nullptr) return {};  // no space after the id: no type, no size
    size_t at = static_cast<size_t>(type.data() - line.data()) + type.size();
    return detail::WordFrom(line, at);
}

std::string_view OldFormat::Forwards(std::string_view line) {
    // The first word after the last bracketed group: "[5] 4 0", "[0 0] 2 0".
    const size_t close = line.rfind(']');
    if (close == npos) return {};
    size_t from = close + 1;
    return detail::WordFrom(line, from);
}

DropLine OldFormat::Drop(std::string_view line) {
    // The three words after the layer: the reason, the packet id and the type.
    DropLine d{ExtractTime(line), ExtractNodeId(line), ExtractLayer(line), {}, {}, {}};
    size_t at = std::min(LayerStart(line) + 3, line.size());
    d.reason = detail::WordFrom(line, at);
    d.packetId = detail::WordFrom(line, at);
    d.packetType = detail::WordFrom(line, at);
    return d;
}

EnergyLine OldFormat::Energy(std::string_view line) {
    // "[energy X ...]", X ending at a space or the bracket.
    const size_t mark = FindLower(line, "[energy ");
    if (mark == npos) return {};
    const size_t from = mark + 8;
    const size_t end = std::min(line.find_first_of(" ]", from), line.size());
    if (end == from) return {};
    return {ExtractNodeId(line), line.substr(from, end - from), ExtractTime(line)};
}

}  // namespace kavro
