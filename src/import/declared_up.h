// The up axis a model file declares, or that its format implies, as Assimp leaves the scene.
#pragma once

#include <string>

struct aiScene;
struct ImportedModel;

// Sets the model's `declaredUp` and `declaredUpSource` when the file or its format says which
// way is up: FBX's UpAxis and UpAxisSign, glTF (y-up by definition), B3D (y-up by convention),
// STL and Blender (z-up by convention). COLLADA's up_axis and 3DS's z-up are turned by Assimp as it reads them, so those
// models are y-up already; the source then says so. Other formats are left undeclared.
void noteDeclaredUp(const aiScene& scene, const std::string& path, ImportedModel& model);
