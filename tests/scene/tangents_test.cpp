#include "scene/tangents.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Vertex at(float x, float y, float z, float u, float v) {
    Vertex vertex = zeroVertex();
    vertex.position = {x, y, z, 1};
    vertex.texCoord = {u, v};
    return vertex;
}

MeshGeometry meshOf(std::vector<Vertex> vertices, std::vector<int> indices) {
    MeshGeometry mesh;
    mesh.vertices = std::move(vertices);
    mesh.surfaces.push_back(Surface{std::move(indices), 0});
    return mesh;
}

void expectTangent(const Vertex& vertex, Vec4 expected) {
    EXPECT_NEAR(vertex.tangent.x, expected.x, 1e-6f);
    EXPECT_NEAR(vertex.tangent.y, expected.y, 1e-6f);
    EXPECT_NEAR(vertex.tangent.z, expected.z, 1e-6f);
    EXPECT_EQ(vertex.tangent.w, 0.0f);
}

}  // namespace

TEST(Tangents, PointAlongGrowingUWhateverTheTextureWinding) {
    MeshGeometry forward = meshOf({at(0, 0, 0, 0, 0), at(1, 0, 0, 1, 0), at(0, 1, 0, 0, 1)}, {0, 1, 2});
    generateTangents(forward);
    for (const Vertex& v : forward.vertices) expectTangent(v, {1, 0, 0, 0});

    MeshGeometry mirrored = meshOf({at(0, 0, 0, 1, 0), at(1, 0, 0, 0, 0), at(0, 1, 0, 1, 1)}, {0, 1, 2});
    generateTangents(mirrored);
    for (const Vertex& v : mirrored.vertices) expectTangent(v, {-1, 0, 0, 0});
}

TEST(Tangents, ContributionsWeighByTheSquareOfTheTextureArea) {
    // Triangle A gives (1, 0, 0) with d = 1; triangle B gives (0, 0, 8) with d = 4.
    MeshGeometry mesh = meshOf({at(0, 0, 0, 0, 0), at(1, 0, 0, 1, 0), at(0, 1, 0, 0, 1), at(0, 0, 1, 2, 0),
                                at(0, 1, 0, 0, 2)},
                               {0, 1, 2, 0, 3, 4});
    generateTangents(mesh);
    float length = std::sqrt(65.0f);
    expectTangent(mesh.vertices[0], {1 / length, 0, 8 / length, 0});
    expectTangent(mesh.vertices[1], {1, 0, 0, 0});
    expectTangent(mesh.vertices[3], {0, 0, 1, 0});
}

TEST(Tangents, VerticesWithoutAUsableSumGetPlusX) {
    // Vertex 3 is unused; the second surface's triangle has equal texture coordinates (a zero
    // sum), and the third has a non-finite position.
    MeshGeometry mesh = meshOf({at(0, 0, 0, 0.5f, 0.5f), at(1, 0, 0, 0.5f, 0.5f), at(0, 1, 0, 0.5f, 0.5f),
                                at(0, 0, 0, 0, 0), at(INFINITY, 0, 0, 1, 0), at(0, 0, 1, 0, 1),
                                at(NAN, 0, 0, 0, 0)},
                               {0, 1, 2});
    mesh.surfaces.push_back(Surface{{4, 5, 6}, 0});
    mesh.surfaces.push_back(Surface{{0, 1, 99, -1, 2, 3}, 0});  // out of range: ignored, no crash
    generateTangents(mesh);
    for (const Vertex& v : mesh.vertices) expectTangent(v, {1, 0, 0, 0});
}
