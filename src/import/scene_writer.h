// Writing the scene file's text.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "import/imported_model.h"
#include "scene/scene.h"

// What goes into the file. Names are written between quotes exactly as given, so they must
// already be safe (see safeName); materials' map names are file names or "None".
struct SceneDescription {
    int viewportWidth = 800;
    int viewportHeight = 600;
    std::vector<Material> materials;
    std::vector<Camera> cameras;
    std::vector<Light> lights;
    Colour ambience{0.25f, 0.25f, 0.25f, 1};
    std::vector<ImportedMesh> meshes;  // each names its material by index into `materials`
};

// A name the scene loader reads back whole: blanks, quotes and control characters become '_',
// and an empty name becomes `fallback`. `taken` holds the names given so far; a name already
// in it gets "-2", "-3", ... appended. The result is added to `taken`.
std::string safeName(const std::string& name, const std::string& fallback, std::set<std::string>& taken);

// The scene in the canonical layout, each number in the fewest digits that read back as the
// same float (the floats nine significant digits give), meshes placed at the origin unrotated.
std::string sceneText(const SceneDescription& scene);
