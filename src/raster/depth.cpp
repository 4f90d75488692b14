#include "raster/depth.h"

#include <algorithm>

DepthBuffer depthBufferCreate(int width, int height) {
    DepthBuffer buffer;
    depthBufferResize(buffer, width, height);
    depthBufferClear(buffer);
    return buffer;
}

void depthBufferClear(DepthBuffer& buffer) { std::fill(buffer.values.begin(), buffer.values.end(), 1.0f); }

void depthBufferResize(DepthBuffer& buffer, int width, int height) {
    buffer.width = std::max(width, 0);
    buffer.height = std::max(height, 0);
    buffer.values.resize(static_cast<size_t>(buffer.width) * static_cast<size_t>(buffer.height));
}

void depthBufferClearRows(DepthBuffer& buffer, int firstRow, int endRow) {
    firstRow = std::clamp(firstRow, 0, buffer.height);
    endRow = std::clamp(endRow, firstRow, buffer.height);
    const auto width = static_cast<std::ptrdiff_t>(buffer.width);
    std::fill(buffer.values.begin() + firstRow * width, buffer.values.begin() + endRow * width, 1.0f);
}
