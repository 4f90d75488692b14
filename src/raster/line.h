// The line rasterizer: a one-pixel-wide, depth-tested line with every attribute interpolated.
#pragma once

#include "core/render_context.h"
#include "core/vertex.h"

// Draws from a to b (positions in normalised device coordinates) into the context's buffers.
// With texturing on, each pixel is blended half and half with the texture sample (opaque black
// when the context has no texture). Returns the box of the pixels written.
PixelBox drawLine(Vertex a, Vertex b, RenderContext& context);
