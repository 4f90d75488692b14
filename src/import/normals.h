// Normals made by the importer, and the test for file normals too wrong to keep.
#pragma once

#include "import/imported_model.h"

// Gives every corner the area-weighted sum of the normals of the triangles that meet at its
// position and whose faces turn from its own by at most `creaseDegrees`: smooth across gentle
// bends, hard at sharper edges. A vertex whose corners get different normals is split. Linear
// in the number of triangles: corners are grouped by hashed position, and a position shared by
// very many triangles (the tip of a fine cone) is split into a bounded number of fans.
void generateNormals(ImportedMesh& mesh, float creaseDegrees);

// The share of the mesh's triangle corners whose normal points against the triangle's face
// (negative dot product with its winding's normal); 0 for a mesh without triangles.
double shareAgainstFaces(const ImportedMesh& mesh);

// File normals pointing against their faces on more than this share of a mesh's corners are
// replaced by generated ones.
constexpr double kMostlyWrongNormals = 0.05;
