#pragma once
// An error whose message is meant for the user: one line, naming what failed
// and why. Reported once, where the converter reports every error.
#include <stdexcept>
#include <string>

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The system's own text for an errno value.
std::string SystemText(int error);
