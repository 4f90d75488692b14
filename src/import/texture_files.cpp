#include "import/texture_files.h"

#include <stb/stb_image.h>
#include <stb/stb_image_resize.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "import/file_access.h"
#include "import/image_formats.h"
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

// The picture scaled down so that neither side exceeds `maxSide`, keeping its proportions.
DecodedImage downsizeFrom(const std::uint8_t* rgba, int fromWidth, int fromHeight, int maxSide) {
    int larger = std::max(fromWidth, fromHeight);
    double scale = static_cast<double>(maxSide) / larger;
    int width = std::max(1, static_cast<int>(fromWidth * scale + 0.5));
    int height = std::max(1, static_cast<int>(fromHeight * scale + 0.5));
    width = std::min(width, maxSide);
    height = std::min(height, maxSide);
    DecodedImage smaller{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 4), false};
    stbir_resize_uint8(rgba, fromWidth, fromHeight, 0, smaller.rgba.data(), width, height, 0, 4);
    const std::size_t texels = static_cast<std::size_t>(fromWidth) * static_cast<std::size_t>(fromHeight) * 4;
    for (std::size_t i = 3; i < texels && !smaller.hasAlpha; i += 4) smaller.hasAlpha = rgba[i] != 255;
    return smaller;
}

// The decoder's view of the bytes, noting whether it ever wanted more than there are: the
// decoder fills missing data of some formats with zeros rather than failing. It refills a
// buffer of its own of 128 bytes, which may come back short at the end of a whole file; any
// other request is for bytes the image needs.
struct ReadingSource {
    const std::vector<std::uint8_t>& bytes;
    std::size_t at;
    bool starved;
};

constexpr int kDecoderBuffer = 128;

int readBytes(void* user, char* out, int size) {
    auto& source = *static_cast<ReadingSource*>(user);
    std::size_t left = source.bytes.size() - source.at;
    std::size_t count = std::min(left, static_cast<std::size_t>(std::max(size, 0)));
    if (count == 0 || (count < static_cast<std::size_t>(size) && size != kDecoderBuffer)) source.starved = true;
    std::memcpy(out, source.bytes.data() + source.at, count);
    source.at += count;
    return static_cast<int>(count);
}

void skipBytes(void* user, int count) {
    auto& source = *static_cast<ReadingSource*>(user);
    if (count < 0) {
        source.at -= std::min(source.at, static_cast<std::size_t>(-static_cast<long>(count)));
        return;
    }
    std::size_t left = source.bytes.size() - source.at;
    if (static_cast<std::size_t>(count) > left) source.starved = true;
    source.at += std::min(left, static_cast<std::size_t>(count));
}

int atEnd(void* user) {
    auto& source = *static_cast<ReadingSource*>(user);
    return source.at >= source.bytes.size();
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

std::optional<DecodedImage> decodeImage(const std::vector<std::uint8_t>& bytes, std::string& why, int maxSide) {
    auto failed = [&why, &bytes](const char* reason) {
        why = "cannot be decoded (" + undecodableReason(bytes, reason ? reason : "unknown format") + ")";
        return std::nullopt;
    };
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return failed("no image, or too large a file");
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &channels))
        return failed(stbi_failure_reason());
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kLargestTexturePixels) {
        why = "is " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels; textures of more than 64 megapixels are left out";
        return std::nullopt;
    }
    try {
        ReadingSource source{bytes, 0, false};
        stbi_io_callbacks callbacks{readBytes, skipBytes, atEnd};
        std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
            stbi_load_from_callbacks(&callbacks, &source, &width, &height, &channels, 4), stbi_image_free);
        if (!pixels) {
            const char* reason = stbi_failure_reason();
            if (reason && std::string(reason) == "outofmem") {
                why = "needs more memory than there is";
                return std::nullopt;
            }
            return failed(reason);
        }
        if (source.starved) {
            why = "ends before its image data does (the file is cut short)";
            return std::nullopt;
        }
        const std::size_t texels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
        if (maxSide < 1 || std::max(width, height) <= maxSide)
            return rawImage(width, height, std::vector<std::uint8_t>(pixels.get(), pixels.get() + texels));
        return downsizeFrom(pixels.get(), width, height, maxSide);
    } catch (const std::bad_alloc&) {
        why = "needs more memory than there is";
        return std::nullopt;
    }
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
    if (std::max(image.width, image.height) <= maxSide || maxSide < 1) return image;
    return downsizeFrom(image.rgba.data(), image.width, image.height, maxSide);
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
