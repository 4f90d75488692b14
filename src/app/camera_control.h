// Moving a camera with the mouse: orbiting, dollying and panning about a pivot point. Every
// move changes only what the keys' camera record holds (position, pitch and yaw), so the picture
// after a move is exactly what the headless command draws for that record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/math.h"
#include "scene/scene.h"

// Where a camera stands and looks: what the viewer reports after a move and quelmar-render's
// --camera option takes back.
struct CameraPlacement {
    Vec3 position{};
    float pitch = 0;
    float yaw = 0;
};

// The point orbits and dollies turn about: the centre of the box around every mesh vertex in
// world space, or, for a scene without vertices, a point ahead of the current camera.
Vec3 scenePivot(Scene& scene);

// Turns the camera about `pivot` by the angles (degrees), keeping the pivot where it appears in
// the picture. The pitch is held to -90 .. 90 and the yaw kept in 0 .. 360.
void orbitCamera(Camera& camera, Vec3 pivot, float yawDegrees, float pitchDegrees);

// Moves the camera along the line to the pivot: its distance is multiplied by `factor`.
void dollyCamera(Camera& camera, Vec3 pivot, float factor);

// Slides the camera sideways and up so that points at the pivot's depth follow the pointer:
// `right` and `up` are in pixels of a viewport `viewportHeight` pixels high.
void panCamera(Camera& camera, Vec3 pivot, float right, float up, float viewportHeight);

CameraPlacement cameraPlacement(const Camera& camera);
void placeCamera(Camera& camera, const CameraPlacement& placement);

// "X,Y,Z,PITCH,YAW" with every number written so that it reads back as the same float.
std::string formatCameraPlacement(const CameraPlacement& placement);
// The same text back; nothing unless it is five finite numbers separated by commas.
std::optional<CameraPlacement> parseCameraPlacement(std::string_view text);
