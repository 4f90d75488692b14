// A model opened as a scene, in memory: what quelmar-import writes and the scene loader then
// reads, without a file on disk.
#pragma once

#include <string>

#include "core/render_context.h"
#include "import/import_options.h"
#include "scene/load_log.h"
#include "scene/scene.h"

// Reads the model (through readModel, with its limits) and fills the empty `scene`, and the
// viewport of `context`, exactly as loading the scene quelmar-import makes of it with `options`
// would: the same fitting, materials, cameras and lights, and textures decoded and shrunk as
// the written TGA files would be, but kept in the scene's image table. Nothing is written. The
// loader's lines and then one "warning: ..." line per import warning go to `log.out`. False,
// with the reason in `why`, when the model cannot be read.
bool importScene(const ImportOptions& options, Scene& scene, RenderContext& context, LoadLog log, std::string& why);
