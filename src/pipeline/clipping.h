// Back-face culling and clipping of a mesh's clip-space triangles into convex polygons.
//
// The view volume is -w <= x <= w, -w <= y <= w, 0 <= z <= w, clipped one plane after another
// (Sutherland-Hodgman) in homogeneous clip space. A point on a plane, or one whose test
// involves a NaN, is inside.
#pragma once

#include <vector>

#include "core/vertex.h"
#include "scene/scene.h"

struct Polygon {
    std::vector<Vertex> vertices;  // boundary order
    int materialIndex = 0;
};

struct PolygonList {
    std::vector<Polygon> polygons;
};

// s = 1 - t; every float s * a + t * b; the normal's x, y, z renormalised.
Vertex vertexLerp(const Vertex& a, const Vertex& b, float t);

// Writes 0, 1 or 2 vertices of the edge prev -> cur clipped against one plane (0..5) to `out`
// and returns how many.
int clipEdge(const Vertex& prev, const Vertex& cur, int plane, Vertex out[2]);

// Clips a polygon against all six planes; false when nothing is left.
bool clipPolygon(Polygon& polygon);

// True when the triangle faces the viewer (or cannot be decided as facing away).
bool frontFacing(const Vec4& a, const Vec4& b, const Vec4& c);

// Culls and clips every triangle of the clip-space vertices with the mesh's surfaces.
PolygonList clipMesh(const std::vector<Vertex>& vertices, const std::vector<Surface>& surfaces);
