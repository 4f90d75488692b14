#include "import/model_reader.h"

#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <unordered_map>

#include "import/confined_io.h"
#include "import/declared_up.h"
#include "import/join_vertices.h"
#include "import/polygon_triangulation.h"
#include "import/static_scene.h"

namespace {

// Steps run after the meshes have been made triangles with smooth normals here (Assimp's own
// triangulation cuts some concave polygons wrongly, and its normal generation gives files with
// shared corners, such as PLY, one face's normal per corner). Node transforms are applied by
// walking the node tree here rather than by Assimp's pre-transform step: that step merges every
// mesh of one material into one and loses the node names, while a walk keeps one named mesh
// per use and can turn the winding of uses whose transform mirrors them. Assimp's structure
// check runs again first, on the meshes as edited here, so that no later step meets a face it
// cannot handle. Identical vertices are shared here too, exactly and in linear time (Assimp's
// own step, which also joins near neighbours, took most of a million-triangle model's read).
constexpr unsigned kLaterSteps = aiProcess_ValidateDataStructure | aiProcess_SortByPType | aiProcess_FindDegenerates;

// Replaces every face of more than three corners by triangles.
void triangulateFaces(aiMesh& mesh) {
    unsigned count = 0;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f)
        count += mesh.mFaces[f].mNumIndices > 3 ? mesh.mFaces[f].mNumIndices - 2 : 1;
    if (count == mesh.mNumFaces) return;
    auto* faces = new aiFace[count];
    unsigned next = 0;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices <= 3) {
            std::swap(faces[next++], face);
            continue;
        }
        std::vector<Vec3> corners;
        for (unsigned k = 0; k < face.mNumIndices; ++k) {
            const aiVector3D& p = mesh.mVertices[face.mIndices[k]];
            corners.push_back({p.x, p.y, p.z});
        }
        for (const std::array<int, 3>& t : triangulatePolygon(corners)) {
            aiFace& triangle = faces[next++];
            triangle.mNumIndices = 3;
            triangle.mIndices = new unsigned[3];
            for (int k = 0; k < 3; ++k) triangle.mIndices[k] = face.mIndices[t[k]];
        }
    }
    delete[] mesh.mFaces;
    mesh.mFaces = faces;
    mesh.mNumFaces = count;
    mesh.mPrimitiveTypes = (mesh.mPrimitiveTypes & ~aiPrimitiveType_POLYGON) | aiPrimitiveType_TRIANGLE;
}

// Leaves out the meshes without vertices or faces (a file may hold an empty object beside its
// real ones), and faces without corners, which Assimp's structure check would refuse the
// whole model for and its later steps trip on.
void dropEmptyMeshes(aiScene& scene) {
    std::vector<int> newIndex(scene.mNumMeshes, -1);
    unsigned kept = 0;
    for (unsigned i = 0; i < scene.mNumMeshes; ++i) {
        aiMesh* mesh = scene.mMeshes[i];
        unsigned faces = 0;
        for (unsigned f = 0; f < mesh->mNumFaces; ++f)
            if (mesh->mFaces[f].mNumIndices > 0) std::swap(mesh->mFaces[faces++], mesh->mFaces[f]);
        mesh->mNumFaces = faces;  // the faces left over behind the count are still freed with the array
        if (mesh->mNumVertices == 0 || faces == 0) {
            delete mesh;
            continue;
        }
        newIndex[i] = static_cast<int>(kept);
        scene.mMeshes[kept++] = mesh;
    }
    if (kept == scene.mNumMeshes) return;
    scene.mNumMeshes = kept;
    std::vector<aiNode*> nodes{scene.mRootNode};
    while (!nodes.empty()) {
        aiNode* node = nodes.back();
        nodes.pop_back();
        if (!node) continue;
        unsigned uses = 0;
        for (unsigned k = 0; k < node->mNumMeshes; ++k)
            if (node->mMeshes[k] < newIndex.size() && newIndex[node->mMeshes[k]] >= 0)
                node->mMeshes[uses++] = static_cast<unsigned>(newIndex[node->mMeshes[k]]);
        node->mNumMeshes = uses;
        nodes.insert(nodes.end(), node->mChildren, node->mChildren + node->mNumChildren);
    }
}

Colour toColour(const aiColor4D& c) { return {c.r, c.g, c.b, 1.0f}; }

bool readColour(const aiMaterial& material, const char* key, unsigned type, unsigned index, Colour& colour) {
    aiColor4D value;
    if (material.Get(key, type, index, value) != AI_SUCCESS) return false;
    colour = toColour(value);
    return true;
}

bool isBlack(Colour c) { return c.r == 0.0f && c.g == 0.0f && c.b == 0.0f; }

ImageReference imageReference(const aiScene& scene, const aiMaterial& material, aiTextureType type) {
    aiString path;
    if (material.GetTextureCount(type) == 0 || material.GetTexture(type, 0, &path) != AI_SUCCESS) return {};
    ImageReference reference{path.C_Str(), -1};
    if (scene.mNumTextures > 0) reference.embedded = scene.GetEmbeddedTextureAndIndex(path.C_Str()).second;
    return reference;
}

// glTF materials carry roughness and metalness instead of a specular colour and exponent.
// Mapping: exponent 2 / r^4 - 2 (the usual Blinn-Phong match for roughness r; the renderer's
// reflection-vector highlight comes out somewhat smaller), held to 1..512; specular colour
// white at half strength for non-metals and the base colour for metals, blended by metalness,
// times (1 - r).
void specularFromRoughness(ImportedMaterial& out, float roughness, float metallic) {
    float r = std::fmax(roughness, 0.05f);
    float exponent = 2.0f / (r * r * r * r) - 2.0f;
    out.shininess = std::fmin(std::fmax(exponent, 1.0f), 512.0f);
    float strength = 1.0f - std::fmin(std::fmax(roughness, 0.0f), 1.0f);
    Colour base = out.diffuse;
    Colour plain{0.5f, 0.5f, 0.5f, 1.0f};
    Colour mixed = colourLerp(plain, base, std::fmin(std::fmax(metallic, 0.0f), 1.0f));
    out.specular = {mixed.r * strength, mixed.g * strength, mixed.b * strength, 1.0f};
}

ImportedMaterial readMaterial(const aiScene& scene, const aiMaterial& material) {
    ImportedMaterial out;
    aiString name;
    if (material.Get(AI_MATKEY_NAME, name) == AI_SUCCESS) out.name = name.C_Str();
    int twoSided = 0;
    out.twoSided = material.Get(AI_MATKEY_TWOSIDED, twoSided) == AI_SUCCESS && twoSided != 0;
    if (!readColour(material, AI_MATKEY_COLOR_DIFFUSE, out.diffuse)) readColour(material, AI_MATKEY_BASE_COLOR, out.diffuse);
    out.hasAmbient = readColour(material, AI_MATKEY_COLOR_AMBIENT, out.ambient) && !isBlack(out.ambient);

    float roughness = 0;
    if (material.Get(AI_MATKEY_ROUGHNESS_FACTOR, roughness) == AI_SUCCESS) {
        float metallic = 0;
        material.Get(AI_MATKEY_METALLIC_FACTOR, metallic);
        specularFromRoughness(out, roughness, metallic);
    } else {
        readColour(material, AI_MATKEY_COLOR_SPECULAR, out.specular);
        float strength = 1;
        if (material.Get(AI_MATKEY_SHININESS_STRENGTH, strength) == AI_SUCCESS && strength >= 0.0f)
            out.specular = colourScale(out.specular, strength);
        float shininess = 0;
        material.Get(AI_MATKEY_SHININESS, shininess);
        // An exponent below 1 (or none, which Assimp's default materials leave at 0) would
        // light the whole lit side as one highlight: such a material gets no highlight.
        if (!(shininess >= 1.0f)) out.specular = {0, 0, 0, 1};
        out.shininess = std::isfinite(shininess) ? std::fmin(std::fmax(shininess, 1.0f), 1000.0f) : 1.0f;
    }

    out.diffuseMap = imageReference(scene, material, aiTextureType_DIFFUSE);
    if (!out.diffuseMap.present()) out.diffuseMap = imageReference(scene, material, aiTextureType_BASE_COLOR);
    out.normalMap = imageReference(scene, material, aiTextureType_NORMALS);
    // Bump slots often hold normal maps; which one it is shows only in the image.
    out.bumpMap = imageReference(scene, material, aiTextureType_HEIGHT);
    return out;
}

// Assimp's PLY and OFF readers mark the material they make two-sided, though neither format
// has a way to say so; doubling every face of a large scan would only cost time.
bool canMarkTwoSided(const aiScene& scene) {
    aiString format;
    if (!scene.mMetaData || !scene.mMetaData->Get("SourceAsset_Format", format)) return true;
    std::string name = format.C_Str();
    return name.rfind("Stanford Polygon Library", 0) != 0 && name.rfind("OFF Importer", 0) != 0;
}

EmbeddedImage readEmbeddedImage(const aiTexture& texture) {
    EmbeddedImage out;
    out.name = texture.mFilename.length > 0 ? texture.mFilename.C_Str() : "embedded image";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(texture.pcData);
    if (texture.mHeight == 0) {  // compressed: mWidth is the byte count
        out.compressed.assign(bytes, bytes + texture.mWidth);
        return out;
    }
    out.width = static_cast<int>(texture.mWidth);
    out.height = static_cast<int>(texture.mHeight);
    out.rgba.reserve(static_cast<std::size_t>(texture.mWidth) * texture.mHeight * 4);
    for (std::size_t i = 0; i < static_cast<std::size_t>(texture.mWidth) * texture.mHeight; ++i) {
        const aiTexel& t = texture.pcData[i];
        out.rgba.insert(out.rgba.end(), {t.r, t.g, t.b, t.a});
    }
    return out;
}

Vec3 safeNormal(const aiVector3D& n) {
    float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (!(length > 0.0f) || !std::isfinite(length)) return {0, 0, 1};
    return {n.x / length, n.y / length, n.z / length};
}

bool finite(Vec3 p) { return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z); }

// A triangle that could not be drawn: no area, or a corner at an infinite or undefined place.
bool unusable(const ImportedVertex& a, const ImportedVertex& b, const ImportedVertex& c) {
    if (!finite(a.position) || !finite(b.position) || !finite(c.position)) return true;
    Vec3 n = vec3Cross(vec3Sub(b.position, a.position), vec3Sub(c.position, a.position));
    return n.x == 0.0f && n.y == 0.0f && n.z == 0.0f;
}

// Leaves out the vertices no triangle uses (among them those of dropped triangles).
void removeUnusedVertices(ImportedMesh& mesh) {
    std::vector<int> newIndex(mesh.vertices.size(), -1);
    std::vector<ImportedVertex> kept;
    std::vector<Colour> keptColours;
    for (int& index : mesh.indices) {
        if (newIndex[index] < 0) {
            newIndex[index] = static_cast<int>(kept.size());
            kept.push_back(mesh.vertices[index]);
            if (!mesh.colours.empty()) keptColours.push_back(mesh.colours[index]);
        }
        index = newIndex[index];
    }
    mesh.vertices = std::move(kept);
    mesh.colours = std::move(keptColours);
}

// Triangles are drawn by their winding but lit by their normals; files whose normals point
// into the model (some STL writers) would show lit sides from behind. When most triangles
// disagree with their vertices' normals, the normals are turned around.
bool turnInwardNormals(ImportedMesh& mesh) {
    std::size_t disagreeing = 0;
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const ImportedVertex& a = mesh.vertices[mesh.indices[i]];
        const ImportedVertex& b = mesh.vertices[mesh.indices[i + 1]];
        const ImportedVertex& c = mesh.vertices[mesh.indices[i + 2]];
        Vec3 face = vec3Cross(vec3Sub(b.position, a.position), vec3Sub(c.position, a.position));
        Vec3 normals = {a.normal.x + b.normal.x + c.normal.x, a.normal.y + b.normal.y + c.normal.y,
                        a.normal.z + b.normal.z + c.normal.z};
        if (vec3Dot(face, normals) < 0.0f) ++disagreeing;
    }
    if (disagreeing * 2 <= mesh.indices.size() / 3) return false;
    for (ImportedVertex& v : mesh.vertices) v.normal = {-v.normal.x, -v.normal.y, -v.normal.z};
    return true;
}

std::string meshName(const aiNode& node, const aiMesh& mesh) {
    if (node.mName.length > 0) return node.mName.C_Str();
    if (mesh.mName.length > 0) return mesh.mName.C_Str();
    return "mesh";
}

// One use of `mesh` by a node whose accumulated transform is `transform`.
ImportedMesh placeMesh(const aiMesh& mesh, const aiNode& node, const aiMatrix4x4& transform, int& dropped) {
    ImportedMesh out;
    out.name = meshName(node, mesh);
    out.material = static_cast<int>(mesh.mMaterialIndex);
    out.fileNormals = mesh.mNormals != nullptr;
    aiMatrix3x3 normalTransform = aiMatrix3x3(transform).Inverse().Transpose();
    bool mirrored = aiMatrix3x3(transform).Determinant() < 0.0f;
    out.vertices.resize(mesh.mNumVertices);
    for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
        ImportedVertex& v = out.vertices[i];
        aiVector3D p = transform * mesh.mVertices[i];
        v.position = {p.x, p.y, p.z};
        v.normal = mesh.mNormals ? safeNormal(normalTransform * mesh.mNormals[i]) : Vec3{0, 0, 1};
        if (mesh.mColors[0]) {
            const aiColor4D& c = mesh.mColors[0][i];
            out.colours.push_back({c.r, c.g, c.b, 1});
        }
        if (mesh.mTextureCoords[0] && std::isfinite(mesh.mTextureCoords[0][i].x) &&
            std::isfinite(mesh.mTextureCoords[0][i].y))
            v.texCoord = {mesh.mTextureCoords[0][i].x, mesh.mTextureCoords[0][i].y};
    }
    out.indices.reserve(static_cast<std::size_t>(mesh.mNumFaces) * 3);
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
        const aiFace& face = mesh.mFaces[f];
        if (face.mNumIndices != 3) continue;
        int a = static_cast<int>(face.mIndices[0]);
        int b = static_cast<int>(face.mIndices[mirrored ? 2 : 1]);
        int c = static_cast<int>(face.mIndices[mirrored ? 1 : 2]);
        if (unusable(out.vertices[a], out.vertices[b], out.vertices[c])) {
            ++dropped;
            continue;
        }
        out.indices.insert(out.indices.end(), {a, b, c});
    }
    removeUnusedVertices(out);
    return out;
}

void walkNodes(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, ImportedModel& model) {
    aiMatrix4x4 transform = parent * node.mTransformation;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
        if (!(mesh.mPrimitiveTypes & aiPrimitiveType_TRIANGLE)) continue;
        ImportedMesh placed = placeMesh(mesh, node, transform, model.droppedTriangles);
        if (placed.fileNormals && turnInwardNormals(placed)) ++model.turnedMeshes;
        if (!placed.indices.empty()) model.meshes.push_back(std::move(placed));
    }
    for (unsigned i = 0; i < node.mNumChildren; ++i) walkNodes(scene, *node.mChildren[i], transform, model);
}

}  // namespace

std::optional<ImportedModel> readModelInThisProcess(const std::string& path, std::vector<std::string>& warnings,
                                                    std::string& why, const std::vector<std::string>& searchFolders) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        why = std::filesystem::exists(path, error) ? "not a regular file" : std::strerror(ENOENT);
        return std::nullopt;
    }
    Assimp::Importer importer;
    const std::string folder = std::filesystem::path(path).parent_path().string();
    auto* files = new ConfinedIOSystem(readableTrees(folder, searchFolders), path);
    importer.SetIOHandler(files);  // the importer owns it
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    importer.SetPropertyBool(AI_CONFIG_PP_FD_REMOVE, true);
    // Assimp's own area test uses a fixed threshold that would drop the small triangles of
    // models in large units; exact zero areas are dropped after placing instead.
    importer.SetPropertyBool(AI_CONFIG_PP_FD_CHECKAREA, false);
    // Animations, skins and morph targets are dropped before Assimp's structure check, which
    // would otherwise refuse a whole model over a flaw in its motion alone.
    const aiScene* scene = importer.ReadFile(path, 0);
    if (scene && dropMotion(*const_cast<aiScene*>(scene)))
        warnings.push_back("animations, skins and morph targets are left out: the scene holds one still pose");
    if (scene) scene = importer.ApplyPostProcessing(aiProcess_ValidateDataStructure);
    if (scene && !(scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE)) {
        // The importer owns the scene and lets its meshes be changed before its later steps.
        aiScene* editable = const_cast<aiScene*>(scene);
        for (unsigned i = 0; i < editable->mNumMeshes; ++i) {
            triangulateFaces(*editable->mMeshes[i]);
            joinIdenticalVertices(*editable->mMeshes[i]);
        }
        dropEmptyMeshes(*editable);
        scene = importer.ApplyPostProcessing(kLaterSteps);
    }
    for (const std::string& refused : files->refused()) warnings.push_back(outsideWarning("file", refused));
    if (!scene || (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) || !scene->mRootNode) {
        why = scene ? "the file holds no meshes" : importer.GetErrorString();
        if (why.empty()) why = "unknown format";
        // A file it needed was refused: say so, since the reason above may not.
        if (!files->refused().empty()) why += "; " + outsideWarning("file", files->refused().front());
        return std::nullopt;
    }

    ImportedModel model;
    model.folder = std::filesystem::path(path).parent_path().string();
    model.filesRead = files->opened();
    for (unsigned i = 0; i < scene->mNumTextures; ++i) model.embeddedImages.push_back(readEmbeddedImage(*scene->mTextures[i]));
    for (unsigned i = 0; i < scene->mNumMaterials; ++i) model.materials.push_back(readMaterial(*scene, *scene->mMaterials[i]));
    if (!canMarkTwoSided(*scene))
        for (ImportedMaterial& material : model.materials) material.twoSided = false;
    walkNodes(*scene, *scene->mRootNode, aiMatrix4x4(), model);
    noteDeclaredUp(*scene, path, model);
    if (model.meshes.empty()) {
        why = "the file holds no triangles that can be drawn";
        return std::nullopt;
    }
    if (model.materials.empty()) {
        ImportedMaterial fallback;
        fallback.name = "default";
        model.materials.push_back(fallback);
    }
    return model;
}
