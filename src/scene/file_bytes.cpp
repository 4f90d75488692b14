// Whole-file reads for the scene file and the image files.
#include "scene/file_bytes.h"

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace {
// Far beyond any scene or texture this renderer can use; a larger file is refused rather than
// read into memory.
constexpr std::uintmax_t kLargestFile = std::uintmax_t{1} << 30;
}  // namespace

std::optional<std::string> readWholeFile(const std::string& path) {
    // Only regular files: a folder, a device such as /dev/zero or a pipe would never end.
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return std::nullopt;
    std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestFile) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(size));
    if (file.bad()) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(file.gcount()));  // the file may have shrunk meanwhile
    return bytes;
}
