#include "import/importer.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "import/bump_maps.h"
#include "import/file_access.h"
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

// Texture files larger than this are not read: no sensible texture is, and a model may name
// any large file.
constexpr std::uint64_t kLargestImageFile = 256ull << 20;

// The name of a file with every link and '..' resolved, for comparing files by identity.
std::string canonicalName(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? fs::absolute(path, error).lexically_normal().string() : resolved.string();
}

// The file a texture name stands for; names without an extension (MD3, MD2 and others name
// their skins so) are also tried with the usual image extensions.
std::optional<std::string> locateTexture(const std::string& name, const std::string& modelFolder,
                                         const std::vector<std::string>& searchFolders) {
    std::optional<std::string> path = findTextureFile(name, modelFolder, searchFolders);
    if (!path && fs::path(name).extension().empty())
        for (int i = 0; i < kImageExtensionCount && !path; ++i)
            path = findTextureFile(name + kImageExtensions[i], modelFolder, searchFolders);
    return path;
}

// The textures of one import: each distinct image is decoded and kept once, however many
// materials use it.
struct TextureWriter {
    const ImportedModel& model;
    const ImportOptions& options;
    const TextureSink& sink;
    std::vector<std::string>& warnings;
    std::map<std::string, std::string> written;  // image key -> TGA file name ("" if it failed)
    std::map<std::string, Colour> averages;      // image key -> the image's average colour
    std::map<std::string, std::string> bumpFiles;  // as `written`, for images in bump slots
    std::map<std::string, bool> heightMaps;        // image key -> read from a bump slot, not a normal map
    std::vector<std::string> names;

    bool stopped() const { return sink.stopped && sink.stopped(); }

    // The TGA file name for the reference, or "None" when there is no usable image; then
    // `average` (when given) is set to the image's average colour.
    std::string fileFor(const ImageReference& reference, Colour* average = nullptr) {
        if (!reference.present() || stopped()) return "None";
        std::string key;
        std::optional<DecodedImage> picture = loadWithinMemory(reference, key, written);
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
        heightMap = false;
        if (!reference.present() || stopped()) return "None";
        std::string key;
        std::optional<DecodedImage> picture = loadWithinMemory(reference, key, bumpFiles);
        if (!bumpFiles.count(key)) {
            bool normalMap = picture && looksLikeNormalMap(*picture);
            heightMaps[key] = picture && !normalMap;
            bumpFiles[key] = normalMap ? store(*picture) : "";
        }
        heightMap = heightMaps[key];
        return bumpFiles[key].empty() ? "None" : bumpFiles[key];
    }

    // As load, but an image too large for the memory there is is a warning, not a failure.
    std::optional<DecodedImage> loadWithinMemory(const ImageReference& reference, std::string& key,
                                                 const std::map<std::string, std::string>& done) {
        try {
            return load(reference, key, done);
        } catch (const std::bad_alloc&) {
            warn("texture '" + reference.name + "' needs more memory than there is");
            return std::nullopt;
        }
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
            if (embedded.compressed.empty()) {
                if (static_cast<std::uint64_t>(embedded.width) * static_cast<std::uint64_t>(embedded.height) >
                    kLargestTexturePixels) {
                    warn("embedded texture '" + embedded.name + "' has more than 64 megapixels");
                    return std::nullopt;
                }
                return rawImage(embedded.width, embedded.height, embedded.rgba);
            }
            std::optional<DecodedImage> picture = decodeImage(embedded.compressed, why, options.maxTexture);
            if (!picture) warn("embedded texture '" + embedded.name + "' " + why);
            return picture;
        }
        auto lookup = sink.located.find(reference.name);
        std::optional<std::string> path = lookup != sink.located.end()
                                              ? lookup->second
                                              : locateTexture(reference.name, model.folder, options.searchFolders);
        key = path ? canonicalName(*path) : "?" + reference.name;
        if (done.count(key)) return std::nullopt;
        // A missing file and one that cannot be read get the same words: the reply must not
        // tell what exists where the model points.
        const std::string unreadable = "texture '" + reference.name + "' is missing or not a readable file";
        if (!path) {
            warn(textureNameLeavesTrees(reference.name, model.folder, options.searchFolders)
                     ? outsideWarning("texture", reference.name)
                     : unreadable);
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes;
        FileRead read = readRegularFile(*path, kLargestImageFile, bytes, why);
        if (read != FileRead::ok) {
            warn(read == FileRead::tooLarge ? "texture '" + reference.name + "' is " + why : unreadable);
            return std::nullopt;
        }
        std::optional<DecodedImage> picture = decodeImage(bytes, why, options.maxTexture);
        if (!picture) warn("texture '" + reference.name + "' " + why);
        return picture;
    }

    void warn(const std::string& text) { warnings.push_back(text + "; its materials are left without it"); }

    std::string store(const DecodedImage& picture) {
        std::string name = sink.keep(picture, static_cast<int>(names.size()));
        names.push_back(name);
        return name;
    }
};

// Stages each texture beside the scene file, under the scene's name and a number that is not
// one of the model's own files: a model imported in its own folder may name its textures as
// this importer would.
struct TextureFileStager {
    fs::path folder;
    std::string baseName;
    int maxTexture;
    StagedFiles& files;
    const std::set<std::string>& untouchable;  // files the model uses, never written over
    std::string& failure;                      // set when a staged file cannot be written
    std::set<std::string> taken;

    std::string operator()(const DecodedImage& picture, int number) {
        std::string name = freeName(number);
        taken.insert(name);
        std::string why;
        bool staged = false;
        try {
            staged = files.stage((folder / name).string(), tgaBytes(downsize(picture, maxTexture)), why);
        } catch (const std::bad_alloc&) {
            why = "not enough memory to write '" + name + "'";
        }
        if (!staged && failure.empty()) failure = why;
        return name;
    }

    std::string freeName(int number) const {
        for (;; ++number) {
            std::string name = baseName + "-" + std::to_string(number) + ".tga";
            if (!untouchable.count(canonicalName(folder / name)) && !taken.count(name)) return name;
        }
    }
};

// Every file the model uses that an output could be named like: the model itself, the files
// the reader read with it, and the texture files its materials name (which `located` keeps
// for each texture name).
std::set<std::string> filesOfTheModel(const ImportOptions& options, const ImportedModel& model,
                                      std::map<std::string, std::optional<std::string>>& located) {
    std::set<std::string> files{canonicalName(options.model)};
    for (const std::string& file : model.filesRead) files.insert(canonicalName(file));
    for (const ImportedMaterial& material : model.materials)
        for (const ImageReference* reference : {&material.diffuseMap, &material.normalMap, &material.bumpMap}) {
            if (reference->embedded >= 0 || reference->name.empty() || located.count(reference->name)) continue;
            std::optional<std::string> path = locateTexture(reference->name, model.folder, options.searchFolders);
            located[reference->name] = path;
            if (path) files.insert(canonicalName(*path));
        }
    return files;
}

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

// What kind of warning this is: its text with every quoted name shown as '...'.
std::string warningKind(const std::string& warning) {
    std::string kind;
    bool quoted = false;
    for (char c : warning) {
        if (c == '\'') {
            quoted = !quoted;
            if (quoted) kind += "'...'";
        } else if (!quoted) {
            kind += c;
        }
    }
    return kind;
}

// "99,979"
std::string withThousands(std::size_t number) {
    std::string digits = std::to_string(number), grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped.push_back(',');
        grouped.push_back(digits[i]);
    }
    return grouped;
}

// Every warning, but of one kind (a model may have a hundred thousand materials whose
// textures are missing) only the first kWarningsOfAKind and then how many more there were.
void printWarnings(std::ostream& out, const std::vector<std::string>& warnings) {
    constexpr std::size_t kWarningsOfAKind = 20;
    std::map<std::string, std::size_t> seen;
    std::vector<std::string> kinds;  // in the order of their first warning
    for (const std::string& warning : warnings) {
        std::size_t& count = seen[warningKind(warning)];
        if (count == 0) kinds.push_back(warningKind(warning));
        if (++count <= kWarningsOfAKind) out << "warning: " << warning << "\n";
    }
    for (const std::string& kind : kinds)
        if (seen[kind] > kWarningsOfAKind)
            out << "warning: ... and " << withThousands(seen[kind] - kWarningsOfAKind) << " more: " << kind << "\n";
}

void printSummary(std::ostream& out, const ImportOptions& options, const std::string& scenePath,
                  const SceneDescription& scene, const std::vector<std::string>& textureNames,
                  const ImportedModel& model, const std::vector<std::string>& notes,
                  const std::vector<std::string>& warnings) {
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
    out << "  textures written: " << textureNames.size();
    for (const std::string& name : textureNames) out << (&name == &textureNames[0] ? " (" : ", ") << name;
    out << (textureNames.empty() ? "\n" : ")\n");
    for (const std::string& note : notes) out << "  " << note << "\n";
    if (model.droppedTriangles > 0) out << "  triangles dropped (no area, or corners not finite): " << model.droppedTriangles << "\n";
    if (model.turnedMeshes > 0) out << "  meshes whose normals pointed inwards (turned): " << model.turnedMeshes << "\n";
    printWarnings(out, warnings);
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

ReaderSettings readerSettings(const ImportOptions& options) {
    ReaderSettings reader;
    if (options.memoryLimit > 0) reader.memoryLimit = options.memoryLimit;
    reader.timeLimit = options.timeLimit;
    reader.searchFolders = options.searchFolders;
    return reader;
}

SceneDescription describeImport(ImportedModel& model, const ImportOptions& options, const TextureSink& sink,
                                std::vector<std::string>& warnings, std::vector<std::string>& notes,
                                std::vector<std::string>& textureNames) {
    // Colours first: the meshes they split get their normals made as parts of their own.
    ColourSplit colours = splitByVertexColour(model);
    makeMissingNormals(model.meshes, options.creaseAngle, warnings);
    UpChoice up = chooseUpAxis(options.up, model);
    turnToYUp(model.meshes, up.up);
    notes.push_back("up axis: " + upAxisName(up.up) + " (" + up.why + ")");
    if (colours.meshes > 0)
        notes.push_back("vertex colours kept as materials: " + std::to_string(colours.colours) + " colours in " +
                        std::to_string(colours.meshes) + (colours.meshes == 1 ? " mesh" : " meshes"));
    if (int twoSided = addBackFacesOfTwoSided(model.meshes, model.materials))
        notes.push_back("two-sided meshes (faces written twice, back to back): " + std::to_string(twoSided));
    ModelBounds bounds = modelBounds(model.meshes);
    if (!options.keepUnits) fitToUnitSphere(model.meshes, bounds);
    for (ImportedMesh& mesh : model.meshes) shiftTextureCoordinates(mesh);

    TextureWriter textures{model, options, sink, warnings, {}, {}, {}, {}, {}};
    SceneDescription scene;
    scene.viewportWidth = options.width;
    scene.viewportHeight = options.height;
    scene.materials = sceneMaterials(model, textures, warnings);
    scene.cameras = framingCameras(model.meshes, bounds, options.width, options.height);
    scene.lights = framingLights(scene.cameras[0], bounds);
    std::set<std::string> meshNames;
    for (ImportedMesh& mesh : model.meshes) mesh.name = safeName(mesh.name, "mesh", meshNames);
    scene.meshes = std::move(model.meshes);
    textureNames = textures.names;
    return scene;
}

int runImport(const ImportOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<std::string> warnings;
    std::string why;
    const std::string scenePath = options.output.empty() ? defaultSceneFile(options.model) : options.output;
    if (!writableTarget(scenePath, why)) {
        err << "quelmar-import: " << why << "\n";
        return 1;
    }
    std::optional<ImportedModel> model = readModel(options.model, warnings, why, readerSettings(options));
    if (!model) {
        err << "quelmar-import: cannot read '" << options.model << "': " << why << "\n";
        return 1;
    }

    TextureSink sink;
    const std::set<std::string> untouchable = filesOfTheModel(options, *model, sink.located);
    if (untouchable.count(canonicalName(scenePath))) {
        err << "quelmar-import: cannot write '" << scenePath
            << "': the model itself uses that file; choose another output name\n";
        return 1;
    }
    // Declared before the staged files, so that an interrupt takes effect after they are gone.
    InterruptGuard interrupts;
    StagedFiles files;
    std::string failure;
    sink.keep = TextureFileStager{fs::path(scenePath).parent_path(), fileNameSafe(fs::path(scenePath).stem().string()),
                                  options.maxTexture, files, untouchable, failure, {}};
    sink.stopped = [&] { return !failure.empty() || interrupts.requested(); };

    std::vector<std::string> notes, textureNames;
    SceneDescription scene = describeImport(*model, options, sink, warnings, notes, textureNames);
    if (interrupts.requested()) {
        err << "quelmar-import: interrupted; no file was written\n";
        return 1;
    }
    if (!failure.empty() || !files.stage(scenePath, sceneText(scene), why) || !files.commit(why)) {
        err << "quelmar-import: " << (failure.empty() ? why : failure) << "\n";
        return 1;
    }
    printSummary(out, options, scenePath, scene, textureNames, *model, notes, warnings);
    return 0;
}
