#include "scene/placement.h"

#include <cmath>

namespace {
constexpr float kDegreesToRadians = 0.017444445f;  // 3.14 / 180
}

Quaternion quaternionFromAxisAngle(float angleDegrees, float ax, float ay, float az) {
    float h = angleDegrees * 0.5f * kDegreesToRadians;
    float s = std::sin(h);
    float c = std::cos(h);
    return {s * ax, s * ay, s * az, c};
}

float quaternionLength(Quaternion q) { return std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w); }

void quaternionNormalize(Quaternion& q) {
    float length = quaternionLength(q);
    q.x /= length;
    q.y /= length;
    q.z /= length;
    q.w /= length;
}

Matrix4 matrixFromQuaternion(Quaternion q) {
    float x = q.x, y = q.y, z = q.z, w = q.w;
    return {{1 - 2 * y * y - 2 * z * z, 2 * x * y - 2 * w * z, 2 * x * z + 2 * w * y, 0,  //
             2 * x * y + 2 * w * z, 1 - 2 * x * x - 2 * z * z, 2 * y * z - 2 * w * x, 0,  //
             2 * x * z - 2 * w * y, 2 * y * z + 2 * w * x, 1 - 2 * x * x - 2 * y * y, 0,  //
             0, 0, 0, 1}};
}

Matrix4 meshPlacementMatrix(Vec3 position, Quaternion rotation) {
    Matrix4 translation = matrixTranslation(position.x, position.y, position.z);
    float length = quaternionLength(rotation);
    if (!(length > 0) || !std::isfinite(length)) return translation;
    Quaternion unit = rotation;
    quaternionNormalize(unit);
    return matrixMultiply(translation, matrixFromQuaternion(unit));
}
