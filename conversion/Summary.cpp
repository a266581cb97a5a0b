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

Summary Summarize(const ArrTrace& table, const StudyFacts& facts, PathSource paths) {
    Summary s;
    s.sent = table.size();
    s.paths = paths;
    for (size_t i = 0; i < table.size(); ++i) {
        const RecNsTrace& rec = table[i];
        if (rec.RecvTime.empty()) continue;
        const StudyRecord& study = facts.records[i];
        ++s.delivered;
        s.links += PathLinks(rec);
        if (paths != PathSource::Counts) {
            ++s.hopsOver;
            s.hops += PathLinks(rec);
        } else if (study.forwards >= 0) {
            ++s.hopsOver;
            s.hops += static_cast<uint64_t>(study.forwards);
        }
        double sent = 0, received = 0;
        if (ReadTime(rec.SendTime, sent) && ReadTime(study.receiveTime, received)) {
            ++s.timed;
            s.delaySum += received - sent;
        }
    }
    return s;
}

}  // namespace kavro
