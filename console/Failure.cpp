#include "console/Failure.h"

const char* const kTraceChanged = "trace changed while it was read";
