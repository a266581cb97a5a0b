#pragma once
// An error whose message is meant for the user; shown in the standard error box.
#include <stdexcept>
#include <string>

class KavroError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
