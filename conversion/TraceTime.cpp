#include "conversion/TraceTime.h"

#include <charconv>
#include <cmath>
#include <string>

#include "conversion/TraceError.h"

namespace kavro {

bool ReadTime(std::string_view text, double& value) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end && std::isfinite(value);
}

namespace {

// The usual time, digits with a point and up to nine digits before it, read
// without a detour through a double; false for anything else.
bool ReadPlainNanoseconds(std::string_view text, int64_t& ns) {
    const size_t point = text.find('.');
    const size_t whole = point == std::string_view::npos ? text.size() : point;
    if (whole == 0 || whole > 9 || (point != std::string_view::npos && point + 1 == text.size())) return false;
    int64_t value = 0;
    for (size_t i = 0; i < whole; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        value = value * 10 + (text[i] - '0');
    }
    int round = 0;
    for (size_t i = 0; i < 10; ++i) {
        const size_t at = whole + 1 + i;
        const char c = at < text.size() ? text[at] : '0';
        if (c < '0' || c > '9') return false;
        if (i < 9)
            value = value * 10 + (c - '0');
        else
            round = c >= '5';
    }
    for (size_t at = whole + 11; at < text.size(); ++at)
        if (text[at] < '0' || text[at] > '9') return false;
    ns = value + round;
    return true;
}

}  // namespace

Nanos ReadNanoseconds(std::string_view text, int64_t& ns) {
    if (ReadPlainNanoseconds(text, ns)) return Nanos::Ok;
    double probe = 0;
    if (!ReadTime(text, probe)) return Nanos::NoTime;
    // From here the text is a decimal number: a sign, digits with a point,
    // an exponent. value = digits * 10^exponent, leading zeros left out;
    // past 40 digits only the first after the cut matters, for rounding.
    const bool minus = text[0] == '-';
    size_t at = minus;
    std::string digits;
    long long exponent = 0;
    bool point = false;
    for (; at < text.size() && text[at] != 'e' && text[at] != 'E'; ++at) {
        const char c = text[at];
        if (c == '.') {
            point = true;
        } else if (digits.empty() && c == '0') {
            exponent -= point;
        } else if (digits.size() < 40) {
            digits += c;
            exponent -= point;
        } else {
            exponent += !point;
        }
    }
    if (at < text.size()) {
        long long e = 0;
        const char* from = text.data() + at + 1;
        std::from_chars(from + (*from == '+'), text.data() + text.size(), e);
        exponent += e;
    }
    ns = 0;
    if (digits.empty()) return Nanos::Ok;  // zero, also -0.0
    if (minus) return Nanos::Negative;
    // The digits before the point that nanoseconds put.
    const long long whole = static_cast<long long>(digits.size()) + exponent + 9;
    if (whole > 19) return Nanos::TooLarge;
    unsigned __int128 value = 0;
    for (long long i = 0; i < whole; ++i)
        value = value * 10 + (i < static_cast<long long>(digits.size()) ? digits[i] - '0' : 0);
    if (whole >= 0 && whole < static_cast<long long>(digits.size()) && digits[whole] >= '5') ++value;
    if (value > static_cast<unsigned __int128>(INT64_MAX)) return Nanos::TooLarge;
    ns = static_cast<int64_t>(value);
    return Nanos::Ok;
}

bool BinOf(std::string_view time, int64_t binNs, uint64_t& bin) {
    int64_t ns = 0;
    const Nanos read = ReadNanoseconds(time, ns);
    if (read == Nanos::NoTime || read == Nanos::Negative) return false;
    if (read == Nanos::Ok) bin = static_cast<uint64_t>(ns / binNs);
    if (read == Nanos::TooLarge || bin >= kMaxBins)
        throw TraceError("the time series would need more than " + std::to_string(kMaxBins) +
                         " bins to reach a time of " + std::string(time) + " s");
    return true;
}

}  // namespace kavro
