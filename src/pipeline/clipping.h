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

// A clipped triangle: a convex polygon of `count` corners from `first` in its list's corner
// array, in boundary order, with the material of the surface it came from.
struct Polygon {
    int first = 0;
    int count = 0;
    int materialIndex = 0;
};

// One mesh's polygons in drawing order. The mesh's own vertices come first in `vertices`, and
// a triangle that needs no clipping names them directly; a clipped one names vertices made for
// it, appended after them.
struct PolygonList {
    std::vector<Vertex> vertices;
    std::vector<int> corners;  // indices into vertices
    std::vector<Polygon> polygons;
};

// A contiguous run of a mesh's triangles, culled and clipped on its own, so that the runs of a
// large mesh can be clipped side by side and then joined in order. Corners below the mesh's
// vertex count name the mesh's own vertices; corner vertexCount + i names made[i], a vertex made
// for this run. With one run for the whole mesh these are the indices of a PolygonList. The
// arrays are kept from mesh to mesh and frame to frame, so a steady stream allocates nothing.
struct ClipPart {
    std::vector<Vertex> made;
    std::vector<int> corners;
    std::vector<Polygon> polygons;
    std::vector<Vertex> clipped, scratch;  // the clipper's working copies of one polygon
};

inline std::span<const int> polygonCorners(const PolygonList& list, const Polygon& polygon) {
    return {list.corners.data() + polygon.first, static_cast<size_t>(polygon.count)};
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
// The same, given also the three positions already divided by w (vec4Homogenize).
bool frontFacing(const Vec4& a, const Vec4& b, const Vec4& c, const Vec4& dividedA, const Vec4& dividedB,
                 const Vec4& dividedC);

// Bit k set: the clip-space point lies outside plane k.
unsigned char planesOutside(const Vec4& p);

// The number of triangles of the surfaces, counted in order over them.
std::size_t triangleCount(const std::vector<Surface>& surfaces);

// A mesh's vertices in clip space as the clipper reads them. Culling reads only the positions,
// their planesOutside masks and the positions divided by w (vec4Homogenize); only a triangle
// that crosses a plane reads its whole vertices, which are made of the positions and the rest
// of each vertex kept elsewhere, so that a large mesh need not keep a whole copy of every vertex
// in clip space.
struct ClipSpaceMesh {
    std::span<const Vec4> positions;
    std::span<const unsigned char> outsideMasks;
    std::span<const Vec4> divided;
    // Every field of vertex i but its position is attributes[i]'s: the queue's copy of a vertex,
    // whose position alone is divided and in pixels, serves.
    std::span<const Vertex> attributes;
};

// Vertex i of the mesh in clip space, whole.
inline Vertex clipSpaceVertex(const ClipSpaceMesh& mesh, int i) {
    Vertex v = mesh.attributes[static_cast<std::size_t>(i)];
    v.position = mesh.positions[static_cast<std::size_t>(i)];
    return v;
}

// Culls and clips the triangles [first, end) of the surfaces, counted as triangleCount does,
// over the mesh's vertices in clip space, into the part (emptied first).
void clipTriangles(const std::vector<Surface>& surfaces, const ClipSpaceMesh& mesh, std::size_t first,
                   std::size_t end, ClipPart& part);

// Culls and clips every triangle of the mesh's surfaces over its vertices in clip space.
PolygonList clipMesh(const std::vector<Vertex>& vertices, const std::vector<Surface>& surfaces);
