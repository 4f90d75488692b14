// Whole-file reads for the scene file and the image files.
#include "scene/file_bytes.h"

#include <filesystem>
#include <fstream>
#include <iterator>

std::optional<std::string> readWholeFile(const std::string& path) {
    std::error_code error;
    if (path.empty() || std::filesystem::is_directory(path, error)) return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) return std::nullopt;
    std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) return std::nullopt;
    return bytes;
}
