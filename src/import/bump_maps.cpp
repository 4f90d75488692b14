#include "import/bump_maps.h"

#include <algorithm>
#include <cmath>

bool looksLikeNormalMap(const DecodedImage& image) {
    const std::size_t pixels = image.rgba.size() / 4;
    if (pixels == 0) return false;
    double sum[3] = {0, 0, 0};
    std::size_t bluish = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* p = &image.rgba[i * 4];
        for (int c = 0; c < 3; ++c) sum[c] += p[c];
        if (p[2] > std::max(p[0], p[1])) ++bluish;
    }
    const double scale = 255.0 * static_cast<double>(pixels);
    const double red = sum[0] / scale, green = sum[1] / scale, blue = sum[2] / scale;
    return std::fabs(red - 0.5) <= 0.15 && std::fabs(green - 0.5) <= 0.15 && blue > 0.7 &&
           static_cast<double>(bluish) >= 0.8 * static_cast<double>(pixels);
}
