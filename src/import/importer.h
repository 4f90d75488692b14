// The whole import: model file in, scene file and its textures out, summary and warnings on
// `out`, failures on `err`. describeImport is the part shared with opening a model in memory.
#pragma once

#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "import/import_options.h"
#include "import/imported_model.h"
#include "import/reader_process.h"
#include "import/scene_writer.h"
#include "import/texture_files.h"

// Keeps one decoded texture (the `number`th kept) and returns the name its materials give it.
using TextureKeeper = std::function<std::string(const DecodedImage& picture, int number)>;

// Where describeImport's textures go: `keep` stores each distinct one. When `stopped` is set
// and says true (an interrupt, or a texture that could not be stored), the remaining textures
// are left out. `located` may already hold the file found for a texture name.
struct TextureSink {
    TextureKeeper keep;
    std::function<bool()> stopped;
    std::map<std::string, std::optional<std::string>> located;
};

// The reader's limits and search folders as the options give them.
ReaderSettings readerSettings(const ImportOptions& options);

// The scene a model read by readModel makes, as quelmar-import writes it: vertex colours split
// into materials, normals made where needed, the model turned upright, two-sided faces doubled,
// fitted into the unit sphere (unless options.keepUnits), texture coordinates shifted,
// materials with each distinct texture decoded and handed once to the sink, the framing
// cameras and lights, and safe, unique names. Takes the model's meshes. Lines for the summary
// go to `notes`; the names the sink gave go to `textureNames`, in order.
SceneDescription describeImport(ImportedModel& model, const ImportOptions& options, const TextureSink& textures,
                                std::vector<std::string>& warnings, std::vector<std::string>& notes,
                                std::vector<std::string>& textureNames);

// Exit status: 0 on success (with or without warnings), 1 when the model cannot be read or
// the output cannot be written; on a failure no existing file is changed.
int runImport(const ImportOptions& options, std::ostream& out, std::ostream& err);
