#include "plots/Names.h"

#include <algorithm>

namespace kavro::plots {

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() > end.size() && text.substr(text.size() - end.size()) == end;
}

std::string Folded(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::string TraceLabel(std::string_view trace) {
    if (trace == "-") return "standard input";
    const size_t slash = trace.find_last_of('/');
    std::string_view base = slash == std::string_view::npos ? trace : trace.substr(slash + 1);
    for (std::string_view end : {".tr.gz", ".tr"})
        if (EndsWith(base, end)) {
            base.remove_suffix(end.size());
            break;
        }
    return std::string(base);
}

std::string SafeStem(std::string_view label) {
    std::string stem(label.substr(0, 200));
    for (char& c : stem) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '.' || c == '_' || c == '+' || c == '-';
        if (!safe) c = '_';
    }
    // A leading '-' reads as an option to gnuplot; a leading '.' hides the file.
    if (!stem.empty() && (stem[0] == '-' || stem[0] == '.')) stem[0] = '_';
    return stem.empty() ? "trace" : stem;
}

std::string FileNames::Claim(const std::string& stem, const std::vector<std::string>& suffixes) {
    for (unsigned k = 1;; ++k) {
        const std::string name = k == 1 ? stem : stem + '-' + std::to_string(k);
        std::vector<std::string> files;
        for (const std::string& suffix : suffixes) files.push_back(Folded(name + suffix));
        if (std::any_of(files.begin(), files.end(), [&](const std::string& f) { return taken_.count(f); })) continue;
        taken_.insert(files.begin(), files.end());
        return name;
    }
}

}  // namespace kavro::plots
