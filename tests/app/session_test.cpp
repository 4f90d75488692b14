#include "app/session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "support/files.h"

namespace {

TEST(Session, KeyGuideIsPrintedByteForByte) {
    std::ostringstream out;
    printKeyGuide(out);
    const std::string thirteen(13, '\n');
    EXPECT_EQ(out.str(), thirteen + "Welcome to Quelmar's Graphical Programming Assignment.\n" + "\n\n" +
                             "Buttons:\n" + "S turns on/off Phong Shading and replaces it with Gouraud\n" +
                             "T turns on/off Diffuse Texturing\n" + "N turns on/off Normal Mapping\n" +
                             "< or > switches cameras.\n\n" + "Hope you enjoy!" + thirteen);
}

TEST(Session, KeysToggleFlagsAndStepCameras) {
    Session session;
    for (int i = 0; i < 3; ++i) session.scene.cameras.items.push_back({});
    session.context.phongShading = session.context.texturing = session.context.normalMapping = 1;
    sessionApplyKey(session, 's');
    EXPECT_EQ(session.context.phongShading, 0);
    sessionApplyKey(session, 'S');
    EXPECT_EQ(session.context.phongShading, 1) << "S twice gives Phong back";
    sessionApplyKey(session, 't');
    sessionApplyKey(session, 'N');
    EXPECT_EQ(session.context.texturing, 0);
    EXPECT_EQ(session.context.normalMapping, 0);
    sessionApplyKey(session, '<');
    EXPECT_EQ(session.scene.cameras.current, 2);
    sessionApplyKey(session, '.');
    sessionApplyKey(session, '>');
    EXPECT_EQ(session.scene.cameras.current, 1);
    sessionApplyKey(session, ',');
    EXPECT_EQ(session.scene.cameras.current, 0);
    sessionApplyKey(session, 'x');
    EXPECT_EQ(session.context.phongShading, 1);
    session.context.texturing = 7;  // anything but 1 toggles to 1
    sessionApplyKey(session, 'T');
    EXPECT_EQ(session.context.texturing, 1);
}

TEST(Session, TheKeysNamedAsTheViewersAreExactlyThoseThatChangeSomething) {
    for (int key = 0; key < 256; ++key) {
        Session session;
        for (int i = 0; i < 2; ++i) session.scene.cameras.items.push_back({});
        session.context.phongShading = session.context.texturing = session.context.normalMapping = 1;
        sessionApplyKey(session, static_cast<unsigned char>(key));
        bool changed = session.scene.cameras.current != 0 || session.context.phongShading != 1 ||
                       session.context.texturing != 1 || session.context.normalMapping != 1;
        EXPECT_EQ(isViewerKey(static_cast<unsigned char>(key)), changed) << "key " << key;
    }
}

TEST(Session, CameraKeysKeepTheProjectionUntilTheNextReshape) {
    Session session;
    Camera wide{}, narrow{};
    wide.fieldOfView = 90;
    narrow.fieldOfView = 30;
    wide.nearPlane = narrow.nearPlane = 1;
    wide.farPlane = narrow.farPlane = 10;
    session.scene.cameras.items = {wide, narrow};
    session.context.viewportMaxX = 4;
    session.context.viewportMaxY = 3;
    sessionReshape(session);
    Matrix4 before = session.projection;
    sessionApplyKey(session, '>');
    EXPECT_EQ(session.projection.m[5], before.m[5]);
    sessionReshape(session);
    EXPECT_GT(session.projection.m[5], before.m[5]);
}

TEST(Session, WindowIsTheViewportCornerPlusAMargin) {
    RenderContext context;
    context.viewportMaxX = 640;
    context.viewportMaxY = 480;
    EXPECT_EQ(initialWindowSize(context).width, 680);
    EXPECT_EQ(initialWindowSize(context).height, 520);
    context.viewportMaxX = 0;
    context.viewportMaxY = 0;
    EXPECT_EQ(initialWindowSize(context).width, 40) << "no viewport: the margin alone";
    context.viewportMaxX = 12.9f;
    EXPECT_EQ(initialWindowSize(context).width, 52) << "truncated";
    context.viewportMaxX = NAN;
    context.viewportMaxY = 1e30f;
    EXPECT_EQ(initialWindowSize(context).width, 40);
    EXPECT_EQ(initialWindowSize(context).height, 8192);
    context.viewportMaxX = -1e9f;
    EXPECT_EQ(initialWindowSize(context).width, 1);
}

TEST(Session, AMissingSceneFileIsReportedAndLeavesAnEmptyScene) {
    TempFolder folder;
    Session session;
    std::ostringstream out, err;
    sessionStart(session, folder.file("nothing.txt"), {out, err});
    const std::string missing = folder.file("nothing.txt");
    EXPECT_EQ(out.str(), "ERROR: '" + missing + "' failed to open.\n  " + missing + ": No such file or directory\n");
    EXPECT_EQ(session.context.phongShading, 1);
    EXPECT_TRUE(session.scene.meshes.items.empty());
    EXPECT_EQ(initialWindowSize(session.context).width, 40);
}

// A reload keeps the keys' state where the new scene allows it, and a scene with an error line
// leaves the session as it was.
TEST(Session, ReloadKeepsTheKeysStateAndRefusesAFileWithErrors) {
    TempFolder folder;
    const std::string file = folder.file("scene.txt");
    auto scene = [](int cameras, const char* meshes) {
        std::string text = "VIEWPORT\nMIN: 0 0\nMAX: 64 48\n";
        for (int i = 0; i < cameras; ++i)
            text += "CAMERA \"C" + std::to_string(i) + "\"\n\tPOSITION: 0 0 5\n\tROTATION: 0 0 0\n"
                    "\tFIELDOFVIEW: 60\n\tNEARPLANE: 1\n\tFARPLANE: 100\n\n";
        return text + "SCENEAMBIENCE: 1 1 1 1\nSCENEATTENUATION: 1 0 0\n" + meshes;
    };
    writeTextFile(file, scene(3, ""));
    Session session;
    std::ostringstream out, err;
    sessionStart(session, file, {out, err});
    sessionApplyKey(session, '<');
    sessionApplyKey(session, 's');
    sessionOrbit(session, 50, 0, 100, 100);

    writeTextFile(file, scene(3, ""));
    std::string errors;
    ASSERT_TRUE(sessionReload(session, file, {out, err}, errors)) << errors;
    EXPECT_EQ(session.scene.cameras.current, 2);
    EXPECT_EQ(session.context.phongShading, 0);
    EXPECT_EQ(session.scene.cameras.items[2].rotation.y, 0) << "the file's camera again";
    EXPECT_EQ(sessionStatusLine(session), "Camera 3 of 3 \"C2\"; Phong shading off, texturing on, normal mapping on");

    writeTextFile(file, scene(1, "half a line"));
    EXPECT_FALSE(sessionReload(session, file, {out, err}, errors));
    EXPECT_EQ(errors, "ERROR: Expected a TRIMESH block but found 'half a line'; the rest of the file is ignored.\n"
                      "  " + file + ":13: 'half a line': expected TRIMESH and a name in double quotes\n")
        << "the error and the line it is about";
    EXPECT_EQ(session.scene.cameras.items.size(), 3u);

    writeTextFile(file, scene(1, ""));
    ASSERT_TRUE(sessionReload(session, file, {out, err}, errors));
    EXPECT_EQ(session.scene.cameras.current, 0) << "camera 3 is gone";
    std::filesystem::remove(file);
    EXPECT_FALSE(sessionReload(session, file, {out, err}, errors));
}

}  // namespace
