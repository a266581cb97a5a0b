#include "conversion/formats/OldFormat.h"

#include <algorithm>

#include "conversion/formats/Text.h"

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
    // "[energy X ...]", X ending at a space or the bracket, where ns-2 puts
    // it: right after the MAC header's bracket. Every line of a trace with
    // energy on is read so, so no more of a line is looked at.
    constexpr std::string_view kMark = "] [energy ";
    const size_t close = line.find(']');
    if (close == npos || line.size() - close < kMark.size() ||
        !EqualsLower(line.substr(close, kMark.size()), kMark))
        return {};
    const size_t from = close + kMark.size();
    const size_t end = std::min(line.find_first_of(" ]", from), line.size());
    if (end == from) return {};
    return {ExtractNodeId(line), line.substr(from, end - from), ExtractTime(line)};
}

}  // namespace kavro
