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
#include <sstream>

#include "scene/file_bytes.h"
#include "scene/parse_state.h"
#include "scene/tga.h"

namespace {

void readViewport(SceneParser& parser, RenderContext& context) {
    matchLine(parser, "VIEWPORT\n");
    matchLine(parser, "MIN: %f %f\n", {&context.viewportMinX, &context.viewportMinY});
    matchLine(parser, "MAX: %f %f\n", {&context.viewportMaxX, &context.viewportMaxY});
}

// A map line that never matched (in the first material) leaves no name to look up: no map.
int mapIndex(SceneParser& parser, const std::string& fileName) {
    if (fileName.empty()) return 0;
    int index = imageTableAcquire(parser.scene.materials.images, fileName, parser.sceneFolder, parser.log);
    if (index == 0 && fileName != "None") countError(parser);
    return index;
}

void readMaterialBlock(SceneParser& parser) {
    Material& m = parser.working.material;
    matchLine(parser, "\tAMBIENT: %f %f %f %f\n", {&m.ambient.r, &m.ambient.g, &m.ambient.b, &m.ambient.a});
    matchLine(parser, "\tDIFFUSE: %f %f %f %f\n", {&m.diffuse.r, &m.diffuse.g, &m.diffuse.b, &m.diffuse.a});
    matchLine(parser, "\tSPECULAR: %f %f %f %f\n", {&m.specular.r, &m.specular.g, &m.specular.b, &m.specular.a});
    matchLine(parser, "\tSHININESS: %f\n", {&m.shininess});
    matchLine(parser, "\tTEXTUREMAP: %s\n", {&m.textureMapName});
    matchLine(parser, "\tNORMALMAP: %s\n", {&m.normalMapName});
    // The texture before the normal map: images load in the order the materials name them.
    m.textureMap = mapIndex(parser, m.textureMapName);
    m.normalMap = mapIndex(parser, m.normalMapName);
    materialAppend(parser.scene.materials, m);
}

std::string numberText(float value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// A camera line that gave no value: the camera keeps the previous camera's, or 0 in the first,
// where 0 leaves the picture empty.
void warnAboutMissingCameraValue(SceneParser& parser, const LineMatch& line, const char* keyword, float value,
                                 const char* whatZeroDoes) {
    // Text left over on a line before it stalls the parse too; the error line will say where.
    if (line.result > 0 || line.afterStall || !startsLine(parser, line.start)) return;
    std::string camera = "camera " + writtenName(parser.working.camera.name);
    std::string text = "no " + std::string(keyword) + " line in " + camera + " before this line: ";
    if (value == 0)
        text += std::string(keyword) + " 0 " + whatZeroDoes;
    else
        text += "it keeps the previous camera's " + numberText(value);
    warn(parser, line.start, text);
}

void readCameraBlock(SceneParser& parser) {
    Camera& c = parser.working.camera;
    matchLine(parser, "\tPOSITION: %f %f %f\n", {&c.position.x, &c.position.y, &c.position.z});
    matchLine(parser, "\tROTATION: %f %f %f\n", {&c.rotation.x, &c.rotation.y, &c.rotation.z});
    LineMatch fieldOfView = matchLine(parser, "\tFIELDOFVIEW: %f\n", {&c.fieldOfView});
    warnAboutMissingCameraValue(parser, fieldOfView, "FIELDOFVIEW", c.fieldOfView,
                                "makes the projection infinite: nothing is drawn");
    LineMatch nearPlane = matchLine(parser, "\tNEARPLANE: %f\n", {&c.nearPlane});
    warnAboutMissingCameraValue(parser, nearPlane, "NEARPLANE", c.nearPlane,
                                "makes the projection divide 0 by 0: nothing is drawn (use 1)");
    LineMatch farPlane = matchLine(parser, "\tFARPLANE: %f\n", {&c.farPlane});
    warnAboutMissingCameraValue(parser, farPlane, "FARPLANE", c.farPlane, "clips everything away: nothing is drawn");
    cameraAppend(parser.scene.cameras, c);
}

void readLightBlock(SceneParser& parser) {
    Light& light = parser.working.light;
    Colour& colour = light.colour;
    matchLine(parser, "\tPOSITION: %f %f %f\n", {&light.position.x, &light.position.y, &light.position.z});
    matchLine(parser, "\tCOLOUR: %f %f %f %f\n", {&colour.r, &colour.g, &colour.b, &colour.a});
    light.position.w = 1.0f;
    lightAppend(parser.scene.lighting, light);
}

// Reads blocks while their header matches (the name goes to `name`). False when the input
// ends where a header should be: the file was cut short, and the parse ends there.
bool readBlocks(SceneParser& parser, std::string_view headerPattern, std::string& name,
                void (*readBlock)(SceneParser&)) {
    for (;;) {
        int header = matchLine(parser, headerPattern, {&name}).result;
        if (header == 0) return true;
        if (header == kEndOfInput) return false;
        readBlock(parser);
        matchPattern(parser.in, "\n");
    }
}

void readSceneTerms(SceneParser& parser) {
    Colour ambience{};
    Attenuation a{};
    LineMatch ambienceLine =
        matchLine(parser, "SCENEAMBIENCE: %f %f %f %f\n", {&ambience.r, &ambience.g, &ambience.b, &ambience.a});
    setAmbience(parser.scene.lighting, ambience);
    LineMatch attenuationLine =
        matchLine(parser, "SCENEATTENUATION: %f %f %f\n", {&a.constant, &a.linear, &a.quadratic});
    setAttenuation(parser.scene.lighting, a.constant, a.linear, a.quadratic);
    // When the parse has stalled before the meshes, the error that follows says where; the
    // scene terms are then missing only because of it.
    std::size_t next = nextNonBlank(parser, parser.in.position);
    if (next < parser.in.text.size() && !parser.in.text.substr(next).starts_with("TRIMESH")) return;
    if (ambienceLine.result <= 0)
        warn(parser, ambienceLine.start,
             "no SCENEAMBIENCE line before this line: ambience 0 0 0 0 leaves what no light reaches black");
    if (attenuationLine.result <= 0)
        warn(parser, attenuationLine.start,
             "no SCENEATTENUATION line before this line: attenuation 0 0 0 makes every light infinitely bright, "
             "so lit surfaces come out white (SCENEATTENUATION: 1 0 0 means no fall-off)");
}

void reportUnexpectedText(SceneParser& parser, std::size_t start) {
    std::string_view rest = parser.in.text.substr(start);
    std::string_view line = rest.substr(0, rest.find_first_of("\r\n"));
    reportErrorAtLastFailure(parser, "ERROR: Expected a TRIMESH block but found " + quotedForLog(line) +
                                         "; the rest of the file is ignored.");
}

void readMeshes(SceneParser& parser) {
    for (;;) {
        skipSpace(parser.in);
        if (atEnd(parser.in)) return;
        std::size_t start = parser.in.position;
        if (matchLine(parser, "TRIMESH \"%s\"\n", {&parser.working.mesh.name}).result != 1) {
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

std::string quotedForLog(std::string_view text, std::size_t longest) {
    std::string shown = "'";
    for (char c : text.substr(0, longest)) {
        auto code = static_cast<unsigned char>(c);
        shown += code < 0x20 || code == 0x7f ? '?' : c;
    }
    if (text.size() > longest) shown += "...";
    return shown + "'";
}

void sceneParse(Scene& scene, std::string_view text, const std::string& sceneFolder, RenderContext& context,
                LoadLog log, std::string_view sourceName) {
    SceneParser parser{TextCursor{text}, scene, sceneFolder, log, {}, {}};
    parser.messages.sourceName = sourceName;
    readViewport(parser, context);
    // Lights are not looked up by name; their names only appear in warnings.
    std::string& lightName = parser.working.blockName;
    bool complete = readBlocks(parser, "MATERIAL \"%s\"\n", parser.working.material.name, readMaterialBlock) &&
                    readBlocks(parser, "CAMERA \"%s\"\n", parser.working.camera.name, readCameraBlock) &&
                    readBlocks(parser, "LIGHT \"%s\"\n", lightName, readLightBlock);
    if (complete) {
        readSceneTerms(parser);
        readMeshes(parser);
    }
    addDefaults(scene, log);
    printWarnings(parser);
}

bool sceneLoad(Scene& scene, const std::string& fileName, RenderContext& context, LoadLog log) {
    std::string why;
    std::optional<FileText> text = readWholeFileText(fileName, why);
    if (!text) {
        failureStream(log) << "ERROR: '" << fileName << "' failed to open.\n  " << why << "\n";
        if (log.problems) ++log.problems->errors;
        return false;
    }
    std::string sceneFolder = std::filesystem::path(fileName).parent_path().string();
    sceneParse(scene, text->view(), sceneFolder, context, log, fileName);
    return true;
}
