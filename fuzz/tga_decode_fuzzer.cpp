// The TGA decoder on arbitrary bytes: an image whose pixels all exist, or a reason; and what
// it decodes can be sampled anywhere, with any coordinate, without leaving the image.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "scene/tga.h"
#include "shading/sampling.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

void sampleEverywhere(const Image& image) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float coordinates[] = {0.0f, 0.5f, 0.999999f, 1.0f, -0.25f, 7.75f, 3e9f, -3e9f, inf, -inf, nan};
    for (float u : coordinates)
        for (float v : coordinates) sampleTexture(&image, u, v);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    int bytesPerPixel = 0;
    std::string why;
    std::unique_ptr<Image> image = tgaDecode(bytes, bytesPerPixel, why);
    if (!image) {
        require(!why.empty());
        return 0;
    }
    require(bytesPerPixel == 3 || bytesPerPixel == 4);
    require(image->width >= 0 && image->height >= 0);
    require(image->pixels.size() == static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height));
    if (!image->pixels.empty()) sampleEverywhere(*image);
    return 0;
}
