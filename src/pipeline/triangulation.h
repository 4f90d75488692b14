// Triangulation: each clipped polygon becomes the current material and a fan of triangles.
#pragma once

#include "core/render_context.h"
#include "pipeline/clipping.h"
#include "raster/draw_list.h"
#include "scene/scene.h"

// Lookups by material index; an index outside the list selects material 0, and an empty list
// the default material.
const Material& materialAt(const MaterialList& materials, int index);
const Image* materialTextureImage(const MaterialList& materials, int index);
const Image* materialNormalImage(const MaterialList& materials, int index);

// Queues every polygon (positions already divided by w) as a fan around its first corner, each
// with its own material, texture and normal map, which also become the context's current ones.
void drawPolygons(const PolygonList& list, const MaterialList& materials, RenderContext& context, DrawList& triangles);
