// Sharing identical vertices: only exact twins are joined (every attribute, -0 as 0), the
// first of each kind and the vertex order are kept, and unused vertices go.
#include <gtest/gtest.h>

#include <assimp/mesh.h>

#include <cmath>
#include <vector>

#include "import/join_vertices.h"

namespace {

struct Corner {
    aiVector3D position;
    aiVector3D texCoord;
};

// A mesh of the given corners, with texture coordinates, and triangles over them.
void fill(aiMesh& mesh, const std::vector<Corner>& corners, const std::vector<std::vector<unsigned>>& faces) {
    mesh.mNumVertices = static_cast<unsigned>(corners.size());
    mesh.mVertices = new aiVector3D[corners.size()];
    mesh.mTextureCoords[0] = new aiVector3D[corners.size()];
    mesh.mNumUVComponents[0] = 2;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        mesh.mVertices[i] = corners[i].position;
        mesh.mTextureCoords[0][i] = corners[i].texCoord;
    }
    mesh.mNumFaces = static_cast<unsigned>(faces.size());
    mesh.mFaces = new aiFace[faces.size()];
    for (std::size_t f = 0; f < faces.size(); ++f) {
        mesh.mFaces[f].mNumIndices = static_cast<unsigned>(faces[f].size());
        mesh.mFaces[f].mIndices = new unsigned[faces[f].size()];
        for (std::size_t k = 0; k < faces[f].size(); ++k) mesh.mFaces[f].mIndices[k] = faces[f][k];
    }
}

std::vector<unsigned> indicesOf(const aiMesh& mesh) {
    std::vector<unsigned> indices;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f)
        indices.insert(indices.end(), mesh.mFaces[f].mIndices, mesh.mFaces[f].mIndices + mesh.mFaces[f].mNumIndices);
    return indices;
}

TEST(ImportJoinVertices, JoinsExactTwinsOnlyKeepingTheFirstInOrder) {
    const float tiny = 1e-7f;
    aiMesh mesh;
    fill(mesh,
         {{{0, 0, 0}, {0, 0, 0}},      // 0
          {{9, 9, 9}, {0, 0, 0}},      // 1: used by no face
          {{1, 0, 0}, {0, 0, 0}},      // 2
          {{0, 1, 0}, {0, 0, 0}},      // 3
          {{-0.0f, 0, 0}, {0, 0, 0}},  // 4: vertex 0 with -0
          {{1, 0, 0}, {0.5f, 0, 0}},   // 5: vertex 2's place, another texture coordinate
          {{0, 1, tiny}, {0, 0, 0}},   // 6: near vertex 3, not the same
          {{1, 0, 0}, {0, 0, 0}}},     // 7: vertex 2 again
         {{0, 2, 3}, {4, 5, 6}, {7, 3, 0}});
    joinIdenticalVertices(mesh);
    ASSERT_EQ(mesh.mNumVertices, 5u);
    EXPECT_EQ(indicesOf(mesh), (std::vector<unsigned>{0, 1, 2, 0, 3, 4, 1, 2, 0}));
    const aiVector3D kept[] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, 1, tiny}};
    for (unsigned i = 0; i < 5; ++i) EXPECT_EQ(mesh.mVertices[i], kept[i]) << i;
    EXPECT_EQ(mesh.mTextureCoords[0][3], aiVector3D(0.5f, 0, 0));
    EXPECT_FALSE(std::signbit(mesh.mVertices[0].x));  // the first of the twins, +0
}

TEST(ImportJoinVertices, LeavesAMeshWithAnIndexOutOfRangeAsItIs) {
    aiMesh mesh;
    fill(mesh, {{{0, 0, 0}, {}}, {{0, 0, 0}, {}}, {{1, 0, 0}, {}}}, {{0, 1, 2}, {0, 1, 3}});
    joinIdenticalVertices(mesh);
    EXPECT_EQ(mesh.mNumVertices, 3u);
    EXPECT_EQ(indicesOf(mesh), (std::vector<unsigned>{0, 1, 2, 0, 1, 3}));
}

}  // namespace
