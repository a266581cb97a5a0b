#pragma once
// Values kept by node id. ns-2 numbers its nodes 0, 1, 2, ..., and the
// study looks a node up on nearly every line it reads, so such ids index a
// vector; any other id is looked up by its text, lower-cased.
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "conversion/formats/Text.h"

namespace kavro {

template <class T>
class ByNode {
public:
    T& operator[](std::string_view id) {
        const size_t n = Number(id);
        if (n < kNumbered) {
            if (n >= numbered_.size()) numbered_.resize(n + 1);
            numbered_[n].first = true;
            return numbered_[n].second;
        }
        std::string key;
        AppendLowerAscii(id, key);
        return named_[key];
    }

    // fn(id, value) for every node that has a value, numbered ones first.
    template <class Fn>
    void ForEach(Fn&& fn) const {
        for (size_t n = 0; n < numbered_.size(); ++n)
            if (numbered_[n].first) fn(std::to_string(n), numbered_[n].second);
        for (const auto& [id, value] : named_) fn(id, value);
    }

    void Clear() {
        numbered_.clear();
        named_.clear();
    }

private:
    static constexpr size_t kNumbered = size_t{1} << 16;

    // The id's value when it is written as to_string writes it; else kNumbered.
    static size_t Number(std::string_view id) {
        if (id.empty() || id.size() > 5 || (id[0] == '0' && id.size() > 1)) return kNumbered;
        size_t n = 0;
        for (char c : id) {
            if (c < '0' || c > '9') return kNumbered;
            n = n * 10 + static_cast<size_t>(c - '0');
        }
        return std::min(n, kNumbered);
    }

    std::vector<std::pair<bool, T>> numbered_;
    std::unordered_map<std::string, T> named_;
};

}  // namespace kavro
