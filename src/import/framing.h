// Fitting the model into the scene: its size, the shift of texture coordinates, and the
// cameras and lights placed from its bounds.
#pragma once

#include <vector>

#include "core/math.h"
#include "import/imported_model.h"
#include "scene/scene.h"

// The smallest box around every vertex, and the sphere about the box's centre that holds them.
struct ModelBounds {
    Vec3 centre{};
    float radius = 0;
};

ModelBounds modelBounds(const std::vector<ImportedMesh>& meshes);

// Moves the model's centre to the origin and scales it to radius 1; the bounds then describe
// the result. A model of a single point is only moved.
void fitToUnitSphere(std::vector<ImportedMesh>& meshes, ModelBounds& bounds);

// Shifts the texture coordinates of each mesh by whole numbers so that none is negative; a
// repeating texture looks the same, and the renderer repeats only towards larger coordinates.
void shiftTextureCoordinates(ImportedMesh& mesh);

// Front (looking along -z), side (from +x, looking along -x) and top (from +y, looking down)
// cameras, each at the same distance from the centre, with one field of view that frames the
// bounding sphere in a viewport of this aspect (width / height). The near plane stays 1: the
// projection clips at a distance of about 1 whatever its near plane, and a smaller one also
// clips everything beyond a few units. A model that small is framed from farther away with a
// narrower field of view instead.
std::vector<Camera> framingCameras(const ModelBounds& bounds, float aspect);

// A key light above, right and in front of the model and a dimmer fill light from the left.
std::vector<Light> framingLights(const ModelBounds& bounds);
