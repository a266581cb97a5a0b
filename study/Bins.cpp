#include "study/Bins.h"

namespace kavro::study {

std::optional<BinWidth> ParseBinWidth(std::string_view text) {
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || fraction.size() > 9) return std::nullopt;
    unsigned __int128 ns = 0;
    for (char c : whole) {
        if (c < '0' || c > '9') return std::nullopt;
        ns = ns * 10 + static_cast<unsigned>(c - '0');
        if (ns > INT64_MAX) return std::nullopt;
    }
    for (size_t i = 0; i < 9; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9') return std::nullopt;
        ns = ns * 10 + static_cast<unsigned>(c - '0');
    }
    if (ns == 0 || ns > INT64_MAX) return std::nullopt;
    return BinWidth{static_cast<int64_t>(ns), static_cast<int>(fraction.size())};
}

std::string BinStart(uint64_t k, const BinWidth& width) {
    const unsigned __int128 ns = static_cast<unsigned __int128>(k) * static_cast<uint64_t>(width.ns);
    const auto digits = [](unsigned __int128 v) {
        std::string out;
        do {
            out.insert(out.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
            v /= 10;
        } while (v);
        return out;
    };
    std::string out = digits(ns / 1000000000);
    if (width.decimals == 0) return out;
    std::string fraction = digits(ns % 1000000000);
    fraction.insert(0, 9 - fraction.size(), '0');
    return out + '.' + fraction.substr(0, static_cast<size_t>(width.decimals));
}

}  // namespace kavro::study
