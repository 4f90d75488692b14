// The importer's own code on what a model reader's child process could send back: the reply
// decoder and its checks, then, for a reply that passes, polygon cutting, framing, names and
// the scene writer. The child runs the parser, so any bytes may arrive; none may crash the
// importer, and a reply that passes its checks must be framed with finite numbers.
//
// Seeds (fuzz/corpus/import_reply) are the replies for small models of several formats from
// Debian's assimp-testmodels, as encodeReply writes them.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "import/framing.h"
#include "import/model_wire.h"
#include "import/polygon_triangulation.h"
#include "import/scene_writer.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool finite(Vec3 v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Each mesh's vertices taken as one polygon (the way a file's many-cornered face arrives).
void cutAsPolygons(const ImportedModel& model) {
    for (const ImportedMesh& mesh : model.meshes) {
        std::vector<Vec3> corners;
        for (std::size_t i = 0; i < mesh.vertices.size() && i < 4096; ++i) corners.push_back(mesh.vertices[i].position);
        std::vector<std::array<int, 3>> triangles = triangulatePolygon(corners);
        require(corners.size() < 3 ? triangles.empty() : triangles.size() == corners.size() - 2);
        for (const std::array<int, 3>& t : triangles)
            for (int k : t) require(k >= 0 && static_cast<std::size_t>(k) < corners.size());
    }
}

void writeScene(ImportedModel& model, bool keepUnits) {
    ModelBounds bounds = modelBounds(model.meshes);
    if (!keepUnits) fitToUnitSphere(model.meshes, bounds);
    for (ImportedMesh& mesh : model.meshes) shiftTextureCoordinates(mesh);
    SceneDescription scene;
    std::set<std::string> materialNames, meshNames;
    for (const ImportedMaterial& m : model.materials) {
        Material out;
        out.name = safeName(m.name, "material", materialNames);
        out.ambient = m.ambient;
        out.diffuse = m.diffuse;
        out.specular = m.specular;
        out.shininess = m.shininess;
        out.textureMapName = out.normalMapName = "None";
        scene.materials.push_back(out);
    }
    scene.cameras = framingCameras(model.meshes, bounds, 800, 600);
    scene.lights = framingLights(scene.cameras[0], bounds);
    for (const Camera& camera : scene.cameras) require(finite(camera.position) && std::isfinite(camera.farPlane));
    for (ImportedMesh& mesh : model.meshes) {
        mesh.name = safeName(mesh.name, "mesh", meshNames);
        for (const ImportedVertex& v : mesh.vertices) require(finite(v.position));
    }
    scene.meshes = std::move(model.meshes);
    require(!sceneText(scene).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string why;
    std::optional<ReaderReply> reply = decodeReply(bytes, why);
    if (!reply) {
        require(!why.empty());
        return 0;
    }
    require(encodeReply(*reply) == bytes);  // one encoding per reply
    if (!reply->read) return 0;             // the importer reports the reader's failure
    if (!checkModel(reply->model, why)) {
        require(!why.empty());
        return 0;
    }
    cutAsPolygons(reply->model);
    writeScene(reply->model, size % 2 == 1);
    return 0;
}
