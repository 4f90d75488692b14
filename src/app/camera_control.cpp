#include "app/camera_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "pipeline/camera.h"

namespace {

// The camera's right, up and back vectors for its angles, as the view matrix builds them.
Camera withBasis(Camera camera) {
    updateCameraBasis(camera);
    return camera;
}

Vec3 add(Vec3 p, Vec3 q) { return {p.x + q.x, p.y + q.y, p.z + q.z}; }

float wrappedYaw(float yaw) {
    float wrapped = std::fmod(yaw, 360.0f);
    if (wrapped < 0) wrapped += 360.0f;
    return wrapped >= 360.0f ? 0.0f : wrapped;
}

}  // namespace

Vec3 scenePivot(Scene& scene) {
    float inf = std::numeric_limits<float>::infinity();
    Vec3 low{inf, inf, inf}, high{-inf, -inf, -inf};
    for (const TriMesh& mesh : scene.meshes.items) {
        if (mesh.geometryIndex < 0 || mesh.geometryIndex >= static_cast<int>(scene.meshes.geometry.size())) continue;
        for (const Vertex& v : scene.meshes.geometry[static_cast<size_t>(mesh.geometryIndex)].vertices) {
            Vec4 p = matrixTransform(mesh.modelMatrix, {v.position.x, v.position.y, v.position.z, 1});
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) continue;
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
    }
    if (low.x <= high.x) return {low.x + (high.x - low.x) * 0.5f, low.y + (high.y - low.y) * 0.5f,
                                 low.z + (high.z - low.z) * 0.5f};
    // Nothing to look at: turn about a point a few units ahead.
    Camera camera = withBasis(scene.cameras.items.empty() ? defaultCamera()
                                                          : scene.cameras.items[static_cast<size_t>(
                                                                std::clamp(scene.cameras.current, 0,
                                                                           static_cast<int>(scene.cameras.items.size()) - 1))]);
    return vec3Sub(camera.position, vec3Scale(camera.back, 5.0f));
}

void orbitCamera(Camera& camera, Vec3 pivot, float yawDegrees, float pitchDegrees) {
    // The pivot's place in the camera's own frame stays as it is; only the frame turns.
    Camera before = withBasis(camera);
    Vec3 offset = vec3Sub(before.position, pivot);
    float alongRight = vec3Dot(offset, before.right);
    float alongUp = vec3Dot(offset, before.up);
    float alongBack = vec3Dot(offset, before.back);
    camera.rotation.x = std::clamp(before.rotation.x + pitchDegrees, -90.0f, 90.0f);
    camera.rotation.y = wrappedYaw(before.rotation.y + yawDegrees);
    Camera after = withBasis(camera);
    camera.position = add(pivot, add(vec3Scale(after.right, alongRight),
                                      add(vec3Scale(after.up, alongUp), vec3Scale(after.back, alongBack))));
}

void dollyCamera(Camera& camera, Vec3 pivot, float factor) {
    camera.position = add(pivot, vec3Scale(vec3Sub(camera.position, pivot), factor));
}

void panCamera(Camera& camera, Vec3 pivot, float right, float up, float viewportHeight) {
    Camera c = withBasis(camera);
    // Points at the pivot's depth move one pixel per pixel of pointer travel.
    float depth = vec3Dot(vec3Sub(c.position, pivot), c.back);
    if (!(depth > 0.0f)) depth = vec3Length(vec3Sub(c.position, pivot));
    if (!(depth > 0.0f)) depth = 1.0f;
    float halfAngle = std::clamp(c.fieldOfView, 1.0f, 179.0f) * 0.5f * 3.14159265f / 180.0f;
    float unitsPerPixel = 2.0f * depth * std::tan(halfAngle) / std::max(viewportHeight, 1.0f);
    camera.position = vec3Sub(c.position, add(vec3Scale(c.right, right * unitsPerPixel),
                                              vec3Scale(c.up, up * unitsPerPixel)));
}

CameraPlacement cameraPlacement(const Camera& camera) {
    return {camera.position, camera.rotation.x, camera.rotation.y};
}

void placeCamera(Camera& camera, const CameraPlacement& placement) {
    camera.position = placement.position;
    camera.rotation.x = placement.pitch;
    camera.rotation.y = placement.yaw;
}

std::string formatCameraPlacement(const CameraPlacement& p) {
    char text[160];
    std::snprintf(text, sizeof text, "%.9g,%.9g,%.9g,%.9g,%.9g", static_cast<double>(p.position.x),
                  static_cast<double>(p.position.y), static_cast<double>(p.position.z), static_cast<double>(p.pitch),
                  static_cast<double>(p.yaw));
    return text;
}

std::optional<CameraPlacement> parseCameraPlacement(std::string_view text) {
    float values[5];
    std::string rest(text);
    const char* at = rest.c_str();
    for (int i = 0; i < 5; ++i) {
        if (i > 0 && *at++ != ',') return std::nullopt;
        if (*at == '\0' || *at == ',' || std::isspace(static_cast<unsigned char>(*at))) return std::nullopt;
        char* end = nullptr;
        values[i] = std::strtof(at, &end);
        if (end == at || !std::isfinite(values[i])) return std::nullopt;
        at = end;
    }
    if (*at != '\0') return std::nullopt;
    return CameraPlacement{{values[0], values[1], values[2]}, values[3], values[4]};
}
