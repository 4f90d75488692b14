#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "shading/gouraud.h"
#include "test_scenes.h"

namespace {
Vertex meshVertex(Vec3 position, Vec3 normal, float u) {
    Vertex v = zeroVertex();
    v.position = {position.x, position.y, position.z, 1};
    v.normal = {normal.x, normal.y, normal.z, 0};
    v.texCoord = {u, 0.5f};
    v.tangent = {1, 0, 0, 0};
    v.viewDepth = -4;
    return v;
}
}  // namespace

TEST(GouraudLighting, EveryVertexIsLitAtItsOwnPointNormalAndTexel) {
    std::vector<Vertex> mesh = {
        meshVertex({0, 0, 0}, {0, 3, 0}, 0.25f),  // normal three units long
        meshVertex({4, 0, 0}, {0, 1, 0}, 0.75f),  // light 45 degrees off its normal
        meshVertex({0, 0, 0}, {0, -1, 0}, 0.25f),  // facing away
        meshVertex({0, 0, 0}, {0, 0, 0}, 0.25f),   // no normal at all
    };
    std::vector<Vertex> before = mesh;
    Material material = makeMaterial({0.5f, 0.5f, 0.5f, 1}, kWhite, kNothing, 1);
    SceneLighting lighting = makeLighting({0, 9, 0}, {makeLight({0, 4, 0}, kWhite)});
    lighting.ambience = {0.2f, 0.2f, 0.2f, 1};
    RenderContext context;
    lightMeshVertices(mesh, material, lighting, context);

    EXPECT_FLOAT_EQ(mesh[0].colour.r, 1.1f);  // as if the normal were unit length
    EXPECT_FLOAT_EQ(mesh[1].colour.r, 0.1f + std::sqrt(0.5f));
    for (int i : {2, 3}) {
        EXPECT_FLOAT_EQ(mesh[i].colour.r, 0.1f) << "vertex " << i;
        EXPECT_EQ(mesh[i].colour.a, 1.0f) << "vertex " << i;
    }
    // Only the colour is written: the stored normal keeps its length.
    for (size_t i = 0; i < mesh.size(); ++i) {
        mesh[i].colour = before[i].colour;
        EXPECT_EQ(std::memcmp(&mesh[i], &before[i], sizeof(Vertex)), 0) << "vertex " << i;
    }

    // With texturing, each vertex takes the texel at its own coordinate as its diffuse colour.
    Image texture = makeImage(2, 1, {{0.3f, 0.3f, 0.3f, 1}, {0.6f, 0.6f, 0.6f, 1}});
    context.textureMap = &texture;
    context.texturing = 1;
    lightMeshVertices(mesh, material, lighting, context);
    EXPECT_FLOAT_EQ(mesh[0].colour.r, 0.1f + 0.3f);
    EXPECT_FLOAT_EQ(mesh[1].colour.r, 0.1f + 0.6f * std::sqrt(0.5f));
}
