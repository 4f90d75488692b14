// The scene-file parser: one forward pass of fixed line patterns over the file in memory.
//
// The file holds six sections in a fixed order: viewport, materials, cameras, lights, the
// scene terms (ambience and attenuation), and meshes. A section of blocks lasts while its
// header matches. Where the format leaves the reader stranded it stops instead of guessing:
// input that ends inside the material, camera or light sections ends the parse, and text in
// the mesh section that is not a TRIMESH header ends it with one error line. A scene without
// cameras, or with meshes but no materials, gets a default so the renderer always has both.
#include "scene/parser.h"

#include <cstddef>
#include <filesystem>
#include <optional>

#include "scene/file_bytes.h"
#include "scene/parse_state.h"
#include "scene/tga.h"

namespace {

void readViewport(SceneParser& parser, RenderContext& context) {
    matchPattern(parser.in, "VIEWPORT\n");
    matchPattern(parser.in, "MIN: %f %f\n", {&context.viewportMinX, &context.viewportMinY});
    matchPattern(parser.in, "MAX: %f %f\n", {&context.viewportMaxX, &context.viewportMaxY});
}

// A map line that never matched (in the first material) leaves no name to look up: no map.
int mapIndex(SceneParser& parser, const std::string& fileName) {
    if (fileName.empty()) return 0;
    return imageTableAcquire(parser.scene.materials.images, fileName, parser.sceneFolder, parser.log);
}

void readMaterialBlock(SceneParser& parser) {
    Material& m = parser.working.material;
    TextCursor& in = parser.in;
    matchPattern(in, "\tAMBIENT: %f %f %f %f\n", {&m.ambient.r, &m.ambient.g, &m.ambient.b, &m.ambient.a});
    matchPattern(in, "\tDIFFUSE: %f %f %f %f\n", {&m.diffuse.r, &m.diffuse.g, &m.diffuse.b, &m.diffuse.a});
    matchPattern(in, "\tSPECULAR: %f %f %f %f\n", {&m.specular.r, &m.specular.g, &m.specular.b, &m.specular.a});
    matchPattern(in, "\tSHININESS: %f\n", {&m.shininess});
    matchPattern(in, "\tTEXTUREMAP: %s\n", {&m.textureMapName});
    matchPattern(in, "\tNORMALMAP: %s\n", {&m.normalMapName});
    // The texture before the normal map: images load in the order the materials name them.
    m.textureMap = mapIndex(parser, m.textureMapName);
    m.normalMap = mapIndex(parser, m.normalMapName);
    materialAppend(parser.scene.materials, m);
}

void readCameraBlock(SceneParser& parser) {
    Camera& c = parser.working.camera;
    TextCursor& in = parser.in;
    matchPattern(in, "\tPOSITION: %f %f %f\n", {&c.position.x, &c.position.y, &c.position.z});
    matchPattern(in, "\tROTATION: %f %f %f\n", {&c.rotation.x, &c.rotation.y, &c.rotation.z});
    matchPattern(in, "\tFIELDOFVIEW: %f\n", {&c.fieldOfView});
    matchPattern(in, "\tNEARPLANE: %f\n", {&c.nearPlane});
    matchPattern(in, "\tFARPLANE: %f\n", {&c.farPlane});
    cameraAppend(parser.scene.cameras, c);
}

void readLightBlock(SceneParser& parser) {
    Light& light = parser.working.light;
    Colour& colour = light.colour;
    matchPattern(parser.in, "\tPOSITION: %f %f %f\n", {&light.position.x, &light.position.y, &light.position.z});
    matchPattern(parser.in, "\tCOLOUR: %f %f %f %f\n", {&colour.r, &colour.g, &colour.b, &colour.a});
    light.position.w = 1.0f;
    lightAppend(parser.scene.lighting, light);
}

// Reads blocks while their header matches (the name goes to `name`). False when the input
// ends where a header should be: the file was cut short, and the parse ends there.
bool readBlocks(SceneParser& parser, std::string_view headerPattern, std::string& name,
                void (*readBlock)(SceneParser&)) {
    for (;;) {
        int header = matchPattern(parser.in, headerPattern, {&name});
        if (header == 0) return true;
        if (header == kEndOfInput) return false;
        readBlock(parser);
        matchPattern(parser.in, "\n");
    }
}

void readSceneTerms(SceneParser& parser) {
    Colour ambience{};
    Attenuation a{};
    matchPattern(parser.in, "SCENEAMBIENCE: %f %f %f %f\n", {&ambience.r, &ambience.g, &ambience.b, &ambience.a});
    setAmbience(parser.scene.lighting, ambience);
    matchPattern(parser.in, "SCENEATTENUATION: %f %f %f\n", {&a.constant, &a.linear, &a.quadratic});
    setAttenuation(parser.scene.lighting, a.constant, a.linear, a.quadratic);
}

void reportUnexpectedText(SceneParser& parser, std::size_t start) {
    std::string_view rest = parser.in.text.substr(start);
    std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
    parser.log.out << "ERROR: Expected a TRIMESH block but found " << quotedForLog(line)
                   << "; the rest of the file is ignored.\n";
}

void readMeshes(SceneParser& parser) {
    for (;;) {
        skipSpace(parser.in);
        if (atEnd(parser.in)) return;
        std::size_t start = parser.in.position;
        if (matchPattern(parser.in, "TRIMESH \"%s\"\n", {&parser.working.mesh.name}) != 1) {
            reportUnexpectedText(parser, start);
            return;
        }
        readMeshBlock(parser);
    }
}

// Meshes need a camera to be seen from and a material to be drawn with. Without any material
// every surface's index 0 names the default, which is then material 0. A scene without meshes
// needs neither, and loads silently.
void addDefaults(Scene& scene, LoadLog log) {
    if (scene.meshes.items.empty()) return;
    if (scene.cameras.items.empty()) {
        cameraAppend(scene.cameras, defaultCamera());
        log.out << "No cameras in the scene: using a default camera at the origin looking along -z.\n";
    }
    if (scene.materials.items.empty()) {
        materialAppend(scene.materials, defaultMaterial());
        log.out << "No materials in the scene: using a default grey material.\n";
    }
}

}  // namespace

std::string quotedForLog(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string shown = "'";
    for (char c : text.substr(0, kLongest)) {
        auto code = static_cast<unsigned char>(c);
        shown += code < 0x20 || code == 0x7f ? '?' : c;
    }
    if (text.size() > kLongest) shown += "...";
    return shown + "'";
}

void sceneParse(Scene& scene, std::string_view text, const std::string& sceneFolder, RenderContext& context,
                LoadLog log) {
    SceneParser parser{TextCursor{text}, scene, sceneFolder, log, {}};
    readViewport(parser, context);
    std::string unkeptName;  // lights are not looked up or shown by name
    bool complete = readBlocks(parser, "MATERIAL \"%s\"\n", parser.working.material.name, readMaterialBlock) &&
                    readBlocks(parser, "CAMERA \"%s\"\n", parser.working.camera.name, readCameraBlock) &&
                    readBlocks(parser, "LIGHT \"%s\"\n", unkeptName, readLightBlock);
    if (complete) {
        readSceneTerms(parser);
        readMeshes(parser);
    }
    addDefaults(scene, log);
}

bool sceneLoad(Scene& scene, const std::string& fileName, RenderContext& context, LoadLog log) {
    std::string why;
    std::optional<std::string> text = readWholeFile(fileName, why);
    if (!text) {
        failureStream(log) << "ERROR: '" << fileName << "' failed to open.\n  " << why << "\n";
        return false;
    }
    std::string sceneFolder = std::filesystem::path(fileName).parent_path().string();
    sceneParse(scene, *text, sceneFolder, context, log);
    return true;
}
