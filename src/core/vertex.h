// Vertex: the 23-float record that carries every per-vertex attribute through the pipeline.
//
// The loader fills it, the scene pass transforms copies of it, the clipper interpolates new
// ones, and the rasterizers walk it across edges and spans; at every covered pixel the walked
// vertex is what the depth test, texturing and lighting read. Because the layout is fixed,
// one set of operations steps every attribute whatever the shading mode.
//
// Divided form: inside the triangle rasterizer the walkers hold u / viewDepth, v / viewDepth
// and 1 / viewDepth in place of u, v and viewDepth. Those three vary linearly across the
// screen, which makes the texture coordinate at each pixel perspective-correct.
#pragma once

#include "core/math.h"

struct Vertex {
    Vec4 position;       // object -> world -> view -> clip -> NDC -> pixels (x, y), depth (z)
    Vec4 normal;         // w = 0
    Vec2 texCoord;       // as written in the scene file
    Vec4 worldPosition;  // world-space position, for per-pixel lighting
    Colour colour;       // Gouraud colour, or the flat colour of the background and the border
    Vec4 tangent;        // direction of growing u, w = 0
    float viewDepth;     // view-space z, the divisor for perspective-correct texture coordinates
};

static_assert(sizeof(Vertex) == 23 * sizeof(float), "Vertex is exactly 23 floats");

// Applies op to each of the 23 float pairs of a and b, in field order, and returns the results.
template <class Op>
inline Vertex vertexCombine(const Vertex& a, const Vertex& b, Op op) {
    auto v4 = [&](Vec4 p, Vec4 q) { return Vec4{op(p.x, q.x), op(p.y, q.y), op(p.z, q.z), op(p.w, q.w)}; };
    Vertex r;
    r.position = v4(a.position, b.position);
    r.normal = v4(a.normal, b.normal);
    r.texCoord = {op(a.texCoord.x, b.texCoord.x), op(a.texCoord.y, b.texCoord.y)};
    r.worldPosition = v4(a.worldPosition, b.worldPosition);
    r.colour = {op(a.colour.r, b.colour.r), op(a.colour.g, b.colour.g), op(a.colour.b, b.colour.b),
                op(a.colour.a, b.colour.a)};
    r.tangent = v4(a.tangent, b.tangent);
    r.viewDepth = op(a.viewDepth, b.viewDepth);
    return r;
}

// Advances a walker by one step: every one of the 23 floats of step is added.
inline void vertexAdd(Vertex& a, const Vertex& step) {
    a = vertexCombine(a, step, [](float p, float q) { return p + q; });
}

// The per-unit step from a to b over a distance n, all 23 floats linear.
inline Vertex vertexStep(const Vertex& a, const Vertex& b, float n) {
    return vertexCombine(a, b, [n](float p, float q) { return (q - p) / n; });
}

// As vertexStep, but u, v and viewDepth step in divided form (u/z, v/z, 1/z).
inline Vertex vertexStepDivided(const Vertex& a, const Vertex& b, float n) {
    Vertex step = vertexStep(a, b, n);
    step.texCoord.x = (b.texCoord.x / b.viewDepth - a.texCoord.x / a.viewDepth) / n;
    step.texCoord.y = (b.texCoord.y / b.viewDepth - a.texCoord.y / a.viewDepth) / n;
    step.viewDepth = (1.0f / b.viewDepth - 1.0f / a.viewDepth) / n;
    return step;
}

inline Vertex toDividedForm(Vertex v) {
    float r = 1.0f / v.viewDepth;
    v.texCoord.x *= r;
    v.texCoord.y *= r;
    v.viewDepth = r;
    return v;
}

// (u, v, q) -> (u/q, v/q, 1/q) is its own inverse: applied to a walker it yields the ordinary
// texture coordinate and view depth.
inline Vertex fromDividedForm(Vertex v) {
    v.texCoord.x /= v.viewDepth;
    v.texCoord.y /= v.viewDepth;
    v.viewDepth = 1.0f / v.viewDepth;
    return v;
}

inline void vertexSwap(Vertex& a, Vertex& b) {
    Vertex t = a;
    a = b;
    b = t;
}

// A vertex with all 23 floats zero: the start of every auxiliary vertex.
inline Vertex zeroVertex() { return Vertex{}; }
