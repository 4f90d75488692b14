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
