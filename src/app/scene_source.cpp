#include "app/scene_source.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Only regular files are looked into: reading a pipe or a device could wait for ever.
bool startsLikeAScene(const std::string& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    char start[256] = {};
    file.read(start, sizeof start);
    std::string text(start, static_cast<std::size_t>(file.gcount()));
    std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string::npos && text.compare(first, 8, "VIEWPORT") == 0;
}

}  // namespace

SourceKind sourceKind(const std::string& path) {
    if (path == "-" || startsLikeAScene(path)) return SourceKind::scene;
    std::string extension = fs::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension.empty() || extension == ".txt" ? SourceKind::scene : SourceKind::model;
}
