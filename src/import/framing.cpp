#include "import/framing.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;
constexpr double kDefaultFieldOfView = 60.0;
constexpr double kMargin = 1.1;           // the sphere fills 1 / kMargin of the narrower half-angle
constexpr double kNearestDistance = 1.1;  // no part of the model closer to a camera than this

Camera camera(Vec3 position, float pitch, float yaw, float fieldOfView, float farPlane) {
    Camera c;
    c.position = position;
    c.rotation = {pitch, yaw, 0};
    c.fieldOfView = fieldOfView;
    c.nearPlane = 1;
    c.farPlane = farPlane;
    return c;
}

}  // namespace

// Bounds and scaling are worked out in double: in float, the extent of coordinates near the
// largest accepted (1e30) squares to infinity, and the scale of a model of denormal size is
// infinite.
ModelBounds modelBounds(const std::vector<ImportedMesh>& meshes) {
    double low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            const float p[3] = {v.position.x, v.position.y, v.position.z};
            for (int k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], static_cast<double>(p[k]));
                high[k] = std::max(high[k], static_cast<double>(p[k]));
            }
        }
    ModelBounds bounds;
    if (!(low[0] <= high[0])) return bounds;
    double centre[3];
    for (int k = 0; k < 3; ++k) centre[k] = low[k] + (high[k] - low[k]) * 0.5;
    bounds.centre = {static_cast<float>(centre[0]), static_cast<float>(centre[1]), static_cast<float>(centre[2])};
    double farthest = 0;
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            double dx = v.position.x - centre[0], dy = v.position.y - centre[1], dz = v.position.z - centre[2];
            farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
        }
    bounds.radius = static_cast<float>(std::sqrt(farthest));
    return bounds;
}

void fitToUnitSphere(std::vector<ImportedMesh>& meshes, ModelBounds& bounds) {
    double scale = bounds.radius > 0.0f ? 1.0 / bounds.radius : 1.0;
    const Vec3 c = bounds.centre;
    for (ImportedMesh& mesh : meshes)
        for (ImportedVertex& v : mesh.vertices)
            v.position = {static_cast<float>((static_cast<double>(v.position.x) - c.x) * scale),
                          static_cast<float>((static_cast<double>(v.position.y) - c.y) * scale),
                          static_cast<float>((static_cast<double>(v.position.z) - c.z) * scale)};
    bounds.centre = {0, 0, 0};
    if (bounds.radius > 0.0f) bounds.radius = 1;
}

void shiftTextureCoordinates(ImportedMesh& mesh) {
    if (mesh.vertices.empty()) return;
    float lowU = mesh.vertices[0].texCoord.x, lowV = mesh.vertices[0].texCoord.y;
    for (const ImportedVertex& v : mesh.vertices) {
        lowU = std::min(lowU, v.texCoord.x);
        lowV = std::min(lowV, v.texCoord.y);
    }
    float shiftU = lowU < 0.0f ? -std::floor(lowU) : 0.0f;
    float shiftV = lowV < 0.0f ? -std::floor(lowV) : 0.0f;
    if (shiftU == 0.0f && shiftV == 0.0f) return;
    for (ImportedVertex& v : mesh.vertices) v.texCoord = {v.texCoord.x + shiftU, v.texCoord.y + shiftV};
}

std::vector<Camera> framingCameras(const ModelBounds& bounds, float aspect) {
    double radius = bounds.radius > 0.0f ? bounds.radius : 1.0;
    double halfVertical = kDefaultFieldOfView / 2 / kDegrees;
    double halfHorizontal = std::atan(std::max(static_cast<double>(aspect), 1e-3) * std::tan(halfVertical));
    double distance = kMargin * radius / std::sin(std::min(halfVertical, halfHorizontal));
    double fieldOfView = kDefaultFieldOfView;
    if (distance - radius < kNearestDistance) {
        // Too small to frame from outside the near clipping distance at this angle: stand
        // farther back and narrow the view until the sphere fills it as before.
        distance = radius + kNearestDistance;
        double half = std::asin(kMargin * radius / distance);
        double vertical = aspect >= 1.0f ? half : std::atan(std::tan(half) / aspect);
        fieldOfView = 2 * vertical * kDegrees;
    }
    float d = static_cast<float>(distance);
    float farPlane = static_cast<float>(distance + 2 * radius);
    float fov = static_cast<float>(fieldOfView);
    Vec3 c = bounds.centre;
    return {
        camera({c.x, c.y, c.z + d}, 0, 0, fov, farPlane),
        camera({c.x + d, c.y, c.z}, 0, 270, fov, farPlane),
        camera({c.x, c.y + d, c.z}, -90, 0, fov, farPlane),
    };
}

std::vector<Light> framingLights(const ModelBounds& bounds) {
    float r = bounds.radius > 0.0f ? bounds.radius : 1.0f;
    Vec3 c = bounds.centre;
    Light key{{c.x + 3 * r, c.y + 4 * r, c.z + 5 * r, 1}, {0.85f, 0.85f, 0.8f, 1}};
    Light fill{{c.x - 5 * r, c.y + 1 * r, c.z + 2 * r, 1}, {0.3f, 0.3f, 0.35f, 1}};
    return {key, fill};
}
