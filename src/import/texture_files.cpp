#include "import/texture_files.h"

#include <stb/stb_image.h>
#include <stb/stb_image_resize.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "import/file_access.h"
#include "scene/tga.h"

namespace fs = std::filesystem;

namespace {

bool isFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

fs::path beside(const std::string& name, const std::string& modelFolder) {
    fs::path path(name);
    if (path.is_absolute() || modelFolder.empty()) return path;
    return fs::path(modelFolder) / path;
}

}  // namespace

std::optional<std::string> findTextureFile(const std::string& name, const std::string& modelFolder,
                                           const std::vector<std::string>& searchFolders) {
    if (name.empty()) return std::nullopt;
    const ReadableTrees trees = readableTrees(modelFolder, searchFolders);
    auto usable = [&trees](const fs::path& path) { return isFile(path) && insideTrees(trees, path); };
    if (usable(beside(name, modelFolder))) return beside(name, modelFolder).string();
    std::string slashed = name;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (usable(beside(slashed, modelFolder))) return beside(slashed, modelFolder).string();
    std::string baseName = fs::path(slashed).filename().string();
    if (baseName.empty() || baseName == "." || baseName == "..") return std::nullopt;
    std::vector<fs::path> folders{modelFolder.empty() ? fs::path(".") : fs::path(modelFolder)};
    folders.insert(folders.end(), searchFolders.begin(), searchFolders.end());
    for (const fs::path& folder : folders) {
        if (usable(folder / baseName)) return (folder / baseName).string();
        // Directory order is not sorted; take the first match in name order so that the
        // choice between two files that differ only in case is always the same.
        std::vector<fs::path> matches;
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
            if (lowerCase(entry.path().filename().string()) == lowerCase(baseName) && usable(entry.path()))
                matches.push_back(entry.path());
        if (!matches.empty()) return std::min_element(matches.begin(), matches.end())->string();
    }
    return std::nullopt;
}

bool textureNameLeavesTrees(const std::string& name, const std::string& modelFolder,
                            const std::vector<std::string>& searchFolders) {
    const ReadableTrees trees = readableTrees(modelFolder, searchFolders);
    std::string slashed = name;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return !insideTrees(trees, beside(name, modelFolder)) || !insideTrees(trees, beside(slashed, modelFolder));
}

std::optional<DecodedImage> decodeImage(const std::vector<std::uint8_t>& bytes, std::string& why) {
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels, 4);
    if (!pixels) {
        const char* reason = stbi_failure_reason();
        why = reason ? reason : "cannot decode";
        return std::nullopt;
    }
    std::vector<std::uint8_t> rgba(pixels, pixels + static_cast<std::size_t>(width) * height * 4);
    stbi_image_free(pixels);
    return rawImage(width, height, std::move(rgba));
}

DecodedImage rawImage(int width, int height, std::vector<std::uint8_t> rgba) {
    DecodedImage image{width, height, std::move(rgba), false};
    for (std::size_t i = 3; i < image.rgba.size(); i += 4)
        if (image.rgba[i] != 255) {
            image.hasAlpha = true;
            break;
        }
    return image;
}

DecodedImage downsize(const DecodedImage& image, int maxSide) {
    int larger = std::max(image.width, image.height);
    if (larger <= maxSide || maxSide < 1) return image;
    double scale = static_cast<double>(maxSide) / larger;
    int width = std::max(1, static_cast<int>(image.width * scale + 0.5));
    int height = std::max(1, static_cast<int>(image.height * scale + 0.5));
    width = std::min(width, maxSide);
    height = std::min(height, maxSide);
    DecodedImage smaller{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4),
                         image.hasAlpha};
    stbir_resize_uint8(image.rgba.data(), image.width, image.height, 0, smaller.rgba.data(), width, height, 0, 4);
    return smaller;
}

void averageColour(const DecodedImage& image, float rgb[3]) {
    std::size_t count = image.rgba.size() / 4;
    if (count == 0) {
        rgb[0] = rgb[1] = rgb[2] = 0.5f;
        return;
    }
    double sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) sum[c] += image.rgba[i * 4 + c];
    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<float>(sum[c] / (255.0 * static_cast<double>(count)));
}

std::vector<std::uint8_t> tgaBytes(const DecodedImage& image) {
    return tgaEncode(image.width, image.height, image.rgba, RowOrder::topFirst, image.hasAlpha);
}
