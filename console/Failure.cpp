#include "Failure.h"

#include <cstring>

std::string SystemText(int error) {
    char buffer[256];
    // The GNU strerror_r: thread-safe, and it may return a static text instead.
    return strerror_r(error, buffer, sizeof buffer);
}
