// The scene-file parser: one forward pass of fixed line patterns that fills a Scene.
#pragma once

#include <string>
#include <string_view>

#include "core/render_context.h"
#include "scene/load_log.h"
#include "scene/scene.h"

// Reads the scene file into `scene`, stores the VIEWPORT rectangle in `context`, loads every
// image a material names (relative to the working directory, then to the scene file's folder),
// builds every mesh's tangents and model matrix, and logs to `log`. A file that cannot be
// opened is reported, leaves the scene empty and gives false.
bool sceneLoad(Scene& scene, const std::string& fileName, RenderContext& context, LoadLog log = {});

// The same from text already in memory; image names are looked up in the working directory and
// then in `sceneFolder` (empty for none). Messages name the text `sourceName`.
void sceneParse(Scene& scene, std::string_view text, const std::string& sceneFolder, RenderContext& context,
                LoadLog log = {}, std::string_view sourceName = "<stdin>");
