// Per-pixel (Phong) lighting with normal mapping.
#pragma once

#include "core/render_context.h"
#include "core/vertex.h"
#include "scene/scene.h"

// Lights one pixel from its interpolated vertex with the context's material; with normal
// mapping on and a normal map present, the normal comes from the map through the pixel's
// tangent frame. Returns the colour and stores it into the vertex's colour as well.
Colour shadePixel(Vertex& pixel, const SceneLighting& lighting, const RenderContext& context);
