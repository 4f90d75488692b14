#include "raster/depth.h"

#include <algorithm>

DepthBuffer depthBufferCreate(int width, int height) {
    DepthBuffer buffer;
    depthBufferReset(buffer, width, height);
    return buffer;
}

void depthBufferReset(DepthBuffer& buffer, int width, int height) {
    buffer.width = std::max(width, 0);
    buffer.height = std::max(height, 0);
    buffer.values.assign(static_cast<size_t>(buffer.width) * static_cast<size_t>(buffer.height), 1.0f);
}

void depthBufferClear(DepthBuffer& buffer) { std::fill(buffer.values.begin(), buffer.values.end(), 1.0f); }
