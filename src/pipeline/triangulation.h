// Triangulation: each clipped polygon becomes the current material and a fan of triangles.
#pragma once

#include <span>

#include "core/render_context.h"
#include "pipeline/clipping.h"
#include "raster/draw_list.h"
#include "scene/scene.h"

// Lookups by material index; an index outside the list selects material 0, and an empty list
// the default material.
const Material& materialAt(const MaterialList& materials, int index);
const Image* materialTextureImage(const MaterialList& materials, int index);
const Image* materialNormalImage(const MaterialList& materials, int index);

// Makes the material at the index, its texture and its normal map the context's current ones.
void makeMaterialCurrent(RenderContext& context, const MaterialList& materials, int index);

// Queues the polygons of one clipped run of a mesh (see ClipPart) into `part`, each as a fan
// around its first corner with its own material, texture and normal map. The mesh's own
// vertices are queued already, in pixels, from index meshBase on, and `heights` holds their
// position.y; the run's made vertices are divided by w and queued into part.vertices, and named
// as if they followed the mesh's own, so that drawListAppend can join the runs of a mesh in
// order.
void queuePolygons(const ClipPart& clipped, const MaterialList& materials, RenderContext context,
                   std::span<const float> heights, int meshBase, DrawList& part);
