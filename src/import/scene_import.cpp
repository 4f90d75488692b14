#include "import/scene_import.h"

#include <optional>
#include <vector>

#include "import/importer.h"
#include "import/model_reader.h"
#include "scene/parser.h"
#include "scene/tga.h"

bool importScene(const ImportOptions& options, Scene& scene, RenderContext& context, LoadLog log, std::string& why) {
    std::vector<std::string> warnings;
    std::optional<ImportedModel> model = readModel(options.model, warnings, why, readerSettings(options));
    if (!model) return false;

    // Each texture goes through the TGA bytes quelmar-import would write and the loader's
    // decoder, so its texels are exactly those of the two-step route. Registered under its name
    // before the scene is parsed, it is found in the table rather than looked for on disk.
    ImageTable& images = scene.materials.images;
    TextureSink inMemory;
    inMemory.keep = [&](const DecodedImage& picture, int number) {
        std::string name = "(texture-" + std::to_string(number) + ")";
        int bytesPerPixel = 0;
        std::string decodeWhy;
        std::unique_ptr<Image> image = tgaDecode(tgaBytes(downsize(picture, options.maxTexture)), bytesPerPixel, decodeWhy);
        if (!image) {
            warnings.push_back("texture " + std::to_string(number) + " cannot be kept (" + decodeWhy + ")");
            return std::string("None");
        }
        images.entries.push_back({name, std::move(image)});
        return name;
    };
    std::vector<std::string> notes, textureNames;
    SceneDescription description = describeImport(*model, options, inMemory, warnings, notes, textureNames);
    sceneParse(scene, sceneText(description), "", context, log);
    for (const std::string& note : notes) log.out << "import: " << note << "\n";
    for (const std::string& warning : warnings) log.out << "warning: " << warning << "\n";
    return true;
}
