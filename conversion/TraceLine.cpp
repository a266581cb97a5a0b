#include "TraceLine.h"

namespace kavro {

TraceLine ReadTraceLine(std::string_view line, Format format) {
    using newtrace::TagValue;
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

}  // namespace kavro
