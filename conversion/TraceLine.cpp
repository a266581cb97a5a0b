#include "conversion/TraceLine.h"

namespace kavro {

TraceLine ReadTraceLine(std::string_view line, Format format) {
    return WithFormat(format, [&](auto F) { return decltype(F)::Read(line); });
}

FlowLine ReadFlow(std::string_view line, Format format) {
    return WithFormat(format, [&](auto F) { return decltype(F)::Flow(line); });
}

std::string_view ReadSize(std::string_view line, Format format) {
    return WithFormat(format, [&](auto F) { return decltype(F)::Size(line); });
}

std::string_view ReadForwards(std::string_view line, Format format) {
    return WithFormat(format, [&](auto F) { return decltype(F)::Forwards(line); });
}

DropLine ReadDrop(std::string_view line, Format format) {
    return WithFormat(format, [&](auto F) { return decltype(F)::Drop(line); });
}

EnergyLine ReadEnergy(std::string_view line, Format format) {
    return WithFormat(format, [&](auto F) { return decltype(F)::Energy(line); });
}

}  // namespace kavro
