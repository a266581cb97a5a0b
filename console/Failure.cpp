#include "console/Failure.h"

namespace kavro::console {

const char* const kTraceChanged = "trace changed while it was read";

}  // namespace kavro::console
