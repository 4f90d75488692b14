// Image: a width x height block of float RGBA colours, row 0 lowest on screen.
//
// The one raster type: every frame's colour buffer, every texture and normal map, and the
// 2 x 2 "None" image of the image table. The pixel in column c, row r is pixels[c + r * width].
// Colours are stored as given, neither clamped nor quantised.
#pragma once

#include <algorithm>
#include <vector>

#include "core/math.h"

struct Image {
    std::vector<Colour> pixels;
    int width = 0;
    int height = 0;
};

// A new image of width x height pixels of one colour (transparent black unless given); a
// negative size counts as 0.
Image imageCreate(int width, int height, Colour fill = {0, 0, 0, 0});

void imageFill(Image& image, Colour colour);

// Makes the image width x height pixels in the storage it already has when that is large
// enough, without clearing it: the pixels hold anything until the caller fills them.
void imageResize(Image& image, int width, int height);

// Fills the rows [firstRow, endRow) with one colour.
void imageFillRows(Image& image, int firstRow, int endRow, Colour colour);

// Stores the colour at a linear index (column + row * width); the caller keeps it in range.
inline void imageSetPixelByIndex(Image& image, Colour colour, int index) { image.pixels[index] = colour; }

// Column and row of the pixel; the caller keeps them in range.
inline const Colour& imagePixel(const Image& image, int column, int row) {
    return image.pixels[static_cast<size_t>(column) + static_cast<size_t>(row) * static_cast<size_t>(image.width)];
}

// A rectangle of an image's pixels, columns minX .. maxX and rows minY .. maxY; empty when
// maxX < minX. The drawing functions report with one the pixels they may have written.
struct PixelBox {
    int minX = 0, minY = 0, maxX = -1, maxY = -1;
};

inline bool boxEmpty(const PixelBox& box) { return box.maxX < box.minX || box.maxY < box.minY; }

// The smallest box holding both.
inline PixelBox boxUnion(const PixelBox& a, const PixelBox& b) {
    if (boxEmpty(a)) return b;
    if (boxEmpty(b)) return a;
    return {std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::max(a.maxX, b.maxX), std::max(a.maxY, b.maxY)};
}

// Widens `box` by the columns [firstColumn, endColumn) of one row, when there are any.
inline void boxAddSpan(PixelBox& box, int row, int firstColumn, int endColumn) {
    if (firstColumn < endColumn) box = boxUnion(box, {firstColumn, row, endColumn - 1, row});
}
