// The scene-file parser on arbitrary bytes: it must end, stay in bounds, and leave a scene
// that the renderer can rely on: every triangle names existing vertices, and a scene with
// meshes has a camera and a material for every surface.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_support.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

void checkScene(const Scene& scene) {
    const std::size_t materialCount = scene.materials.items.size();
    require(scene.meshes.items.size() == scene.meshes.geometry.size());
    if (!scene.meshes.items.empty()) require(!scene.cameras.items.empty() && materialCount > 0);
    for (std::size_t i = 0; i < scene.meshes.items.size(); ++i) {
        require(scene.meshes.items[i].geometryIndex == static_cast<int>(i));
        const MeshGeometry& geometry = scene.meshes.geometry[i];
        for (const Surface& surface : geometry.surfaces) {
            require(surface.materialIndex >= 0 && static_cast<std::size_t>(surface.materialIndex) < materialCount);
            require(surface.indices.size() % 3 == 0);
            for (int index : surface.indices)
                require(index >= 0 && static_cast<std::size_t>(index) < geometry.vertices.size());
        }
    }
    const ImageTable& table = scene.materials.images;
    for (const Material& material : scene.materials.items) {
        require(material.textureMap >= 0 && material.textureMap < static_cast<int>(table.entries.size()));
        require(material.normalMap >= 0 && material.normalMap < static_cast<int>(table.entries.size()));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Scene scene = sceneCreate();
    RenderContext context;
    fuzzParseScene(scene, context, data, size);
    checkScene(scene);
    return 0;
}
