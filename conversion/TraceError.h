#pragma once
#include <stdexcept>

namespace kavro {

// A trace the conversion cannot go on with; the message is for the user.
class TraceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace kavro
