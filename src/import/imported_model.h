// A model as the importer holds it between reading and writing: every mesh use already placed
// in the model's world, with one material per mesh, plus the images the materials refer to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/math.h"

struct ImportedVertex {
    Vec3 position{};
    Vec3 normal{};
    Vec2 texCoord{};
};

// One use of one of the file's meshes by one node: positions and normals already carry that
// node's transform, triangles are counter-clockwise seen from outside.
struct ImportedMesh {
    std::string name;
    std::vector<ImportedVertex> vertices;
    std::vector<int> indices;  // three per triangle
    int material = 0;
    bool fileNormals = true;  // false: the file has none, and the importer makes them
    std::vector<Colour> colours;  // one per vertex, the file's first colour set; empty if none
};

// Where an image a material names comes from: a file name as the model wrote it, or an image
// stored inside the model file (then `embedded` indexes ImportedModel::embeddedImages).
struct ImageReference {
    std::string name;
    int embedded = -1;
    bool present() const { return !name.empty() || embedded >= 0; }
};

struct ImportedMaterial {
    std::string name;  // as the file has it; made safe and unique when written
    Colour ambient{0, 0, 0, 1};
    bool hasAmbient = false;  // false, or black: the writer derives one from the diffuse colour
    Colour diffuse{0.8f, 0.8f, 0.8f, 1};
    Colour specular{0, 0, 0, 1};
    float shininess = 1;
    ImageReference diffuseMap;
    ImageReference normalMap;
    ImageReference bumpMap;  // a height map, or a normal map in the file's bump slot
    bool twoSided = false;  // its faces are seen from both sides
};

// An image kept inside the model file: either compressed bytes of a common format (PNG, JPEG,
// ...) or raw RGBA texels, top row first.
struct EmbeddedImage {
    std::string name;  // the name the file gives it, for messages
    std::vector<std::uint8_t> compressed;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

struct ImportedModel {
    std::vector<ImportedMesh> meshes;
    std::vector<ImportedMaterial> materials;
    std::vector<EmbeddedImage> embeddedImages;
    std::string folder;  // the model file's folder, where its texture files are looked for
    std::vector<std::string> filesRead;  // the files besides the model the reader read, resolved
    int droppedTriangles = 0;  // left out: no area, or corners not finite
    int turnedMeshes = 0;      // meshes whose normals pointed inwards and were turned
    // The up axis the file declares or its format implies ("+z", "-y", ...; empty when it says
    // nothing), and where that comes from, for the summary.
    std::string declaredUp;
    std::string declaredUpSource;
};
