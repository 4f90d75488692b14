// Per-vertex tangents for normal mapping: the direction in which u grows across the surface.
#pragma once

#include "scene/scene.h"

// Fills the tangent of every vertex (unit length, w = 0) from the triangles that use it.
// A vertex that no triangle uses, or whose contributions cancel, gets (1, 0, 0, 0).
void generateTangents(MeshGeometry& geometry);
