#include "scene/placement.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kDegreesToRadians = 0.017444445f;

Vec4 place(Vec3 position, Quaternion rotation, Vec4 point) {
    return matrixTransform(meshPlacementMatrix(position, rotation), point);
}

void expectNear(Vec4 actual, Vec4 expected, float tolerance = 1e-5f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
    EXPECT_NEAR(actual.w, expected.w, tolerance);
}

}  // namespace

TEST(Placement, ZeroAngleIsAPureTranslation) {
    Quaternion q = quaternionFromAxisAngle(0, 0, 1, 0);
    EXPECT_EQ(q.x, 0.0f);
    EXPECT_EQ(q.y, 0.0f);
    EXPECT_EQ(q.w, 1.0f);
    Matrix4 m = meshPlacementMatrix({1, 2, 3}, q);
    Matrix4 t = matrixTranslation(1, 2, 3);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(m.m[i], t.m[i]) << i;
}

TEST(Placement, RotatesAboutTheMeshOriginThenTranslates) {
    // The angle factor is 3.14/180, so 90 written turns slightly less than a right angle.
    float turn = 90 * kDegreesToRadians;
    expectNear(place({1, 2, 3}, quaternionFromAxisAngle(90, 0, 1, 0), {1, 0, 0, 1}),
               {1 + std::cos(turn), 2, 3 - std::sin(turn), 1});
    expectNear(place({0, 0, 0}, quaternionFromAxisAngle(90, 1, 0, 0), {0, 1, 0, 1}),
               {0, std::cos(turn), std::sin(turn), 1});
    // Directions (w = 0) are rotated but not moved.
    expectNear(place({5, 5, 5}, quaternionFromAxisAngle(90, 1, 0, 0), {0, 1, 0, 0}),
               {0, std::cos(turn), std::sin(turn), 0});
}

// Every element of the rotation: the three axes turned about a slanted unit axis, against
// Rodrigues' formula v cos a + (k x v) sin a + k (k . v)(1 - cos a).
TEST(Placement, EveryAxisTurnsAboutASlantedAxis) {
    const Vec3 k{1.0f / 3, 2.0f / 3, 2.0f / 3};
    const float a = 70 * kDegreesToRadians;
    for (Vec3 v : {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}) {
        Vec3 turned = vec3Scale(v, std::cos(a));
        Vec3 across = vec3Scale(vec3Cross(k, v), std::sin(a));
        Vec3 along = vec3Scale(k, vec3Dot(k, v) * (1 - std::cos(a)));
        expectNear(place({0, 0, 0}, quaternionFromAxisAngle(70, k.x, k.y, k.z), {v.x, v.y, v.z, 0}),
                   {turned.x + across.x + along.x, turned.y + across.y + along.y, turned.z + across.z + along.z, 0});
    }
}

TEST(Placement, AnAxisThatIsNotUnitLengthChangesTheAngle) {
    float h = 45 * kDegreesToRadians;
    Quaternion q = quaternionFromAxisAngle(90, 0, 2, 0);
    EXPECT_FLOAT_EQ(q.y, 2 * std::sin(h));  // stored as built, not normalised
    EXPECT_FLOAT_EQ(q.w, std::cos(h));
    float angle = 2 * std::atan(2 * std::tan(h));  // about 127 degrees
    expectNear(place({0, 0, 0}, q, {1, 0, 0, 1}), {std::cos(angle), 0, -std::sin(angle), 1});
}

TEST(Placement, AQuaternionThatCannotBeNormalisedMeansNoRotation) {
    Vec4 p{1, 2, 3, 1};
    expectNear(place({1, 0, 0}, {0, 0, 0, 0}, p), {2, 2, 3, 1});
    expectNear(place({1, 0, 0}, {NAN, 0, 0, 1}, p), {2, 2, 3, 1});
    expectNear(place({0, 0, 0}, {INFINITY, 0, 0, 1}, p), p);
}
