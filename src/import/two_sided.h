// Faces seen from both sides. The renderer culls faces turned away from the camera, so a
// two-sided surface is written twice, the second time facing the other way.
#pragma once

#include <vector>

#include "import/imported_model.h"

// Appends to the mesh a copy of each of its vertices with the normal reversed, and of each of
// its triangles with the winding reversed, using those copies.
void addBackFaces(ImportedMesh& mesh);

// addBackFaces for every mesh whose material is two-sided; the number of such meshes.
int addBackFacesOfTwoSided(std::vector<ImportedMesh>& meshes, const std::vector<ImportedMaterial>& materials);
