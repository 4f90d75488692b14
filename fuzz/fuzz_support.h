// What the fuzz targets share: a private folder of tiny image files for fuzzed scenes to
// name, and the parse every scene target runs.
//
// Scene files name their images relative to the working directory and then to the scene's
// folder. A fuzzed scene must reach only the images made here, never whatever lies around the
// process (a device file or a huge file would turn a parser run into a hang), so every '/' of
// the input is read as '_' (no name can leave the folder) and the working directory is moved
// into the private folder for the duration of the parse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/render_context.h"
#include "scene/scene.h"

// The scene text a fuzz input stands for: its bytes with every '/' replaced by '_'.
std::string fuzzSceneText(const std::uint8_t* data, std::size_t size);

// Parses the input into `scene` and `context` as sceneParse reads a scene file, with the
// private image folders as working directory and scene folder. The load log is discarded.
void fuzzParseScene(Scene& scene, RenderContext& context, const std::uint8_t* data, std::size_t size);
