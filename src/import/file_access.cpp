#include "import/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace fs = std::filesystem;

namespace {

fs::path resolved(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) return {};
    fs::path result = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : result;
}

bool startsWith(const fs::path& path, const fs::path& root) {
    auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    // A root ending in '/' leaves an empty last element.
    return rootEnd == root.end() || (std::next(rootEnd) == root.end() && rootEnd->empty());
}

FileRead readOpenFile(int descriptor, std::uint64_t limit, std::vector<std::uint8_t>& bytes, std::string& why) {
    struct stat info;
    if (::fstat(descriptor, &info) != 0) {
        why = std::strerror(errno);
        return FileRead::unreadable;
    }
    if (!S_ISREG(info.st_mode)) {
        why = "not a regular file";
        return FileRead::unreadable;
    }
    if (static_cast<std::uint64_t>(info.st_size) > limit) {
        why = "larger than " + std::to_string(limit >> 20) + " MB";
        return FileRead::tooLarge;
    }
    try {
        bytes.resize(static_cast<std::size_t>(info.st_size));
    } catch (const std::bad_alloc&) {
        why = "not enough memory";
        return FileRead::unreadable;
    }
    for (std::size_t done = 0; done < bytes.size();) {
        ssize_t got = ::read(descriptor, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            why = got < 0 ? std::strerror(errno) : "the file became shorter while being read";
            return FileRead::unreadable;
        }
        done += static_cast<std::size_t>(got);
    }
    return FileRead::ok;
}

}  // namespace

ReadableTrees readableTrees(const std::string& modelFolder, const std::vector<std::string>& searchFolders) {
    ReadableTrees trees;
    trees.roots.push_back(resolved(modelFolder.empty() ? fs::path(".") : fs::path(modelFolder)));
    for (const std::string& search : searchFolders) trees.roots.push_back(resolved(search));
    return trees;
}

bool insideTrees(const ReadableTrees& trees, const fs::path& path) {
    fs::path where = resolved(path);
    if (where.empty()) return false;
    for (const fs::path& root : trees.roots)
        if (!root.empty() && startsWith(where, root)) return true;
    return false;
}

std::string outsideWarning(const std::string& kind, const std::string& name) {
    return kind + " '" + name + "' lies outside the model's folder and was not read (--search DIR allows reading from DIR)";
}

FileRead readRegularFile(const std::string& path, std::uint64_t limit, std::vector<std::uint8_t>& bytes, std::string& why) {
    bytes.clear();
    int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (descriptor < 0) {
        why = std::strerror(errno);
        return FileRead::unreadable;
    }
    FileRead result = readOpenFile(descriptor, limit, bytes, why);
    ::close(descriptor);
    if (result != FileRead::ok) bytes.clear();
    return result;
}
