#pragma once
// The window's conversion: the trace's lines in, the event file's bytes out.
#include <memory>
#include <string>

#include "conversion/TraceConverter.h"

namespace kavro::pane {
class LinePane;
}

namespace kavro::app {

class Conversion {
public:
    // Converts the lines picked out of ns.tr while it loaded, when given,
    // else every line the pane holds. `notice` shows the forward rule's
    // plain notices.
    Conversion(const pane::LinePane& trace, const kavro::TraceBatch* loaded, kavro::TraceConverter::NoticeFn notice);
    ~Conversion();
    Conversion(const Conversion&) = delete;
    Conversion& operator=(const Conversion&) = delete;

    // The event file's bytes, written once, for the pane and the file alike.
    // The table they come from goes with them, so that memory never holds
    // both beside what takes them next. Call it once.
    std::string TakeEvents();

private:
    std::unique_ptr<kavro::TraceConverter> converter_;
};

}  // namespace kavro::app
