// The scanline triangle rasterizer.
#pragma once

#include "core/render_context.h"
#include "core/vertex.h"
#include "scene/scene.h"

// Fills one counter-clockwise triangle (positions in normalised device coordinates, z the
// depth) into the context's buffers, with perspective-correct texture coordinates, depth-tested,
// coloured by per-pixel lighting or by the interpolated vertex colour (blended half and half
// with the texture when texturing is on and a texture is present).
void drawTriangle(Vertex a, Vertex b, Vertex c, const SceneLighting& lighting, RenderContext& context);

// Rows [begin, end) of the colour buffer.
struct RowBand {
    int begin;
    int end;
};

// The same for a triangle already in pixel coordinates, filling only the rows of `band`. The
// edge walk always starts at the triangle's first row, so a band's pixels are exactly those a
// whole-buffer fill gives it.
void fillTriangle(const Vertex& a, const Vertex& b, const Vertex& c, RowBand band, const SceneLighting& lighting,
                  const RenderContext& context);

// The rows a pixel-space triangle can cover, as [begin, end); empty for NaN coordinates.
RowBand triangleRows(const Vertex& a, const Vertex& b, const Vertex& c);
