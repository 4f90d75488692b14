// Cameras: the view matrix of the current camera, the projection, and stepping through cameras.
//
// Angles turn into radians with 3.1415/180 for the view and 3.14/360 for the projection's half
// field of view. The projection keeps the -1 in element 11 and the near*far term in element 14,
// and maps the view volume to -w <= x, y <= w, 0 <= z <= w.
#pragma once

#include "core/math.h"
#include "scene/scene.h"

// Moves the current index by a signed step, wrapping round; nothing for an empty list.
void stepCamera(CameraList& list, int step);

// Clamps the pitch to [-90, 90], folds the yaw once into [0, 360], stores both back, and
// recomputes right, up and back.
void updateCameraBasis(Camera& camera);
Matrix4 cameraViewMatrix(Camera& camera);
Matrix4 matrixPerspective(float fieldOfView, float aspect, float nearPlane, float farPlane);

// The camera the scene is drawn from. An empty list (a scene without meshes, or one whose file
// could not be read) falls back to the default camera.
Matrix4 currentViewMatrix(CameraList& list);
Vec3 currentCameraPosition(CameraList& list);
float currentFieldOfView(CameraList& list);
float currentNearPlane(CameraList& list);
float currentFarPlane(CameraList& list);

