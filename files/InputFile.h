#pragma once
// A file opened for reading. A regular file is read only up to the size it
// had when it was opened: a trace that ns-2 is still writing is taken as it
// stood then.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kavro::files {

class InputFile {
public:
    enum Accept {
        kAnyKind,      // also a FIFO or a device, read as a stream
        kRegularOnly,  // anything else is "Not a regular file", at once
    };
    // Throws FileError naming `path`; a folder is "Is a directory".
    InputFile(const std::string& path, Accept accept);
    // Reads `fd`, which stays open (standard input); `name` names it in errors.
    InputFile(int fd, std::string name);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }
    bool Regular() const { return regular_; }
    // For a regular file: where reading starts (standard input may have been
    // read partly before it reached us) and its size when it was opened.
    uint64_t Start() const { return start_; }
    uint64_t End() const { return end_; }

    // Up to `capacity` bytes from where the last read ended, 0 at the end.
    // Throws FileError.
    size_t Read(char* into, size_t capacity);
    // Once Read gave 0: whether a regular file ended before its size at open.
    bool Shrank() const { return shrank_; }

private:
    void Inspect(Accept accept);

    std::string path_;
    int fd_ = -1;
    bool owned_ = false;
    bool regular_ = false;
    uint64_t start_ = 0;
    uint64_t end_ = 0;
    uint64_t at_ = 0;
    bool shrank_ = false;
};

}  // namespace kavro::files
