#include "support/tga_files.h"

std::vector<std::uint8_t> tgaFile(int imageType, int bitsPerPixel, int width, int height,
                                  const std::vector<std::uint8_t>& pixelData, int descriptor,
                                  const std::vector<std::uint8_t>& imageId) {
    auto byte = [](int v) { return static_cast<std::uint8_t>(v & 0xff); };
    std::vector<std::uint8_t> bytes = {byte(static_cast<int>(imageId.size())), 0, byte(imageType), 0, 0, 0, 0, 0, 0, 0,
                                       0, 0, byte(width), byte(width >> 8), byte(height), byte(height >> 8),
                                       byte(bitsPerPixel), byte(descriptor)};
    bytes.reserve(bytes.size() + imageId.size() + pixelData.size());
    for (std::uint8_t b : imageId) bytes.push_back(b);
    for (std::uint8_t b : pixelData) bytes.push_back(b);
    return bytes;
}
