#include "files/FileId.h"

#include <sys/stat.h>

namespace kavro::files {

namespace {

FileId Of(const struct stat& st, std::string name = {}) {
    const unsigned kind = name.empty() ? st.st_mode & S_IFMT : 0;
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), std::move(name), kind};
}

}  // namespace

std::optional<FileId> IdentifyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return Of(st);
    // Not there yet (or a dangling link): where it would be made.
    std::string name = path;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    const size_t slash = name.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    if (slash != std::string::npos) name.erase(0, slash + 1);
    if (::stat(folder.c_str(), &st) != 0) return std::nullopt;
    return Of(st, name);
}

std::optional<FileId> IdentifyFile(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return Of(st);
}

}  // namespace kavro::files
