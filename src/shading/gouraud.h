// Per-vertex (Gouraud) lighting: every vertex of a mesh's world-space working copy gets its lit
// colour, which the triangle rasterizer then interpolates.
#pragma once

#include <vector>

#include "core/render_context.h"
#include "core/vertex.h"
#include "scene/scene.h"

// Lights one world-space vertex and writes its `colour`. The context's textureMap is the
// texture of the material (or none).
void lightVertex(Vertex& vertex, const Material& material, const SceneLighting& lighting, const RenderContext& context);

// Lights every vertex with one material (the mesh's first surface's) and writes `colour`.
// The context's textureMap is the texture of that material (or none).
void lightMeshVertices(std::vector<Vertex>& vertices, const Material& material, const SceneLighting& lighting,
                       const RenderContext& context);
