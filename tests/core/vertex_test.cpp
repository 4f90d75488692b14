#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>

#include "core/vertex.h"

namespace {
using Floats = std::array<float, 23>;

Floats floatsOf(const Vertex& v) {
    Floats f;
    std::memcpy(f.data(), &v, sizeof v);
    return f;
}

Vertex vertexOf(const Floats& f) {
    Vertex v;
    std::memcpy(&v, f.data(), sizeof v);
    return v;
}

// Float i of the vertex holds start + i * stride, so a field that is skipped or crossed shows.
Vertex numbered(float start, float stride) {
    Floats f;
    for (int i = 0; i < 23; ++i) f[i] = start + static_cast<float>(i) * stride;
    return vertexOf(f);
}

// Positions of u, v and viewDepth among the 23 floats.
constexpr int kU = 8, kV = 9, kViewDepth = 22;

Vertex spanEnd(float x, float u, float viewDepth) {
    Vertex v = zeroVertex();
    v.position.x = x;
    v.texCoord = {u, 1 - u};
    v.viewDepth = viewDepth;
    return v;
}

// The texture coordinate and view depth at `steps` unit steps along the span from a to b.
Vertex walkDivided(const Vertex& a, const Vertex& b, float length, int steps) {
    Vertex step = vertexStepDivided(a, b, length);
    Vertex walker = toDividedForm(a);
    for (int i = 0; i < steps; ++i) vertexAdd(walker, step);
    return fromDividedForm(walker);
}
}  // namespace

TEST(VertexRecord, AddAndStepCoverAll23FloatsInPlace) {
    Vertex a = numbered(1, 1);
    Vertex b = numbered(5, 3);  // b - a = 4 + 2i
    Floats step = floatsOf(vertexStep(a, b, 2));
    for (int i = 0; i < 23; ++i) EXPECT_EQ(step[i], 2.0f + static_cast<float>(i)) << "float " << i;

    vertexAdd(a, numbered(100, 10));
    Floats sum = floatsOf(a);
    for (int i = 0; i < 23; ++i) EXPECT_EQ(sum[i], 101.0f + 11.0f * static_cast<float>(i)) << "float " << i;

    Floats degenerate = floatsOf(vertexStep(numbered(0, 1), numbered(1, 1), 0));
    for (float f : degenerate) EXPECT_TRUE(std::isinf(f));
}

TEST(VertexRecord, DividedStepDiffersOnlyInTextureAndDepth) {
    Vertex a = numbered(1, 1);
    Vertex b = numbered(5, 3);
    Floats plain = floatsOf(vertexStep(a, b, 4));
    Floats divided = floatsOf(vertexStepDivided(a, b, 4));
    for (int i = 0; i < 23; ++i) {
        if (i == kU || i == kV || i == kViewDepth) continue;
        EXPECT_EQ(divided[i], plain[i]) << "float " << i;
    }
    // a: u 9, v 10, depth 23; b: u 29, v 32, depth 71.
    EXPECT_FLOAT_EQ(divided[kU], (29.0f / 71 - 9.0f / 23) / 4);
    EXPECT_FLOAT_EQ(divided[kV], (32.0f / 71 - 10.0f / 23) / 4);
    EXPECT_FLOAT_EQ(divided[kViewDepth], (1.0f / 71 - 1.0f / 23) / 4);
}

TEST(VertexRecord, ZeroViewDepthSpoilsOnlyTheTextureCoordinate) {
    Vertex a = spanEnd(0, 0.5f, 0);
    a.colour = {0, 0, 0, 1};
    Vertex b = spanEnd(4, 0.5f, 0);
    b.colour = {1, 1, 1, 1};
    Vertex pixel = walkDivided(a, b, 4, 2);
    EXPECT_TRUE(std::isnan(pixel.texCoord.x));
    EXPECT_FLOAT_EQ(pixel.colour.r, 0.5f);
    EXPECT_FLOAT_EQ(pixel.position.x, 2);
}
