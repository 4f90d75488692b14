#include "import/importer.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "import/bump_maps.h"
#include "import/framing.h"
#include "import/image_formats.h"
#include "import/model_reader.h"
#include "import/normals.h"
#include "import/scene_writer.h"
#include "import/staged_files.h"
#include "import/two_sided.h"
#include "import/up_axis.h"
#include "import/vertex_colours.h"
#include "import/texture_files.h"

namespace fs = std::filesystem;

namespace {

// The texture files of one import: each distinct image is decoded and written once, however
// many materials use it, under the scene's name and a number.
struct TextureWriter {
    const ImportedModel& model;
    const ImportOptions& options;
    fs::path folder;
    std::string baseName;
    StagedFiles& files;
    std::vector<std::string>& warnings;
    std::map<std::string, std::string> written;  // image key -> TGA file name ("" if it failed)
    std::map<std::string, Colour> averages;      // image key -> the image's average colour
    std::map<std::string, std::string> bumpFiles;  // as `written`, for images in bump slots
    std::map<std::string, bool> heightMaps;        // image key -> read from a bump slot, not a normal map
    std::vector<std::string> names;
    std::string failure;  // set when a staged file cannot be written

    // The TGA file name for the reference, or "None" when there is no usable image; then
    // `average` (when given) is set to the image's average colour.
    std::string fileFor(const ImageReference& reference, Colour* average = nullptr) {
        if (!reference.present()) return "None";
        std::string key;
        std::optional<DecodedImage> picture = load(reference, key, written);
        if (!written.count(key)) {
            written[key] = picture ? store(*picture) : "";
            if (picture) {
                float rgb[3];
                averageColour(*picture, rgb);
                averages[key] = {rgb[0], rgb[1], rgb[2], 1.0f};
            }
        }
        if (average && averages.count(key)) *average = averages[key];
        return written[key].empty() ? "None" : written[key];
    }

    // The TGA file name for an image in a bump slot when it is a tangent-space normal map;
    // otherwise "None", with `heightMap` set when the image was read and is not one.
    std::string normalMapInBumpSlot(const ImageReference& reference, bool& heightMap) {
        std::string key;
        std::optional<DecodedImage> picture = load(reference, key, bumpFiles);
        if (!bumpFiles.count(key)) {
            bool normalMap = picture && looksLikeNormalMap(*picture);
            heightMaps[key] = picture && !normalMap;
            bumpFiles[key] = normalMap ? store(*picture) : "";
        }
        heightMap = heightMaps[key];
        return bumpFiles[key].empty() ? "None" : bumpFiles[key];
    }

    // The image, or nothing when it is already in `done` (or cannot be had); `key` names it.
    std::optional<DecodedImage> load(const ImageReference& reference, std::string& key,
                                     const std::map<std::string, std::string>& done) {
        std::string why;
        if (reference.embedded >= 0 && reference.embedded < static_cast<int>(model.embeddedImages.size())) {
            key = std::to_string(reference.embedded);
            key.insert(key.begin(), '*');
            if (done.count(key)) return std::nullopt;
            const EmbeddedImage& embedded = model.embeddedImages[reference.embedded];
            if (embedded.compressed.empty()) return rawImage(embedded.width, embedded.height, embedded.rgba);
            std::optional<DecodedImage> picture = decodeImage(embedded.compressed, why);
            if (!picture)
                warn("embedded texture '" + embedded.name + "' cannot be decoded (" +
                     undecodableReason(embedded.compressed, why) + ")");
            return picture;
        }
        std::optional<std::string> path = findTextureFile(reference.name, model.folder);
        // Some formats (MD3, MD2, ...) name their skins without an extension.
        if (!path && fs::path(reference.name).extension().empty())
            for (int i = 0; i < kImageExtensionCount && !path; ++i)
                path = findTextureFile(reference.name + kImageExtensions[i], model.folder);
        std::error_code error;
        key = path ? fs::weakly_canonical(*path, error).string() : "?" + reference.name;
        if (path && error) key = *path;
        if (done.count(key)) return std::nullopt;
        if (!path) {
            warn("texture '" + reference.name + "' not found");
            return std::nullopt;
        }
        std::ifstream file(*path, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::optional<DecodedImage> picture = decodeImage(bytes, why);
        if (!picture) warn("texture '" + reference.name + "' cannot be decoded (" + undecodableReason(bytes, why) + ")");
        return picture;
    }

    void warn(const std::string& text) { warnings.push_back(text + "; its materials are left without it"); }

    std::string store(const DecodedImage& picture) {
        std::string name = baseName + "-" + std::to_string(names.size()) + ".tga";
        std::string why;
        if (!files.stage((folder / name).string(), tgaBytes(downsize(picture, options.maxTexture)), why) &&
            failure.empty())
            failure = why;
        names.push_back(name);
        return name;
    }
};

std::vector<Material> sceneMaterials(const ImportedModel& model, TextureWriter& textures,
                                     std::vector<std::string>& warnings) {
    std::vector<Material> materials;
    std::set<std::string> taken;
    for (const ImportedMaterial& m : model.materials) {
        Material out;
        out.name = safeName(m.name, "material", taken);
        out.diffuse = m.diffuse;
        out.specular = m.specular;
        out.shininess = m.shininess;
        // Ambient light shows the surface's own colour where the file gives none: the diffuse
        // colour, or the texture's average colour, since the ambient term is never textured.
        Colour textureAverage = m.diffuse;
        out.textureMapName = textures.fileFor(m.diffuseMap, &textureAverage);
        out.normalMapName = textures.fileFor(m.normalMap);
        if (!m.normalMap.present() && m.bumpMap.present()) {
            bool heightMap = false;
            out.normalMapName = textures.normalMapInBumpSlot(m.bumpMap, heightMap);
            if (heightMap)
                warnings.push_back("material '" + m.name + "': '" + m.bumpMap.name +
                                   "' is a height (bump) map, not a normal map (not mostly bluish with red and "
                                   "green about 0.5); left out");
        }
        out.ambient = m.hasAmbient ? m.ambient : textureAverage;
        materials.push_back(out);
    }
    return materials;
}

std::string fileNameSafe(std::string name) {
    for (char& c : name)
        if (static_cast<unsigned char>(c) <= ' ' || c == '"') c = '_';
    return name.empty() ? "scene" : name;
}

void printSummary(std::ostream& out, const ImportOptions& options, const std::string& scenePath,
                  const SceneDescription& scene, const TextureWriter& textures, const ImportedModel& model,
                  const std::vector<std::string>& notes, const std::vector<std::string>& warnings) {
    std::size_t vertices = 0, triangles = 0;
    for (const ImportedMesh& mesh : scene.meshes) {
        vertices += mesh.vertices.size();
        triangles += mesh.indices.size() / 3;
    }
    out << "Imported '" << options.model << "' into '" << scenePath << "'\n";
    out << "  meshes: " << scene.meshes.size() << "\n";
    out << "  vertices: " << vertices << "\n";
    out << "  triangles: " << triangles << "\n";
    out << "  materials: " << scene.materials.size() << "\n";
    out << "  textures written: " << textures.names.size();
    for (const std::string& name : textures.names) out << (&name == &textures.names[0] ? " (" : ", ") << name;
    out << (textures.names.empty() ? "\n" : ")\n");
    for (const std::string& note : notes) out << "  " << note << "\n";
    if (model.droppedTriangles > 0) out << "  triangles dropped (no area, or corners not finite): " << model.droppedTriangles << "\n";
    if (model.turnedMeshes > 0) out << "  meshes whose normals pointed inwards (turned): " << model.turnedMeshes << "\n";
    for (const std::string& warning : warnings) out << "warning: " << warning << "\n";
}

// Normals where the file has none, and in place of file normals that mostly disagree with
// their faces (those would light the wrong side).
void makeMissingNormals(std::vector<ImportedMesh>& meshes, float creaseAngle, std::vector<std::string>& warnings) {
    for (ImportedMesh& mesh : meshes) {
        if (!mesh.fileNormals) {
            generateNormals(mesh, creaseAngle);
            continue;
        }
        double against = shareAgainstFaces(mesh);
        if (against <= kMostlyWrongNormals) continue;
        generateNormals(mesh, creaseAngle);
        warnings.push_back("mesh '" + mesh.name + "': " + std::to_string(static_cast<int>(against * 100 + 0.5)) +
                           "% of its normals point against their faces; made new ones");
    }
}

}  // namespace

int runImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<std::string> warnings;
    std::string why;
    std::optional<ImportedModel> model = readModel(options.model, warnings, why);
    if (!model) {
        err << "quelmar-import: cannot read '" << options.model << "': " << why << "\n";
        return 1;
    }

    // Colours first: the meshes they split get their normals made as parts of their own.
    ColourSplit colours = splitByVertexColour(*model);
    makeMissingNormals(model->meshes, options.creaseAngle, warnings);
    UpChoice up = chooseUpAxis(options.up, *model);
    turnToYUp(model->meshes, up.up);
    std::vector<std::string> notes = {"up axis: " + upAxisName(up.up) + " (" + up.why + ")"};
    if (colours.meshes > 0)
        notes.push_back("vertex colours kept as materials: " + std::to_string(colours.colours) + " colours in " +
                        std::to_string(colours.meshes) + (colours.meshes == 1 ? " mesh" : " meshes"));
    if (int twoSided = addBackFacesOfTwoSided(model->meshes, model->materials))
        notes.push_back("two-sided meshes (faces written twice, back to back): " + std::to_string(twoSided));
    ModelBounds bounds = modelBounds(model->meshes);
    if (!options.keepUnits) fitToUnitSphere(model->meshes, bounds);
    for (ImportedMesh& mesh : model->meshes) shiftTextureCoordinates(mesh);

    const std::string scenePath = options.output.empty() ? defaultSceneFile(options.model) : options.output;
    StagedFiles files;
    TextureWriter textures{*model, options, fs::path(scenePath).parent_path(),
                           fileNameSafe(fs::path(scenePath).stem().string()), files, warnings, {}, {}, {}, {}, {}, {}};

    SceneDescription scene;
    scene.viewportWidth = options.width;
    scene.viewportHeight = options.height;
    scene.materials = sceneMaterials(*model, textures, warnings);
    scene.cameras = framingCameras(model->meshes, bounds, options.width, options.height);
    scene.lights = framingLights(scene.cameras[0], bounds);
    std::set<std::string> meshNames;
    for (ImportedMesh& mesh : model->meshes) mesh.name = safeName(mesh.name, "mesh", meshNames);
    scene.meshes = std::move(model->meshes);

    if (!textures.failure.empty() || !files.stage(scenePath, sceneText(scene), why) || !files.commit(why)) {
        err << "quelmar-import: " << (textures.failure.empty() ? why : textures.failure) << "\n";
        return 1;
    }
    printSummary(out, options, scenePath, scene, textures, *model, notes, warnings);
    return 0;
}
