// The in-memory scene: cameras, lights, materials with the images they name, and meshes.
//
// Start-up creates it with sceneCreate, the loader fills it once, and from then on the
// renderer only reads it, apart from the current camera index (camera keys), the current
// camera's folded angles and basis (rebuilt with every view matrix) and the eye position.
//
// Names are kept exactly as the loader read them: a quoted name keeps its closing quote, so
// MATERIAL "Red" is stored as the four characters R, e, d, ". Names of any length are kept
// whole and compared byte for byte.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/image.h"
#include "core/math.h"
#include "core/vertex.h"

struct Camera {
    std::string name;       // as read, closing quote included (see above)
    float fieldOfView = 0;  // vertical, degrees
    float nearPlane = 0;
    float farPlane = 0;
    Vec3 position{};
    Vec3 rotation{};  // x pitch, y yaw (degrees); z is kept but unused
    Vec3 right{}, up{}, back{};  // derived from rotation whenever a view matrix is built
};

struct CameraList {
    int current = 0;
    std::vector<Camera> items;
};

struct Light {
    Vec4 position{};  // w = 1
    Colour colour{};
};

// 1 / (constant + linear * d + quadratic * d^2) for a light at distance d.
struct Attenuation {
    float constant = 0;
    float linear = 0;
    float quadratic = 0;
};

struct SceneLighting {
    Vec3 eyePosition{};  // the current camera's position, refreshed every frame
    Colour ambience{};
    std::vector<Light> lights;
    Attenuation attenuation{};
};

struct Material {
    std::string name;
    Colour ambient{};
    Colour diffuse{};
    float shininess = 0;
    Colour specular{};
    std::string textureMapName;
    int textureMap = 0;  // index into the image table; 0 means none
    std::string normalMapName;
    int normalMap = 0;
};

struct ImageEntry {
    std::string fileName;  // as the material wrote it
    std::unique_ptr<Image> image;  // owned; its address stays put while the table grows
};

// Entry 0 is the built-in "None": a 2 x 2 image of (1, 1, 1, 0) that drawing never uses.
struct ImageTable {
    std::vector<ImageEntry> entries;
};

struct MaterialList {
    std::vector<Material> items;
    ImageTable images;
};

struct Quaternion {
    float x, y, z, w;
};

struct Surface {
    std::vector<int> indices;  // three per triangle, into the mesh's vertices
    int materialIndex = 0;
};

struct MeshGeometry {
    std::string name;
    std::vector<Vertex> vertices;  // object space
    std::vector<Surface> surfaces;
};

struct TriMesh {
    Vec3 position{};
    Quaternion rotation{0, 0, 0, 1};  // as built from the file's angle and axis, not normalised
    Matrix4 modelMatrix = matrixIdentity();
    std::string name;
    int geometryIndex = 0;
};

// items[i] and geometry[i] come from the same TRIMESH block.
struct MeshList {
    std::vector<TriMesh> items;
    std::vector<MeshGeometry> geometry;
};

struct Scene {
    CameraList cameras;
    SceneLighting lighting;
    MeshList meshes;
    MaterialList materials;
};

// An empty scene whose image table already holds the "None" entry.
Scene sceneCreate();

// What a scene without cameras is drawn from: at the origin, looking along -z, field of view
// 60, planes 1 and 100.
Camera defaultCamera();
// What a scene without materials is drawn with: grey, ambient 0.2, diffuse 0.8, no specular,
// shininess 1, no maps.
const Material& defaultMaterial();

int cameraAppend(CameraList& list, const Camera& camera);
int lightAppend(SceneLighting& lighting, const Light& light);
int materialAppend(MaterialList& list, const Material& material);
int geometryAppend(std::vector<MeshGeometry>& geometry, MeshGeometry meshGeometry);
// Computes the mesh's model matrix from its position and rotation, then appends it.
int meshAppend(MeshList& list, TriMesh mesh);

void setAmbience(SceneLighting& lighting, Colour colour);
void setAttenuation(SceneLighting& lighting, float constant, float linear, float quadratic);

// Index of the last material with this name; 0 when none matches.
int findMaterial(const MaterialList& list, const std::string& name);

// The image a map index stands for when drawing: none for entry 0 ("None", or a map that
// failed to load) and for an index outside the table; an image of width or height 0 counts
// as none as well, so nothing ever samples outside an image.
const Image* imageAt(const ImageTable& table, int entry);
