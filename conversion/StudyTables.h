#pragma once
// The study tables of one trace: the figures that wireless studies publish,
// per trace, per flow, per node and per drop reason, as CSV rows.
#include <string>
#include <string_view>

#include "StudyFacts.h"
#include "TraceTable.h"

namespace kavro {

// The header rows, each ended by a line feed.
extern const std::string_view kTraceTableHeader;
extern const std::string_view kFlowTableHeader;
extern const std::string_view kNodeTableHeader;
extern const std::string_view kDropTableHeader;

// One trace's rows of each table, CSV as RFC 4180 with LF line ends; `trace`
// names it in the first column.
struct StudyRows {
    std::string trace;  // one row
    std::string flows;
    std::string nodes;
    std::string drops;
};
// `facts` must hold the records (kReadRecords or kReadTables).
StudyRows MakeStudyRows(std::string_view trace, const ArrTrace& table, const StudyFacts& facts,
                        PathSource paths);

}  // namespace kavro
