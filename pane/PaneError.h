#pragma once
// An error of the pane whose message is meant for the user; the window shows
// it in the standard error box.
#include <stdexcept>
#include <string>

namespace kavro::pane {

class PaneError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;

    // Kept word for word: this is the message users of the tool know.
    static PaneError MemoCapacity() { return PaneError("Text exceeds memo capacity"); }

    // `what` "path". reason: the system's text ends the message without its
    // trailing spaces and full stops (the error box adds its own full stop).
    static PaneError File(const char* what, const std::string& path, std::string reason) {
        while (!reason.empty() && (reason.back() == ' ' || reason.back() == '.')) reason.pop_back();
        return PaneError(std::string(what) + " \"" + path + "\". " + reason);
    }
};

}  // namespace kavro::pane
