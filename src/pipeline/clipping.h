// Back-face culling and clipping of a mesh's clip-space triangles into convex polygons.
//
// The view volume is -w <= x <= w, -w <= y <= w, 0 <= z <= w, clipped one plane after another
// (Sutherland-Hodgman) in homogeneous clip space. A point on a plane, or one whose test
// involves a NaN, is inside.
#pragma once

#include <span>
#include <vector>

#include "core/vertex.h"
#include "scene/scene.h"

// A clipped triangle: a convex polygon of whole vertices, `count` of them from `first` in its
// list's vertex array, in boundary order, with the material of the surface it came from.
struct Polygon {
    int first = 0;
    int count = 0;
    int materialIndex = 0;
};

// One mesh's polygons in drawing order. The arrays are kept from mesh to mesh and frame to
// frame, so clipping a steady stream of meshes allocates nothing.
struct PolygonList {
    std::vector<Vertex> vertices;
    std::vector<Polygon> polygons;
    std::vector<Vertex> scratch;  // the clipper's working copy of one polygon
};

inline std::span<const Vertex> polygonVertices(const PolygonList& list, const Polygon& polygon) {
    return {list.vertices.data() + polygon.first, static_cast<size_t>(polygon.count)};
}
inline std::span<Vertex> polygonVertices(PolygonList& list, const Polygon& polygon) {
    return {list.vertices.data() + polygon.first, static_cast<size_t>(polygon.count)};
}

// s = 1 - t; every float s * a + t * b; the normal's x, y, z renormalised.
Vertex vertexLerp(const Vertex& a, const Vertex& b, float t);

// Writes 0, 1 or 2 vertices of the edge prev -> cur clipped against one plane (0..5) to `out`
// and returns how many.
int clipEdge(const Vertex& prev, const Vertex& cur, int plane, Vertex out[2]);

// Clips a polygon against all six planes, in place (`scratch` is working space); false when
// nothing is left.
bool clipPolygon(std::vector<Vertex>& polygon, std::vector<Vertex>& scratch);

// True when the triangle faces the viewer (or cannot be decided as facing away).
bool frontFacing(const Vec4& a, const Vec4& b, const Vec4& c);

// Culls and clips every triangle of the clip-space vertices with the mesh's surfaces into
// `list`, which is emptied first.
void clipMesh(const std::vector<Vertex>& vertices, const std::vector<Surface>& surfaces, PolygonList& list);
PolygonList clipMesh(const std::vector<Vertex>& vertices, const std::vector<Surface>& surfaces);
