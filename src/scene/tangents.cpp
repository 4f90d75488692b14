// Per-vertex tangents for normal mapping, generated once per mesh at load.
//
// Each triangle contributes (E1 dv2 - E2 dv1) d, its exact tangent scaled by d^2 where
// d = du1 dv2 - du2 dv1: it points along growing u whatever the winding of the texture, and
// triangles weigh in with the square of their texture-space area. The contributions at a
// vertex are averaged and normalised.
#include "scene/tangents.h"

#include <cmath>
#include <cstddef>

namespace {

const Vec4 kFallbackTangent{1, 0, 0, 0};

Vec4 triangleTangent(const Vertex& p0, const Vertex& p1, const Vertex& p2) {
    Vec4 e1 = vec4Sub(p1.position, p0.position);
    Vec4 e2 = vec4Sub(p2.position, p0.position);
    Vec2 t1 = vec2Sub(p1.texCoord, p0.texCoord);
    Vec2 t2 = vec2Sub(p2.texCoord, p0.texCoord);
    vec4Scale(e1, t2.y);
    vec4Scale(e2, t1.y);
    Vec4 tangent = vec4Sub(e1, e2);
    float d = t1.x * t2.y - t2.x * t1.y;
    vec4Scale(tangent, d);
    return tangent;
}

bool isValidIndex(int index, std::size_t vertexCount) {
    return index >= 0 && static_cast<std::size_t>(index) < vertexCount;
}

// Unused vertices, and sums that cancel or overflow, cannot be normalised; they get +x.
Vec4 averagedTangent(Vec4 sum, int count) {
    if (count == 0) return kFallbackTangent;
    vec4Scale(sum, 1.0f / static_cast<float>(count));
    vec4Normalize(sum);
    sum.w = 0;
    bool finite = std::isfinite(sum.x) && std::isfinite(sum.y) && std::isfinite(sum.z);
    bool nonZero = sum.x != 0 || sum.y != 0 || sum.z != 0;
    return finite && nonZero ? sum : kFallbackTangent;
}

}  // namespace

void generateTangents(MeshGeometry& geometry) {
    std::vector<Vertex>& vertices = geometry.vertices;
    std::vector<Vec4> sums(vertices.size(), Vec4{0, 0, 0, 0});
    std::vector<int> counts(vertices.size(), 0);
    for (const Surface& surface : geometry.surfaces) {
        const std::vector<int>& indices = surface.indices;
        for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
            const int corners[3] = {indices[t], indices[t + 1], indices[t + 2]};
            bool valid = true;
            for (int i : corners) valid = valid && isValidIndex(i, vertices.size());
            if (!valid) continue;
            Vec4 tangent = triangleTangent(vertices[corners[0]], vertices[corners[1]], vertices[corners[2]]);
            for (int i : corners) {
                sums[i] = counts[i] == 0 ? tangent : vec4Add(sums[i], tangent);
                ++counts[i];
            }
        }
    }
    for (std::size_t i = 0; i < vertices.size(); ++i) vertices[i].tangent = averagedTangent(sums[i], counts[i]);
}
