#include "core/image.h"

#include <algorithm>

Image imageCreate(int width, int height, Colour fill) {
    Image image;
    imageResize(image, width, height);
    imageFill(image, fill);
    return image;
}

void imageFill(Image& image, Colour colour) { std::fill(image.pixels.begin(), image.pixels.end(), colour); }

void imageResize(Image& image, int width, int height) {
    image.width = std::max(width, 0);
    image.height = std::max(height, 0);
    image.pixels.resize(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
}

void imageFillRows(Image& image, int firstRow, int endRow, Colour colour) {
    firstRow = std::clamp(firstRow, 0, image.height);
    endRow = std::clamp(endRow, firstRow, image.height);
    const auto width = static_cast<std::ptrdiff_t>(image.width);
    std::fill(image.pixels.begin() + firstRow * width, image.pixels.begin() + endRow * width, colour);
}
