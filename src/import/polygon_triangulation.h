// Cutting a polygon of a model file into triangles by ear clipping, so that concave polygons
// come out right (a fan from one corner would cover their notches).
#pragma once

#include <array>
#include <vector>

#include "core/math.h"

// Triangles as positions into `corners`, wound the way the polygon is. The polygon may be
// concave and lie in any plane; it should not cross itself (then the result still covers it
// with corners - 2 triangles, not necessarily without overlaps).
std::vector<std::array<int, 3>> triangulatePolygon(const std::vector<Vec3>& corners);
