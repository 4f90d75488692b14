// The whole import: model file in, scene file and its textures out, summary and warnings on
// `out`, failures on `err`.
#pragma once

#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "import/import_options.h"
#include "import/imported_model.h"
#include "import/scene_writer.h"
#include "import/texture_files.h"

// Keeps one decoded texture (the `number`th kept) and returns the name its materials give it.
using TextureKeeper = std::function<std::string(const DecodedImage& picture, int number)>;

// The scene a model read by readModel makes, as quelmar-import writes it: the model fitted into
// the unit sphere (unless options.keepUnits), texture coordinates shifted, materials with each
// distinct texture decoded and handed once to `keep`, the framing cameras and lights, and safe,
// unique names. Takes the model's meshes. The names `keep` gave go to `textureNames`, in order.
SceneDescription describeImport(ImportedModel& model, const ImportOptions& options, const TextureKeeper& keep,
                                std::vector<std::string>& warnings, std::vector<std::string>& textureNames);

// Exit status: 0 on success (with or without warnings), 1 when the model cannot be read or
// the output cannot be written; on a failure no output file is left behind.
int runImport(const ImportOptions& options, std::ostream& out, std::ostream& err);
