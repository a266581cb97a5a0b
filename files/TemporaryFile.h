#pragma once
// The hidden file an output is written to before it replaces its target,
// and the removal of every such file when a signal ends the program.
#include <string>

namespace kavro::files {

class TemporaryFile {
public:
    TemporaryFile() = default;
    // Removes the file unless it has replaced its target.
    ~TemporaryFile() { Remove(); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Makes a new hidden file in the folder of `target` and returns its
    // descriptor, or -1 with errno set.
    int Make(const std::string& target);
    // Renames the file over its target; false with errno set. Once a signal
    // that ends the program has come, the file is removed instead, and the
    // calling thread waits for the end.
    bool Replace();
    void Remove() noexcept;
    bool Made() const { return !path_.empty(); }

private:
    std::string path_;
    std::string target_;
};

// Makes every signal whose default is to end the program (SIGINT, SIGTERM,
// SIGHUP, SIGPIPE, SIGUSR1, SIGALRM, ...) first remove the temporary files
// of outputs not committed, however many, and then end it as the signal
// would. The signals are taken on a thread of their own, never while an
// output is being renamed into place, and none is renamed once one has come.
// Call it before any other thread starts: threads started later hold the
// signals off. A signal ignored or held off at start stays so. SIGXFSZ is ignored,
// so a file size limit fails the write (EFBIG) instead of ending the program.
void RemoveTemporaryFilesOnSignals();

// For a write that failed with EPIPE: when SIGPIPE would have ended the
// program, removes the temporary files and ends it by SIGPIPE; otherwise
// returns.
void EndOnClosedPipe();

}  // namespace kavro::files
