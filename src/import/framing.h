// Fitting the model into the scene: its size, the shift of texture coordinates, and the
// cameras and lights placed from what each camera actually sees.
#pragma once

#include <array>
#include <cmath>
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

// The model's axis-aligned box, in double; low above high when there are no vertices.
struct ModelBox {
    std::array<double, 3> low{INFINITY, INFINITY, INFINITY};
    std::array<double, 3> high{-INFINITY, -INFINITY, -INFINITY};
};
ModelBox modelBox(const std::vector<ImportedMesh>& meshes);

// Moves the model's centre to the origin and scales it to radius 1; the bounds then describe
// the result. A model of a single point is only moved.
void fitToUnitSphere(std::vector<ImportedMesh>& meshes, ModelBounds& bounds);

// Shifts the texture coordinates of each mesh by whole numbers so that none is negative; a
// repeating texture looks the same, and the renderer repeats only towards larger coordinates.
void shiftTextureCoordinates(ImportedMesh& mesh);

// The share of the viewport's narrower side the framed model spans in its limiting direction;
// the margin left round it is the same number of pixels on every side.
constexpr double kFramedShare = 0.875;

// The cameras, in order: a raised three-quarter view from the front right, then front (looking
// along -z), side (from +x) and top (looking down, the model's front at the bottom). The model
// is y-up with its front towards +z. All share one field of view and one pair of planes, since
// the projection is built from the first camera's and kept when the user steps to another.
// Each stands where the model's vertices, put through the renderer's own view and projection,
// span kFramedShare of the viewport of this size in the limiting direction, centred, with every
// vertex inside the picture and beyond the distance of about 1 at which the projection clips.
// A model too small to be framed from there is seen with a narrower field of view.
std::vector<Camera> framingCameras(const std::vector<ImportedMesh>& meshes, const ModelBounds& bounds, int width,
                                   int height);

// The share of each side of the viewport the model spans from `camera`, through the renderer's
// view and projection with the first camera's field of view and planes; a share above 1, or a
// vertex in front of the near clipping distance, means the model is cut off.
struct ProjectedExtent {
    double widthShare = 0;
    double heightShare = 0;
    double lowX = 0, highX = 0, lowY = 0, highY = 0;  // normalised device coordinates
    bool clipped = false;
};
ProjectedExtent projectedExtent(const std::vector<ImportedMesh>& meshes, Camera camera, const Camera& first,
                                int width, int height);

// A key light above and beside the first camera, so that every side it sees is lit, and a
// dimmer fill light from its right.
std::vector<Light> framingLights(const Camera& first, const ModelBounds& bounds);
