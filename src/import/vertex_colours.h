// Vertex colours, which the scene format cannot hold, kept as materials: the faces of a mesh
// are grouped by their colour and each group gets a material of that colour.
#pragma once

#include <vector>

#include "import/imported_model.h"

// The most colour groups one mesh is split into.
constexpr int kMostColourGroups = 32;

struct ColourSplit {
    int meshes = 0;   // meshes whose colours became materials
    int colours = 0;  // materials made for them
};

// Every mesh with vertex colours whose material has no diffuse texture is replaced by one mesh
// per colour group: each face's colour is the mean of its corners', quantised (more coarsely
// until there are at most kMostColourGroups groups); a group's material is the mesh's own with
// the group's mean colour as the diffuse colour. Meshes keep their order; colours are dropped.
ColourSplit splitByVertexColour(ImportedModel& model);
