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

ModelBounds modelBounds(const std::vector<ImportedMesh>& meshes) {
    Vec3 low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            low = {std::min(low.x, v.position.x), std::min(low.y, v.position.y), std::min(low.z, v.position.z)};
            high = {std::max(high.x, v.position.x), std::max(high.y, v.position.y), std::max(high.z, v.position.z)};
        }
    ModelBounds bounds;
    if (!(low.x <= high.x)) return bounds;
    bounds.centre = {low.x + (high.x - low.x) * 0.5f, low.y + (high.y - low.y) * 0.5f, low.z + (high.z - low.z) * 0.5f};
    double farthest = 0;
    for (const ImportedMesh& mesh : meshes)
        for (const ImportedVertex& v : mesh.vertices) {
            double dx = v.position.x - bounds.centre.x, dy = v.position.y - bounds.centre.y,
                   dz = v.position.z - bounds.centre.z;
            farthest = std::max(farthest, dx * dx + dy * dy + dz * dz);
        }
    bounds.radius = static_cast<float>(std::sqrt(farthest));
    return bounds;
}

void fitToUnitSphere(std::vector<ImportedMesh>& meshes, ModelBounds& bounds) {
    float scale = bounds.radius > 0.0f ? 1.0f / bounds.radius : 1.0f;
    for (ImportedMesh& mesh : meshes)
        for (ImportedVertex& v : mesh.vertices) v.position = vec3Scale(vec3Sub(v.position, bounds.centre), scale);
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
