// Texture images: finding the file a model names, decoding it, making it smaller, and writing
// it as a TGA file the scene loader reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// 8-bit RGBA, top row first, as decoders deliver pictures.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
    bool hasAlpha = false;  // some pixel is not fully opaque
};

// The file a model's texture name stands for. Names in models are often written on another
// machine, so after the name as written (relative to the model's folder unless absolute) come
// the name with '\' read as '/', then its base name in the model's folder, then a file of that
// base name in any letter case there; the base name is then looked for in the search folders
// the same way. Only regular files inside the model's folder tree or a search folder's tree
// count (see file_access.h). Nothing when there is none.
std::optional<std::string> findTextureFile(const std::string& name, const std::string& modelFolder,
                                           const std::vector<std::string>& searchFolders = {});

// Whether the name, as written, leads out of those trees: then the file is not read, whether
// it exists or not.
bool textureNameLeavesTrees(const std::string& name, const std::string& modelFolder,
                            const std::vector<std::string>& searchFolders);

// Textures with more pixels than this are left out: decoded, one would take a gigabyte.
constexpr std::uint64_t kLargestTexturePixels = 64ull << 20;

// PNG, JPEG, TGA, BMP, GIF, PSD, HDR, PIC or PNM bytes, decoded once and, when a side exceeds
// `maxSide` (0: no limit), scaled down once as `downsize` does. The size its header declares
// is checked first. Nothing when the bytes are none of those formats, declare more than
// kLargestTexturePixels, end before the image does, or need more memory than there is; then
// `why` says so in words that follow "texture 'NAME' " (naming the format of bytes that
// cannot be decoded, as undecodableReason does).
std::optional<DecodedImage> decodeImage(const std::vector<std::uint8_t>& bytes, std::string& why, int maxSide = 0);

// Raw RGBA texels, top row first.
DecodedImage rawImage(int width, int height, std::vector<std::uint8_t> rgba);

// The image scaled down so that neither side exceeds `maxSide`, keeping its proportions; the
// image itself when it already fits.
DecodedImage downsize(const DecodedImage& image, int maxSide);

// The average colour of the image, channels 0..1; mid grey for an empty image.
void averageColour(const DecodedImage& image, float rgb[3]);

// An uncompressed true-colour TGA (image type 2), 32 bits when the image has alpha and 24
// otherwise, with the lower-left origin: the picture's bottom row is stored first.
std::vector<std::uint8_t> tgaBytes(const DecodedImage& image);
