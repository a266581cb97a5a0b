#include "TraceFields.h"

namespace kavro {

namespace {
constexpr auto npos = std::string_view::npos;
}

void AppendLowerAscii(std::string_view text, std::string& out) {
    const size_t from = out.size();
    out.append(text);
    for (size_t i = from; i < out.size(); ++i) out[i] = LowerAscii(out[i]);
}

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

namespace {

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

}  // namespace

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

}  // namespace kavro
