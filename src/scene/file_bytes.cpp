// Whole-file reads for the scene file and the image files.
#include "scene/file_bytes.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>

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
}  // namespace

std::optional<std::string> readWholeFile(const std::string& path, std::string& why) {
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
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        why = path + ": " + std::strerror(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    if (file.bad()) {
        why = path + ": " + std::strerror(errno != 0 ? errno : EIO);
        return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(file.gcount()));  // the file may have shrunk meanwhile
    return bytes;
}

std::optional<std::string> readWholeFile(const std::string& path) {
    std::string why;
    return readWholeFile(path, why);
}
