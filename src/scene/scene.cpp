#include "scene/scene.h"

#include "scene/placement.h"

Scene sceneCreate() {
    Scene scene;
    auto none = std::make_unique<Image>(imageCreate(2, 2));
    imageFill(*none, makeColour(1, 1, 1, 0));
    scene.materials.images.entries.push_back({"None", std::move(none)});
    return scene;
}

Camera defaultCamera() {
    Camera camera;
    camera.fieldOfView = 60;
    camera.nearPlane = 1;
    camera.farPlane = 100;
    return camera;
}

const Material& defaultMaterial() {
    static const Material grey = [] {
        Material m;
        m.name = "Default";
        m.ambient = makeColour(0.2f, 0.2f, 0.2f, 1);
        m.diffuse = makeColour(0.8f, 0.8f, 0.8f, 1);
        m.specular = makeColour(0, 0, 0, 1);
        m.shininess = 1;
        m.textureMapName = m.normalMapName = "None";
        return m;
    }();
    return grey;
}

namespace {
template <class T>
int appendItem(std::vector<T>& items, T item) {
    items.push_back(std::move(item));
    return static_cast<int>(items.size()) - 1;
}
}  // namespace

int cameraAppend(CameraList& list, const Camera& camera) { return appendItem(list.items, camera); }
int lightAppend(SceneLighting& lighting, const Light& light) { return appendItem(lighting.lights, light); }
int materialAppend(MaterialList& list, const Material& material) { return appendItem(list.items, material); }
int geometryAppend(std::vector<MeshGeometry>& geometry, MeshGeometry meshGeometry) {
    return appendItem(geometry, std::move(meshGeometry));
}

int meshAppend(MeshList& list, TriMesh mesh) {
    mesh.modelMatrix = meshPlacementMatrix(mesh.position, mesh.rotation);
    return appendItem(list.items, std::move(mesh));
}

void setAmbience(SceneLighting& lighting, Colour colour) { lighting.ambience = colour; }

void setAttenuation(SceneLighting& lighting, float constant, float linear, float quadratic) {
    lighting.attenuation = {constant, linear, quadratic};
}

int findMaterial(const MaterialList& list, const std::string& name) {
    int found = 0;
    for (size_t i = 0; i < list.items.size(); ++i)
        if (list.items[i].name == name) found = static_cast<int>(i);
    return found;
}

const Image* imageAt(const ImageTable& table, int entry) {
    if (entry <= 0 || entry >= static_cast<int>(table.entries.size())) return nullptr;
    const Image* image = table.entries[static_cast<size_t>(entry)].image.get();
    if (!image || image->width <= 0 || image->height <= 0) return nullptr;
    return image;
}
