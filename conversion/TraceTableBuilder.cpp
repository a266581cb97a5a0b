#include "TraceTableBuilderImpl.h"

namespace kavro {

template class BasicTraceTableBuilder<SilentStages>;

}  // namespace kavro
