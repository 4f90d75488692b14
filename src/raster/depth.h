// The per-pixel end of both rasterizers: the float depth buffer and its test, the colour
// write, and the mapping between normalised device coordinates and viewport pixels.
//
// Depth is the NDC z: smaller is nearer, a cleared buffer holds 1.0, and the test passes on
// less-or-equal with writes always on. Every pixel goes through depthTestAndSet and, only if
// that passes, through imageSetPixel. Columns and rows are checked separately, so a column
// outside the buffer is dropped rather than wrapping into the next row.
#pragma once

#include <vector>

#include "core/image.h"
#include "core/render_context.h"
#include "core/vertex.h"

struct DepthBuffer {
    std::vector<float> values;  // row * width + column
    int width = 0;
    int height = 0;
};

// A buffer of width x height values, cleared to 1.0; a negative size counts as 0.
DepthBuffer depthBufferCreate(int width, int height);
void depthBufferClear(DepthBuffer& buffer);
// Makes the buffer width x height values without clearing them: they hold anything until the
// caller clears them.
void depthBufferResize(DepthBuffer& buffer, int width, int height);
// Sets the rows [firstRow, endRow) to 1.0.
void depthBufferClearRows(DepthBuffer& buffer, int firstRow, int endRow);

inline bool insideBuffer(int width, int height, int column, int row) {
    return column >= 0 && column < width && row >= 0 && row < height;
}

// 1 when z is not behind the stored depth (stored >= z), which is then replaced by z; 0 for a
// pixel outside the buffer, a farther z, or a NaN on either side.
inline int depthTestAndSet(DepthBuffer& buffer, int column, int row, float z) {
    if (!insideBuffer(buffer.width, buffer.height, column, row)) return 0;
    float& stored = buffer.values[static_cast<size_t>(row) * static_cast<size_t>(buffer.width) +
                                  static_cast<size_t>(column)];
    if (!(stored >= z)) return 0;
    stored = z;
    return 1;
}

inline void imageSetPixel(Image& image, Colour colour, int column, int row) {
    if (!insideBuffer(image.width, image.height, column, row)) return;
    image.pixels[static_cast<size_t>(row) * static_cast<size_t>(image.width) + static_cast<size_t>(column)] =
        colour;
}

// In place on position x and y: -1 maps to the viewport minimum and +1 to its maximum.
inline void ndcToPixel(Vertex& v, const RenderContext& context) {
    v.position.x = (v.position.x * 0.5f + 0.5f) * (context.viewportMaxX - context.viewportMinX) + context.viewportMinX;
    v.position.y = (v.position.y * 0.5f + 0.5f) * (context.viewportMaxY - context.viewportMinY) + context.viewportMinY;
}

// The inverse of ndcToPixel, for auxiliary geometry given in window pixels.
inline void pixelToNdc(Vertex& v, const RenderContext& context) {
    v.position.x = ((v.position.x - context.viewportMinX) / (context.viewportMaxX - context.viewportMinX) - 0.5f) * 2.0f;
    v.position.y = ((v.position.y - context.viewportMinY) / (context.viewportMaxY - context.viewportMinY) - 0.5f) * 2.0f;
}
