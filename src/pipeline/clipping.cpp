// Culling and Sutherland-Hodgman clipping in homogeneous clip space.
#include "pipeline/clipping.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr int kPlaneCount = 6;

// Planes 0..5: x >= -w, x <= w, y >= -w, y <= w, z >= 0, z <= w. A point is outside only when
// its test fails strictly, so points on a plane and NaN comparisons count as inside.
bool outside(const Vec4& p, int plane) {
    switch (plane) {
        case 0: return p.x < -p.w;
        case 1: return p.x > p.w;
        case 2: return p.y < -p.w;
        case 3: return p.y > p.w;
        case 4: return p.z < 0.0f;
        default: return p.z > p.w;
    }
}

// Where the edge prev -> cur crosses the plane, as a fraction from prev.
float cutParameter(const Vec4& prev, const Vec4& cur, int plane) {
    if (plane == 4) return -prev.z / (cur.z - prev.z);
    float k = (plane % 2 == 0) ? -1.0f : 1.0f;
    float prevC = plane < 2 ? prev.x : (plane < 4 ? prev.y : prev.z);
    float curC = plane < 2 ? cur.x : (plane < 4 ? cur.y : cur.z);
    return (k * prevC - prev.w) / ((cur.w - prev.w) - k * (curC - prevC));
}

bool samePosition(const Vec4& p, const Vec4& q) { return p.x == q.x && p.y == q.y && p.z == q.z && p.w == q.w; }

// The sign of the determinant of the rows (x, y, w): the triangle's orientation on screen,
// decided without dividing by w, so it holds for vertices behind the camera too.
float orientationXYW(const Vec4& a, const Vec4& b, const Vec4& c) {
    return a.x * (b.y * c.w - b.w * c.y) - a.y * (b.x * c.w - b.w * c.x) + a.w * (b.x * c.y - b.y * c.x);
}

}  // namespace

unsigned char planesOutside(const Vec4& p) {
    unsigned char mask = 0;
    for (int plane = 0; plane < kPlaneCount; ++plane)
        if (outside(p, plane)) mask |= static_cast<unsigned char>(1u << plane);
    return mask;
}

Vertex vertexLerp(const Vertex& a, const Vertex& b, float t) {
    float s = 1.0f - t;
    Vertex r = vertexCombine(a, b, [s, t](float p, float q) { return s * p + t * q; });
    vec4Normalize(r.normal);
    return r;
}

int clipEdge(const Vertex& prev, const Vertex& cur, int plane, Vertex out[2]) {
    bool prevInside = !outside(prev.position, plane);
    bool curInside = !outside(cur.position, plane);
    if (prevInside && curInside) {
        out[0] = cur;
        return 1;
    }
    if (!prevInside && !curInside) return 0;
    float t = cutParameter(prev.position, cur.position, plane);
    Vertex cut = vertexLerp(prev, cur, t);
    if (prevInside) {
        if (t == 0.0f || std::isnan(t)) return 0;  // a cut exactly at prev (or a NaN cut) adds nothing
        out[0] = cut;
        return 1;
    }
    out[0] = cut;
    if (samePosition(cut.position, cur.position)) return 1;
    out[1] = cur;
    return 2;
}

bool clipPolygon(std::vector<Vertex>& polygon, std::vector<Vertex>& scratch) {
    for (int plane = 0; plane < kPlaneCount; ++plane) {
        if (polygon.empty()) return false;
        scratch.clear();
        Vertex cut[2];
        for (size_t e = 0; e < polygon.size(); ++e) {
            const Vertex& prev = polygon[e == 0 ? polygon.size() - 1 : e - 1];
            int produced = clipEdge(prev, polygon[e], plane, cut);
            scratch.insert(scratch.end(), cut, cut + produced);
        }
        std::swap(polygon, scratch);
    }
    return !polygon.empty();
}

bool frontFacing(const Vec4& a, const Vec4& b, const Vec4& c, const Vec4& dividedA, const Vec4& dividedB,
                 const Vec4& dividedC) {
    if (a.w <= 0.0f || b.w <= 0.0f || c.w <= 0.0f) return orientationXYW(a, b, c) >= 0.0f;
    Vec3 n = vec3Cross(vec3Sub(xyz(dividedB), xyz(dividedA)), vec3Sub(xyz(dividedC), xyz(dividedA)));
    return n.z >= 0.0f;  // zero-area triangles stay; a NaN is dropped
}

bool frontFacing(const Vec4& a, const Vec4& b, const Vec4& c) {
    Vec4 pa = a, pb = b, pc = c;
    vec4Homogenize(pa);
    vec4Homogenize(pb);
    vec4Homogenize(pc);
    return frontFacing(a, b, c, pa, pb, pc);
}

std::size_t triangleCount(const std::vector<Surface>& surfaces) {
    std::size_t count = 0;
    for (const Surface& surface : surfaces) count += surface.indices.size() / 3;
    return count;
}

void clipTriangles(const std::vector<Surface>& surfaces, const ClipSpaceMesh& mesh, std::size_t first,
                   std::size_t end, ClipPart& part) {
    part.made.clear();
    part.corners.clear();
    part.polygons.clear();
    const std::span<const Vec4> positions = mesh.positions, divided = mesh.divided;
    const std::span<const unsigned char> outsideMasks = mesh.outsideMasks;
    const int vertexCount = static_cast<int>(positions.size());
    auto valid = [vertexCount](int index) { return index >= 0 && index < vertexCount; };
    std::size_t surfaceStart = 0;  // the number of the surface's first triangle
    for (const Surface& surface : surfaces) {
        const std::size_t surfaceEnd = surfaceStart + surface.indices.size() / 3;
        for (std::size_t t = std::max(first, surfaceStart); t < std::min(end, surfaceEnd); ++t) {
            const std::size_t i = (t - surfaceStart) * 3;
            const int a = surface.indices[i], b = surface.indices[i + 1], c = surface.indices[i + 2];
            if (!valid(a) || !valid(b) || !valid(c)) continue;
            if (!frontFacing(positions[a], positions[b], positions[c], divided[a], divided[b], divided[c])) continue;
            Polygon polygon{static_cast<int>(part.corners.size()), 3, surface.materialIndex};
            // A triangle inside every plane needs no clipping, since it would come back as it is.
            // (One wholly outside a plane still goes through the clipper: cut vertices made for
            // the planes before can round onto the inside of a later one.)
            if ((outsideMasks[a] | outsideMasks[b] | outsideMasks[c]) == 0) {
                part.corners.insert(part.corners.end(), {a, b, c});
            } else {
                part.clipped.assign({clipSpaceVertex(mesh, a), clipSpaceVertex(mesh, b), clipSpaceVertex(mesh, c)});
                if (!clipPolygon(part.clipped, part.scratch)) continue;
                polygon.count = static_cast<int>(part.clipped.size());
                for (const Vertex& made : part.clipped) {
                    part.corners.push_back(vertexCount + static_cast<int>(part.made.size()));
                    part.made.push_back(made);
                }
            }
            part.polygons.push_back(polygon);
        }
        surfaceStart = surfaceEnd;
    }
}

PolygonList clipMesh(const std::vector<Vertex>& vertices, const std::vector<Surface>& surfaces) {
    std::vector<Vec4> positions(vertices.size()), divided(vertices.size());
    std::vector<unsigned char> outsideMasks(vertices.size());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        positions[i] = divided[i] = vertices[i].position;
        vec4Homogenize(divided[i]);
        outsideMasks[i] = planesOutside(positions[i]);
    }
    const ClipSpaceMesh mesh{positions, outsideMasks, divided, vertices};
    ClipPart part;
    clipTriangles(surfaces, mesh, 0, triangleCount(surfaces), part);
    PolygonList list{vertices, std::move(part.corners), std::move(part.polygons)};
    list.vertices.insert(list.vertices.end(), part.made.begin(), part.made.end());
    return list;
}
