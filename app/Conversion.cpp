#include "app/Conversion.h"

#include <utility>

#include "pane/LinePane.h"
#include "conversion/TraceBatch.h"

namespace kavro::app {

Conversion::Conversion(const pane::LinePane& trace, const kavro::TraceBatch* loaded,
                       kavro::TraceConverter::NoticeFn notice)
    : converter_(std::make_unique<kavro::TraceConverter>(std::move(notice))) {
    if (loaded)
        converter_->Add(*loaded);
    else
        trace.ForEachLineBatch(
            [&](const std::string_view* lines, size_t count) { converter_->AddLines(lines, count); });
    converter_->End();
}

Conversion::~Conversion() = default;

std::string Conversion::TakeEvents() {
    // Room for every byte at once: a buffer grown in steps leaves those it
    // outgrew in memory beside it.
    const kavro::EventSize size = converter_->MeasureEvents();
    std::string bytes;
    bytes.reserve(size.bytes + size.lines * kavro::kEventLineEnd.size());
    converter_->WriteEvents([&](const kavro::EventBlock& block) { bytes.append(block.bytes); });
    converter_.reset();
    return bytes;
}

}  // namespace kavro::app
