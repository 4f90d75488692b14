#include "core/image.h"

#include <algorithm>

Image imageCreate(int width, int height, Colour fill) {
    Image image;
    image.width = std::max(width, 0);
    image.height = std::max(height, 0);
    image.pixels.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height), fill);
    return image;
}

void imageFill(Image& image, Colour colour) { std::fill(image.pixels.begin(), image.pixels.end(), colour); }
