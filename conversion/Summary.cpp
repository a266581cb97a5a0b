#include "Summary.h"

#include <charconv>
#include <cmath>

#include "EventWriter.h"

namespace kavro {

bool ReadTime(const std::string& text, double& value) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end && std::isfinite(value);
}

Summary Summarize(const ArrTrace& table) {
    Summary s;
    s.sent = table.size();
    for (const RecNsTrace& rec : table) {
        if (rec.RecvTime.empty()) continue;
        ++s.delivered;
        s.links += PathLinks(rec);
        double sent = 0, received = 0;
        if (ReadTime(rec.SendTime, sent) && ReadTime(rec.RecvTime, received)) {
            ++s.timed;
            s.delaySum += received - sent;
        }
    }
    return s;
}

}  // namespace kavro
