#pragma once
// Trace text is single-byte and compared as if lower-cased, A-Z only: the
// raw bytes are kept and only what a rule returns is lower-cased.
#include <string>
#include <string_view>

namespace kavro {

inline char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Appends `text` lower-cased to `out`.
inline void AppendLowerAscii(std::string_view text, std::string& out) {
    const size_t from = out.size();
    out.append(text);
    for (size_t i = from; i < out.size(); ++i) out[i] = LowerAscii(out[i]);
}

// Case-insensitive compare of a raw field against a lower-case text.
inline bool EqualsLower(std::string_view raw, std::string_view lower) {
    if (raw.size() != lower.size()) return false;
    for (size_t i = 0; i < raw.size(); ++i)
        if (LowerAscii(raw[i]) != lower[i]) return false;
    return true;
}

}  // namespace kavro
