#pragma once
// An error of the pane whose message is meant for the user; the window shows
// it in the standard error box.
#include <stdexcept>
#include <string>

class PaneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // Kept word for word: this is the message users of the tool know.
    static PaneError MemoCapacity() { return PaneError("Text exceeds memo capacity"); }
};
