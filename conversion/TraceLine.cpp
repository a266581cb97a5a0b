#include "TraceLine.h"

namespace kavro {

TraceLine ReadTraceLine(std::string_view line) {
    TraceLine f;
    f.kind = EventKind(line);
    if (newtrace::IsNewFormatLine(line)) {
        using newtrace::TagValue;
        f.time = TagValue(line, "t");
        f.node = TagValue(line, "ni");
        f.layer = TagValue(line, "nl");
        f.packetId = TagValue(line, "ii");
        f.packetType = TagValue(line, "it");
    } else {
        f.time = ExtractTime(line);
        f.node = ExtractNodeId(line);
        f.layer = ExtractLayer(line);
        f.packetId = ExtractPacketId(line);
        f.packetType = ExtractPacketType(line);
    }
    return f;
}

}  // namespace kavro
