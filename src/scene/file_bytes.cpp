// Whole-file reads for the scene file and the image files.
#include "scene/file_bytes.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <sys/mman.h>

namespace {
// Far beyond any scene or texture this renderer can use; a larger file is refused rather than
// read into memory.
constexpr std::uintmax_t kLargestFile = std::uintmax_t{1} << 30;

// Why the path cannot be read as a regular file, or nothing when it can be tried.
std::optional<std::string> notARegularFile(const std::string& path) {
    if (path.empty()) return std::string(std::strerror(ENOENT));
    std::error_code error;
    std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error) return error.message();
    if (status.type() == std::filesystem::file_type::directory) return std::string(std::strerror(EISDIR));
    if (status.type() != std::filesystem::file_type::regular) return std::string("not a regular file");
    return std::nullopt;
}

// The size of a file that can be read whole, or nothing (and why not).
std::optional<std::size_t> readableSize(const std::string& path, std::string& why) {
    // Only regular files: a folder, a device such as /dev/zero or a pipe would never end.
    if (std::optional<std::string> reason = notARegularFile(path)) {
        why = path + ": " + *reason;
        return std::nullopt;
    }
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestFile) {
        why = path + ": " + (error ? error.message() : std::string("larger than 1 GiB"));
        return std::nullopt;
    }
    return static_cast<std::size_t>(size);
}

// Reads up to `size` bytes of the file into `into`; how many were there (the file may have
// shrunk meanwhile), or nothing (and why) when it cannot be read.
std::optional<std::size_t> readInto(const std::string& path, char* into, std::size_t size, std::string& why) {
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        why = path + ": " + std::strerror(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    file.read(into, static_cast<std::streamsize>(size));
    if (file.bad()) {
        why = path + ": " + std::strerror(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    return static_cast<std::size_t>(file.gcount());
}
}  // namespace

std::optional<std::string> readWholeFile(const std::string& path, std::string& why) {
    std::optional<std::size_t> size = readableSize(path, why);
    if (!size) return std::nullopt;
    std::string bytes(*size, '\0');
    std::optional<std::size_t> read = readInto(path, bytes.data(), *size, why);
    if (!read) return std::nullopt;
    bytes.resize(*read);
    return bytes;
}

std::optional<FileText> readWholeFileText(const std::string& path, std::string& why) {
    std::optional<std::size_t> size = readableSize(path, why);
    if (!size) return std::nullopt;
    FileText text;
    text.bytes.reset(new char[*size]);  // left unfilled: the read fills what the parse looks at
    adviseLargePages(text.bytes.get(), *size);
    std::optional<std::size_t> read = readInto(path, text.bytes.get(), *size, why);
    if (!read) return std::nullopt;
    text.size = *read;
    return text;
}

void adviseLargePages(void* data, std::size_t bytes) {
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    if (bytes < 2 * kLargePage) return;
    auto first = (reinterpret_cast<std::uintptr_t>(data) + kLargePage - 1) & ~(kLargePage - 1);
    auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kLargePage - 1);
    if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::string why;
    return readWholeFile(path, why);
}
