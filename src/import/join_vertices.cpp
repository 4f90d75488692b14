// Formats that store one vertex per face corner (STL, or OBJ once its separate position,
// normal and texture indices are combined) give a million-triangle model three million
// vertices; sharing the identical ones brings it back to about half a million. This does it
// with one hash table, in a small part of the time of a search for near neighbours.
#include "import/join_vertices.h"

#include <assimp/mesh.h>

#include <bit>
#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kEmpty = UINT32_MAX;

// The attribute arrays the mesh has, each as floats per vertex.
struct AttributeArrays {
    std::vector<const aiVector3D*> vectors;
    std::vector<const aiColor4D*> colours;
};

AttributeArrays attributesOf(const aiMesh& mesh) {
    AttributeArrays a;
    for (const aiVector3D* array : {mesh.mVertices, mesh.mNormals, mesh.mTangents, mesh.mBitangents})
        if (array) a.vectors.push_back(array);
    for (const aiVector3D* array : mesh.mTextureCoords)
        if (array) a.vectors.push_back(array);
    for (const aiColor4D* array : mesh.mColors)
        if (array) a.colours.push_back(array);
    return a;
}

// A float's bits, with -0 taken as 0 so that the two compare and hash alike.
std::uint32_t bitsOf(float value) { return value == 0.0f ? 0u : std::bit_cast<std::uint32_t>(value); }

template <class Visit>
void forEachFloat(const AttributeArrays& a, std::uint32_t vertex, Visit visit) {
    for (const aiVector3D* array : a.vectors) {
        const aiVector3D& v = array[vertex];
        visit(v.x), visit(v.y), visit(v.z);
    }
    for (const aiColor4D* array : a.colours) {
        const aiColor4D& c = array[vertex];
        visit(c.r), visit(c.g), visit(c.b), visit(c.a);
    }
}

std::uint64_t hashOf(const AttributeArrays& a, std::uint32_t vertex) {
    std::uint64_t h = 0x9e3779b97f4a7c15u;
    forEachFloat(a, vertex, [&h](float value) { h = (h ^ bitsOf(value)) * 0x100000001b3u; });
    return h ^ (h >> 29);
}

bool same(float p, float q) { return bitsOf(p) == bitsOf(q); }

bool alike(const AttributeArrays& a, std::uint32_t p, std::uint32_t q) {
    for (const aiVector3D* array : a.vectors) {
        const aiVector3D &u = array[p], &v = array[q];
        if (!same(u.x, v.x) || !same(u.y, v.y) || !same(u.z, v.z)) return false;
    }
    for (const aiColor4D* array : a.colours) {
        const aiColor4D &c = array[p], &d = array[q];
        if (!same(c.r, d.r) || !same(c.g, d.g) || !same(c.b, d.b) || !same(c.a, d.a)) return false;
    }
    return true;
}

// For each vertex, its number after joining (kEmpty for one no face uses), filled in vertex
// order; `kept` receives the vertex each new number keeps.
std::vector<std::uint32_t> newNumbers(const aiMesh& mesh, const std::vector<bool>& used,
                                      std::vector<std::uint32_t>& kept) {
    const AttributeArrays attributes = attributesOf(mesh);
    std::size_t tableSize = 16;
    while (tableSize < 2 * static_cast<std::size_t>(mesh.mNumVertices)) tableSize *= 2;
    std::vector<std::uint32_t> table(tableSize, kEmpty);  // new numbers
    std::vector<std::uint32_t> number(mesh.mNumVertices, kEmpty);
    for (std::uint32_t v = 0; v < mesh.mNumVertices; ++v) {
        if (!used[v]) continue;
        std::size_t slot = hashOf(attributes, v) & (tableSize - 1);
        while (table[slot] != kEmpty && !alike(attributes, kept[table[slot]], v)) slot = (slot + 1) & (tableSize - 1);
        if (table[slot] == kEmpty) {
            table[slot] = static_cast<std::uint32_t>(kept.size());
            kept.push_back(v);
        }
        number[v] = table[slot];
    }
    return number;
}

// Moves the kept vertices to the front of an attribute array, in order (kept[k] >= k).
template <class T>
void compact(T* array, const std::vector<std::uint32_t>& kept) {
    if (!array) return;
    for (std::size_t k = 0; k < kept.size(); ++k) array[k] = array[kept[k]];
}

}  // namespace

void joinIdenticalVertices(aiMesh& mesh) {
    std::vector<bool> used(mesh.mNumVertices, false);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        for (unsigned k = 0; k < face.mNumIndices; ++k) {
            if (face.mIndices[k] >= mesh.mNumVertices) return;
            used[face.mIndices[k]] = true;
        }
    }
    std::vector<std::uint32_t> kept;
    const std::vector<std::uint32_t> number = newNumbers(mesh, used, kept);
    for (aiVector3D* array : {mesh.mVertices, mesh.mNormals, mesh.mTangents, mesh.mBitangents}) compact(array, kept);
    for (aiVector3D* array : mesh.mTextureCoords) compact(array, kept);
    for (aiColor4D* array : mesh.mColors) compact(array, kept);
    mesh.mNumVertices = static_cast<unsigned>(kept.size());
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        aiFace& face = mesh.mFaces[f];
        for (unsigned k = 0; k < face.mNumIndices; ++k) face.mIndices[k] = number[face.mIndices[k]];
    }
}
