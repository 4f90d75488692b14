#include "pipeline/camera.h"

#include <gtest/gtest.h>

namespace {

CameraList threeCameras() {
    CameraList list;
    for (int i = 0; i < 3; ++i) list.items.push_back(defaultCamera());
    return list;
}

TEST(Camera, StepsWrapRoundBothWays) {
    CameraList list = threeCameras();
    list.current = 2;
    stepCamera(list, +1);
    EXPECT_EQ(list.current, 0);
    stepCamera(list, -1);
    EXPECT_EQ(list.current, 2);
    CameraList one;
    one.items.push_back(defaultCamera());
    stepCamera(one, +1);
    stepCamera(one, -1);
    EXPECT_EQ(one.current, 0);
    CameraList none;
    stepCamera(none, +1);
    EXPECT_EQ(none.current, 0);
}

TEST(Camera, PitchIsClampedAndYawFoldedOncePerCall) {
    Camera camera = defaultCamera();
    auto fold = [&](float pitch, float yaw) {
        camera.rotation = {pitch, yaw, 0};
        updateCameraBasis(camera);
        return camera.rotation;
    };
    EXPECT_EQ(fold(100, 0).x, 90);
    EXPECT_EQ(fold(-95, 0).x, -90);
    EXPECT_EQ(fold(0, -30).y, 330);
    EXPECT_EQ(fold(0, 370).y, 10);
    EXPECT_EQ(fold(0, 360).y, 360);
    EXPECT_EQ(fold(0, -400).y, -40);
    EXPECT_EQ(fold(0, 800).y, 440);
    updateCameraBasis(camera);
    EXPECT_EQ(camera.rotation.y, 80);
}

TEST(Camera, ViewMatrixOfAnUnturnedCameraIsAMove) {
    Camera camera = defaultCamera();
    camera.position = {2, -3, 5};
    Matrix4 view = cameraViewMatrix(camera);
    const float expected[16] = {1, 0, 0, -2, 0, 1, 0, 3, 0, 0, 1, -5, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(view.m[i], expected[i]) << "element " << i;
}

TEST(Camera, YawNinetyLooksAlongPlusX) {
    Camera camera = defaultCamera();
    camera.rotation = {0, 90, 0};
    Matrix4 view = cameraViewMatrix(camera);
    Vec4 ahead = matrixTransform(view, {5, 0, 0, 1});  // a point on +x is in front: negative z
    EXPECT_NEAR(ahead.z, -5, 1e-3);
}

TEST(Projection, ElementsAndDepths) {
    Matrix4 p = matrixPerspective(60, 640.0f / 480.0f, 1, 100);
    EXPECT_NEAR(p.m[5], 1.7325f, 1e-3);
    EXPECT_FLOAT_EQ(p.m[0], p.m[5] * 0.75f);
    EXPECT_FLOAT_EQ(p.m[10], -100.0f / 99.0f);
    EXPECT_FLOAT_EQ(p.m[14], -100.0f / 99.0f);
    EXPECT_EQ(p.m[11], -1.0f);
    EXPECT_EQ(p.m[15], 0.0f);
    auto depth = [&](float z) {
        Vec4 clip = matrixTransform(p, {0, 0, z, 1});
        return clip.z / clip.w;
    };
    EXPECT_NEAR(depth(-50), 0.98f, 0.005f);
    EXPECT_NEAR(depth(-1), 0.01f, 1e-5);
    EXPECT_LT(matrixTransform(p, {0, 0, -0.5f, 1}).z, 0.0f) << "nearer than the near plane is clipped";

    Matrix4 square = matrixPerspective(90, 1, 1, 10);
    EXPECT_GT(square.m[0], 1.0f) << "pi is taken as 3.14";
    EXPECT_LT(square.m[0], 1.002f);
}

TEST(Camera, EmptyListFallsBackToTheDefaultCamera) {
    CameraList none;
    EXPECT_EQ(currentFieldOfView(none), 60);
    EXPECT_EQ(currentNearPlane(none), 1);
    EXPECT_EQ(currentFarPlane(none), 100);
    Matrix4 view = currentViewMatrix(none);
    EXPECT_EQ(view.m[0], 1.0f);
    EXPECT_EQ(view.m[11], 0.0f);
}

}  // namespace
