// Mesh placement: a TRIMESH block's angle and axis become a quaternion, and its position and
// quaternion become the model matrix that the scene pass applies to every vertex.
//
// Angles turn into radians with k = 0.017444445, the float nearest 3.14/180 (not pi/180), so
// a written 90 degrees turns by slightly less. The axis is used as written: an axis of length
// L keeps its direction but changes the angle (tan h' = L tan h) once the quaternion is
// normalised.
#pragma once

#include "core/math.h"
#include "scene/scene.h"

Quaternion quaternionFromAxisAngle(float angleDegrees, float ax, float ay, float az);
float quaternionLength(Quaternion q);
void quaternionNormalize(Quaternion& q);
// The rotation matrix of a unit quaternion.
Matrix4 matrixFromQuaternion(Quaternion q);
// Rotation about the mesh's own origin, then the translation. A zero (or non-finite)
// quaternion cannot be normalised and places the mesh with no rotation.
Matrix4 meshPlacementMatrix(Vec3 position, Quaternion rotation);
