// TGA files made byte by byte for tests of the image reader and of scenes that name images.
#pragma once

#include <cstdint>
#include <vector>

// An 18-byte header, then the image ID, then `pixelData` as given. Image types: 2 true colour,
// 10 run-length true colour (others for refusal tests). Descriptor bit 0x20: the first row
// stored is the top one; bit 0x10: columns run right to left.
std::vector<std::uint8_t> tgaFile(int imageType, int bitsPerPixel, int width, int height,
                                  const std::vector<std::uint8_t>& pixelData, int descriptor = 0,
                                  const std::vector<std::uint8_t>& imageId = {});
