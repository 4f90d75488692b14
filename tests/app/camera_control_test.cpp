#include "app/camera_control.h"

#include <gtest/gtest.h>

#include <cmath>

#include "app/session.h"
#include "pipeline/camera.h"

namespace {

// Where a world point lands in the camera's view (x right, y up, -z ahead).
Vec3 inView(Camera camera, Vec3 point) {
    Vec4 p = matrixTransform(cameraViewMatrix(camera), {point.x, point.y, point.z, 1});
    return {p.x, p.y, p.z};
}

void expectNear(Vec3 actual, Vec3 expected, float tolerance = 1e-4f) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

Camera cameraAt(Vec3 position, float pitch, float yaw) {
    Camera camera;
    camera.position = position;
    camera.rotation = {pitch, yaw, 0};
    camera.fieldOfView = 60;
    return camera;
}

TEST(CameraControl, OrbitTurnsAboutThePivotAndKeepsItInPlaceInThePicture) {
    const Vec3 pivot{1, 0, -2};
    Camera camera = cameraAt({0.5f, 1, 4}, -10, 20);  // not looking straight at the pivot
    Vec3 before = inView(camera, pivot);
    orbitCamera(camera, pivot, 70, 25);
    expectNear(inView(camera, pivot), before);
    EXPECT_FLOAT_EQ(camera.rotation.x, 15);
    EXPECT_FLOAT_EQ(camera.rotation.y, 90);

    // Past the poles the pitch stops at 90; the yaw wraps into 0 .. 360.
    orbitCamera(camera, pivot, -100, 200);
    EXPECT_FLOAT_EQ(camera.rotation.x, 90);
    EXPECT_FLOAT_EQ(camera.rotation.y, 350);
    expectNear(inView(camera, pivot), before);

    // From the front, a drag to the right brings the model's left side (-x) into view.
    Camera front = cameraAt({0, 0, 5}, 0, 0);
    orbitCamera(front, {0, 0, 0}, 90, 0);
    expectNear(front.position, {-5, 0, 0}, 1e-3f);  // the view takes pi as 3.1415
}

TEST(CameraControl, DollyAndPanScaleWithTheDistanceToThePivot) {
    const Vec3 pivot{0, 0, 0};
    Camera camera = cameraAt({0, 0, 10}, 0, 0);
    dollyCamera(camera, pivot, 0.5f);
    expectNear(camera.position, {0, 0, 5});

    // A point at the pivot's depth follows the pointer: moving the pointer a quarter of the
    // viewport's height up moves the scene that far up, so the camera goes down.
    Camera near = cameraAt({0, 0, 5}, 0, 0), far = cameraAt({0, 0, 50}, 0, 0);
    panCamera(near, pivot, 0, 150, 600);
    panCamera(far, pivot, 0, 150, 600);
    float halfHeight = 5 * std::tan(30 * 3.14159265f / 180);
    EXPECT_NEAR(near.position.y, -halfHeight / 2, 1e-4f);
    EXPECT_NEAR(far.position.y, -10 * halfHeight / 2, 1e-3f);
    EXPECT_FLOAT_EQ(near.position.z, 5);
}

TEST(CameraControl, PlacementTextReadsBackAsTheSameFloats) {
    CameraPlacement placement{{-1.43802917f, 3.1e-7f, 6.89762974f}, -18.8014736f, 359.99997f};
    std::optional<CameraPlacement> back = parseCameraPlacement(formatCameraPlacement(placement));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->position.x, placement.position.x);
    EXPECT_EQ(back->position.y, placement.position.y);
    EXPECT_EQ(back->position.z, placement.position.z);
    EXPECT_EQ(back->pitch, placement.pitch);
    EXPECT_EQ(back->yaw, placement.yaw);
    for (const char* bad : {"", "1,2,3,4", "1,2,3,4,5,6", "1,2,3,4,x", "1,,3,4,5", "1,2,3,4,nan", "1,2,3,4,inf",
                            " 1,2,3,4,5", "1,2,3,4,5 ", "1e99,2,3,4,5"})
        EXPECT_FALSE(parseCameraPlacement(bad)) << bad;
}

TEST(CameraControl, SessionMovesOnlyTheCurrentCameraAndTheStatusLineSaysWhere) {
    Session session;
    Camera front = cameraAt({0, 0, 5}, 0, 0), side = cameraAt({5, 0, 0}, 0, 270);
    front.name = "Front\"";
    side.name = "Side\"";
    session.scene.cameras.items = {front, side};
    session.context.phongShading = session.context.texturing = session.context.normalMapping = 1;
    session.context.viewportMaxX = 800;
    session.context.viewportMaxY = 600;
    sessionRememberCameras(session);
    sessionApplyKey(session, 't');
    EXPECT_EQ(sessionStatusLine(session), "Camera 1 of 2 \"Front\"; Phong shading on, texturing off, normal mapping on");

    sessionOrbit(session, 100, 0, 800, 600);  // 30 degrees: 180 per window height
    sessionDolly(session, 2);
    const Camera& moved = session.scene.cameras.items[0];
    EXPECT_FLOAT_EQ(moved.rotation.y, 30);
    EXPECT_NEAR(vec3Length(moved.position), 5 * 0.85f * 0.85f, 1e-4f);
    EXPECT_EQ(sessionStatusLine(session), "Camera 1 of 2 \"Front\" moved: --camera " +
                                              formatCameraPlacement(cameraPlacement(moved)) +
                                              "; Phong shading on, texturing off, normal mapping on");

    sessionApplyKey(session, '>');
    EXPECT_EQ(session.scene.cameras.items[1].position.x, 5) << "the other camera is untouched";
    EXPECT_EQ(sessionStatusLine(session), "Camera 2 of 2 \"Side\"; Phong shading on, texturing off, normal mapping on");

    sessionApplyKey(session, '<');
    sessionRestoreCamera(session);
    EXPECT_EQ(session.scene.cameras.items[0].position.z, 5);
    EXPECT_EQ(session.scene.cameras.items[0].rotation.y, 0);
    EXPECT_EQ(sessionStatusLine(session).find("moved"), std::string::npos);
}

}  // namespace
