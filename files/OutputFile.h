#pragma once
// Where a program's result goes, by the kind of file the path names:
// - a regular file, or a link to one: the file the link names is replaced,
//   once every byte is written, through a temporary file in its own folder
//   and a rename, keeping its mode bits; the link stays a link. An existing
//   file the user may not write is refused ("Permission denied"), as cp does.
// - a character device, FIFO or socket, or a link to one: written into,
//   never renamed over nor replaced by a file.
// - a missing path is made; a dangling link is "No such file or directory",
//   and a folder "Is a directory".
#include <string>
#include <string_view>

#include "files/TemporaryFile.h"

namespace kavro::files {

class OutputFile {
public:
    // Throws FileError naming `path`.
    explicit OutputFile(const std::string& path);
    // Writes into `fd`, which stays open (standard output); `name` names it
    // in errors.
    OutputFile(int fd, std::string name);
    // Without Commit() a temporary file is removed and the target stays as
    // it was.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Throws FileError; a closed pipe is EPIPE where SIGPIPE is ignored.
    void Write(std::string_view bytes);
    // Puts a replacing file in place. Throws FileError.
    void Commit();

private:
    void OpenInPlace(bool socket);
    void MakeTemporary(const std::string& target);
    void Discard() noexcept;
    [[noreturn]] void Fail(int error);

    std::string path_;  // as named, for errors
    TemporaryFile temp_;
    int fd_ = -1;
    bool owned_ = false;
};

}  // namespace kavro::files
