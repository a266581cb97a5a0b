#pragma once
// The study's numbers as CSV (RFC 4180, LF line ends): one header row per
// table, then each trace's rows. A figure that is empty in the study is an
// empty field; every number is written whole.
#include <string>
#include <string_view>

#include "study/Bins.h"
#include "study/Study.h"

namespace kavro::study {

extern const std::string_view kTraceHeader;
extern const std::string_view kFlowHeader;
extern const std::string_view kNodeHeader;
extern const std::string_view kDropHeader;
extern const std::string_view kSeriesHeader;
extern const std::string_view kFlowSeriesHeader;
extern const std::string_view kNodeSeriesHeader;
extern const std::string_view kPacketHeader;

// `trace` names the trace in the first column of each row.
std::string TraceRow(std::string_view trace, const Study& s);
std::string FlowRows(std::string_view trace, const Study& s);
std::string NodeRows(std::string_view trace, const Study& s);
std::string DropRows(std::string_view trace, const Study& s);
std::string SeriesRows(std::string_view trace, const Study& s, const BinWidth& width);
std::string FlowSeriesRows(std::string_view trace, const Study& s, const BinWidth& width);
std::string NodeSeriesRows(std::string_view trace, const Study& s, const BinWidth& width);
std::string PacketRows(std::string_view trace, const Study& s);

// A field, quoted when it holds a comma, a quote or a line end.
void Csv(std::string& row, std::string_view text);
// ',' and the value with `decimals` decimals, or ',' alone when it is empty.
void Number(std::string& row, const Value& value, int decimals);

const char* PathsName(PathSource paths);

}  // namespace kavro::study
