#pragma once
// Which file a name stands for, so that two names are compared by the file
// they reach (through links, hard links, "./" and the like), not by spelling.
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>

namespace kavro::files {

struct FileId {
    uint64_t device = 0;
    uint64_t inode = 0;
    // Only for a path that does not exist yet: its last part, the device
    // and inode then being its folder's.
    std::string name;
    // Not part of the identity: the kind of file, as S_IFMT masks it from
    // st_mode (S_IFREG, S_IFIFO, ...); 0 for a path not there yet.
    unsigned kind = 0;

    bool operator==(const FileId& o) const {
        return device == o.device && inode == o.inode && name == o.name;
    }
    bool operator!=(const FileId& o) const { return !(*this == o); }
    bool operator<(const FileId& o) const {
        return std::tie(device, inode, name) < std::tie(o.device, o.inode, o.name);
    }
};

// Follows links. Nothing when neither the path nor its folder can be found.
std::optional<FileId> IdentifyFile(const std::string& path);
std::optional<FileId> IdentifyFile(int fd);

}  // namespace kavro::files
