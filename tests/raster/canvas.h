// A small frame to rasterize into: colour and depth buffers whose viewport covers them
// exactly, so that pixel coordinates given to the helpers are the buffer's own.
#pragma once

#include "core/render_context.h"
#include "core/vertex.h"
#include "raster/depth.h"
#include "scene/scene.h"

struct Canvas {
    Image colour;
    DepthBuffer depth;
    RenderContext context;
    SceneLighting lighting;

    Canvas(int width, int height) : colour(imageCreate(width, height)), depth(depthBufferCreate(width, height)) {
        imageFill(colour, makeColour(1, 1, 1, 1));
        context.colourBuffer = &colour;
        context.depthBuffer = &depth;
        context.viewportMaxX = static_cast<float>(width);
        context.viewportMaxY = static_cast<float>(height);
    }

    // A vertex at pixel (x, y) with depth z, in the normalised device coordinates the
    // rasterizers take.
    Vertex at(float x, float y, float z = 0.5f, Colour colour = {0, 0, 0, 1}) const {
        Vertex v = zeroVertex();
        v.position = {x, y, z, 1};
        v.colour = colour;
        v.viewDepth = -1;
        pixelToNdc(v, context);
        return v;
    }

    bool drawn(int column, int row) const { return depth.values[row * depth.width + column] < 1.0f; }

    int drawnCount() const {
        int count = 0;
        for (float d : depth.values) count += d < 1.0f;
        return count;
    }
};
