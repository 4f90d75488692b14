#include "app/frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>

#include "app/session.h"
#include "core/image_file.h"
#include "scene/parser.h"
#include "support/files.h"
#include "support/image_compare.h"
#include "support/wavy_floor.h"

namespace {

// A lit, textured-less quad in front of the default-looking camera, plus a floor that runs
// under the camera, so that culling, clipping and both shading modes are exercised.
const char* const kScene = R"(VIEWPORT
MIN: 10 10
MAX: 90 70
MATERIAL "Blue"
	AMBIENT: 0.2 0.2 0.6 1
	DIFFUSE: 0.2 0.3 0.9 1
	SPECULAR: 1 1 1 1
	SHININESS: 30
	TEXTUREMAP: None
	NORMALMAP: None
CAMERA "Main"
	POSITION: 0 0.5 4
	ROTATION: -5 0 0
	FIELDOFVIEW: 60
	NEARPLANE: 1
	FARPLANE: 100
LIGHT "Lamp"
	POSITION: 2 3 4
	COLOUR: 1 1 1 1
SCENEAMBIENCE: 0.3 0.3 0.3 1
SCENEATTENUATION: 1 0 0
TRIMESH "Quad"
	POSITION: 0 0 0
	ROTATION: 20 0 1 0
	ROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1
	VERTEXCOUNT 4
		POSITION: -1 -1 0 NORMAL: 0 0 1 TEXCOORD: 0 0
		POSITION: 1 -1 0 NORMAL: 0 0 1 TEXCOORD: 1 0
		POSITION: 1 1 0 NORMAL: 0 0 1 TEXCOORD: 1 1
		POSITION: -1 1 0 NORMAL: 0 0 1 TEXCOORD: 0 1
	MATERIALCOUNT 1
		MATERIAL "Blue"
		TRIANGLECOUNT 2
		0 1 2
		0 2 3

TRIMESH "Floor"
	POSITION: 0 -1 0
	ROTATION: 0 0 1 0
	ROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1
	VERTEXCOUNT 4
		POSITION: -20 0 20 NORMAL: 0 1 0 TEXCOORD: 0 0
		POSITION: 20 0 20 NORMAL: 0 1 0 TEXCOORD: 1 0
		POSITION: 20 0 -20 NORMAL: 0 1 0 TEXCOORD: 1 1
		POSITION: -20 0 -20 NORMAL: 0 1 0 TEXCOORD: 0 1
	MATERIALCOUNT 1
		MATERIAL "Blue"
		TRIANGLECOUNT 2
		0 1 2
		0 2 3
)";

// A scene loaded with every effect on, ready to draw; `log` is its load log.
struct Fixture {
    Session session;
    std::string log;
    explicit Fixture(const std::string& scene = kScene, const std::string& folder = "") {
        std::ostringstream out;
        sceneParse(session.scene, scene, folder, session.context, {out, out});
        log = out.str();
        session.context.phongShading = session.context.texturing = session.context.normalMapping = 1;
        sessionReshape(session);
    }
    Image render(int width, int height, int threads) {
        return renderFrame(session.scene, session.context, session.projection, width, height, threads);
    }
};

bool samePixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return false;
    for (size_t i = 0; i < a.pixels.size(); ++i) {
        const Colour &p = a.pixels[i], &q = b.pixels[i];
        if (std::memcmp(&p, &q, sizeof p) != 0) return false;
    }
    return true;
}

std::size_t triangleCountOf(const Scene& scene) {
    std::size_t count = 0;
    for (const MeshGeometry& geometry : scene.meshes.geometry)
        for (const Surface& surface : geometry.surfaces) count += surface.indices.size() / 3;
    return count;
}

bool isColour(const Colour& c, float r, float g, float b) { return c.r == r && c.g == g && c.b == b && c.a == 1; }

TEST(Frame, TheSameFrameWhateverTheThreadCountAndHowOftenItIsDrawn) {
    for (int phong : {1, 0}) {
        Fixture f;
        f.session.context.phongShading = phong;
        Image one = f.render(120, 90, 1);
        EXPECT_TRUE(samePixels(one, f.render(120, 90, 2)));
        EXPECT_TRUE(samePixels(one, f.render(120, 90, 5)));
        EXPECT_TRUE(samePixels(one, f.render(120, 90, 1))) << "a frame leaves the scene as it found it";
    }
}

TEST(Frame, ALargeMeshSharedOutBetweenThreadsDrawsTheSameFrame) {
    Fixture f(wavyFloorScene(96));
    ASSERT_EQ(f.session.scene.meshes.geometry.at(0).vertices.size(), 97u * 97u);
    for (int phong : {1, 0}) {
        f.session.context.phongShading = phong;
        auto render = [&](int threads) { return f.render(240, 190, threads); };
        Image one = render(1);
        int floorPixels = 0;
        for (const Colour& c : one.pixels) floorPixels += c.r != c.b;  // neither white, black nor sky
        EXPECT_GT(floorPixels, 240 * 190 / 4) << "the floor fills a good part of the frame";
        EXPECT_TRUE(samePixels(one, render(2))) << "phong " << phong;
        EXPECT_TRUE(samePixels(one, render(3))) << "phong " << phong;
    }
}

// The stored picture tests/images/<name>.png (QUELMAR_UPDATE_REFERENCES=1 rewrites it; look at
// it before committing).
void expectStoredPicture(const Image& frame, const std::string& name) {
    const std::string path = (sourceFolder() / "tests" / "images" / (name + ".png")).string();
    std::string why;
    const char* update = std::getenv("QUELMAR_UPDATE_REFERENCES");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(writePng(frame, path, why)) << why;
    }
    std::optional<Image> stored = readPng(path, why);
    ASSERT_TRUE(stored) << why;
    TempFolder folder;
    ASSERT_TRUE(writePng(frame, folder.file("frame.png"), why)) << why;  // in the PNG's 8-bit levels
    std::optional<Image> drawn = readPng(folder.file("frame.png"), why);
    ASSERT_TRUE(drawn) << why;
    ImageComparison comparison = compareImages(*drawn, *stored);
    EXPECT_TRUE(imagesMatch(comparison)) << name << ": " << describeComparison(comparison, *drawn, *stored);
}

// A mesh split into runs whose last (or first) run has no polygon in view: the runs' queues
// must still join into the serial one at every thread count, and both give the same floor.
TEST(Frame, ARunWithNothingInViewLeavesTheOtherRunsQueued) {
    for (bool outsideFirst : {false, true}) {
        Fixture f(splitMeshScene(outsideFirst));
        ASSERT_EQ(triangleCountOf(f.session.scene), 12288u);
        for (int phong : {1, 0}) {
            f.session.context.phongShading = phong;
            auto render = [&](int threads) { return f.render(170, 130, threads); };
            Image one = render(1);
            if (phong == 1) expectStoredPicture(one, "split_mesh_floor");
            EXPECT_TRUE(samePixels(one, render(2))) << "outside first " << outsideFirst << ", phong " << phong;
            EXPECT_TRUE(samePixels(one, render(3))) << "outside first " << outsideFirst << ", phong " << phong;
        }
    }
}

// A turned, textured and normal-mapped floor, large enough to be shared out between threads and
// cut by the near and side planes. The clipper puts a cut triangle's corners together from their
// clip-space positions and the rest of the vertices kept elsewhere: they must be exactly the
// vertices the rest of the mesh is drawn from, lit, turned and moved with the floor.
TEST(Frame, ATurnedNormalMappedFloorCutByThePlanesKeepsItsPicture) {
    const WavyFloorLook look{"checker16.tga", "bumps16.tga", 25};
    Fixture f(wavyFloorScene(96, look), (sourceFolder() / "tests" / "scenes").string());
    ASSERT_EQ(f.log.find("failed"), std::string::npos) << f.log;
    Image one = f.render(240, 190, 1);
    expectStoredPicture(one, "turned_normal_mapped_floor");
    EXPECT_TRUE(samePixels(one, f.render(240, 190, 2)));
}

TEST(Frame, StorageLeftByEarlierFramesDoesNotShowThrough) {
    // The buffers are cleared band by band as they are drawn, so every row must be reached,
    // including a last band shorter than the others, whatever the storage held before.
    for (int threads : {1, 2}) {
        Fixture f;
        const Image fresh = f.render(120, 90, threads);
        FrameMemory memory;
        memory.depth = depthBufferCreate(130, 97);
        std::fill(memory.depth.values.begin(), memory.depth.values.end(), -1.0f);  // nearer than anything
        Image previous = imageCreate(130, 97, makeColour(NAN, 0.25f, -3, 0));
        Image frame = renderFrame(f.session.scene, f.session.context, f.session.projection, 120, 90, threads, memory,
                                  std::move(previous));
        EXPECT_TRUE(samePixels(frame, fresh)) << threads << " threads";
        std::fill(memory.depth.values.begin(), memory.depth.values.end(), -1.0f);
        std::fill(frame.pixels.begin(), frame.pixels.end(), makeColour(0, 0, 0, 0));
        frame = renderFrame(f.session.scene, f.session.context, f.session.projection, 120, 90, threads, memory,
                            std::move(frame));
        EXPECT_TRUE(samePixels(frame, fresh)) << threads << " threads, steady storage";
    }
}

TEST(Frame, WhiteOutsideTheViewportBlackBorderOnItsEdgesBackgroundInside) {
    Fixture f;
    Image frame = f.render(120, 90, 1);
    EXPECT_TRUE(isColour(imagePixel(frame, 5, 5), 1, 1, 1)) << "outside the viewport stays white";
    EXPECT_TRUE(isColour(imagePixel(frame, 100, 80), 1, 1, 1));
    EXPECT_TRUE(isColour(imagePixel(frame, 50, 10), 0, 0, 0)) << "lower edge of the border";
    EXPECT_TRUE(isColour(imagePixel(frame, 10, 40), 0, 0, 0)) << "left edge";
    EXPECT_TRUE(isColour(imagePixel(frame, 90, 40), 0, 0, 0)) << "right edge";
    EXPECT_TRUE(isColour(imagePixel(frame, 50, 70), 0, 0, 0)) << "upper edge";
    EXPECT_TRUE(isColour(imagePixel(frame, 12, 68), 0.7f, 0.7f, 1.0f)) << "background, above the floor";
}

// The frame reports the box it drew in, so that the viewer converts only that: here the
// viewport's border, however large the window, and every pixel outside it is white. Spans start
// at their left end truncated, so the floor reaches the column left of the border (column 9):
// the box follows what was drawn, not where the viewport is.
TEST(Frame, ReportsTheBoxItDrewInAndLeavesTheRestWhite) {
    Fixture f;
    for (int threads : {1, 3}) {
        FrameMemory memory;
        memory.drawn = {0, 0, 999, 999};
        Image frame = renderFrame(f.session.scene, f.session.context, f.session.projection, 300, 200, threads, memory);
        const PixelBox& box = memory.drawn;
        EXPECT_EQ(std::tie(box.minX, box.minY, box.maxX, box.maxY), std::make_tuple(9, 10, 90, 70)) << threads;
        int whiteOutside = 0;
        for (int row = 0; row < frame.height; ++row)
            for (int column = 0; column < frame.width; ++column) {
                const bool outside = column < box.minX || column > box.maxX || row < box.minY || row > box.maxY;
                whiteOutside += outside && isColour(imagePixel(frame, column, row), 1, 1, 1);
            }
        EXPECT_EQ(whiteOutside, 300 * 200 - 82 * 61) << threads;
        EXPECT_FALSE(isColour(imagePixel(frame, 9, 11), 1, 1, 1));
    }
}

TEST(Frame, TheFloorUnderTheCameraIsDrawnDownToTheViewportsLowerEdge) {
    // The floor's near corners lie behind the camera; it must not vanish or be culled.
    Fixture f;
    Image frame = f.render(120, 90, 1);
    for (int column : {12, 50, 88}) {
        const Colour& c = imagePixel(frame, column, 11);
        EXPECT_FALSE(isColour(c, 0.7f, 0.7f, 1.0f)) << "column " << column;
        EXPECT_FALSE(isColour(c, 1, 1, 1)) << "column " << column;
    }
}

TEST(Frame, PhongAndGouraudDifferButBothLightTheQuad) {
    Fixture f;
    Image phong = f.render(120, 90, 1);
    f.session.context.phongShading = 0;
    Image gouraud = f.render(120, 90, 1);
    EXPECT_FALSE(samePixels(phong, gouraud));
    const Colour& centre = imagePixel(gouraud, 50, 45);
    EXPECT_GT(centre.b, centre.r) << "the blue quad is in the middle of the picture";
}

TEST(Frame, AWindowSmallerThanTheViewportDropsWhatFallsOutside) {
    Fixture f;
    Image small = f.render(40, 30, 2);
    EXPECT_EQ(small.width, 40);
    EXPECT_TRUE(isColour(imagePixel(small, 0, 0), 1, 1, 1));
    // Nothing wraps round from beyond the right edge into the next row's left columns.
    for (int row = 11; row < 30; ++row) EXPECT_FALSE(isColour(imagePixel(small, 0, row), 0, 0, 0)) << row;
}

// The viewer hands each frame's storage to the next. After one very large window the held memory
// must follow the window down again, while frames of similar size keep reusing it.
TEST(Frame, BuffersGiveBackMemoryWhenTheWindowShrinksFarButReuseItOtherwise) {
    Fixture f;
    FrameMemory memory;
    auto frame = [&](int width, int height, Image previous) {
        return renderFrame(f.session.scene, f.session.context, f.session.projection, width, height, 1, memory,
                           std::move(previous));
    };
    Image large = frame(400, 300, {});
    const Colour* largeStorage = large.pixels.data();
    // Up to four times the need is kept: a frame needing a quarter exactly, and one needing a third
    // (between a half and a quarter), still reuse the storage.
    Image quarter = frame(200, 150, std::move(large));
    EXPECT_EQ(quarter.pixels.data(), largeStorage) << "a frame needing a quarter reuses the colour buffer";
    Image similar = frame(200, 200, std::move(quarter));
    EXPECT_EQ(similar.pixels.data(), largeStorage) << "a frame needing a third reuses the colour buffer";
    EXPECT_GE(memory.depth.values.capacity(), 400u * 300u);

    Image small = frame(100, 50, std::move(similar));
    EXPECT_LE(small.pixels.capacity(), 4u * 100u * 50u);
    EXPECT_LE(memory.depth.values.capacity(), 4u * 100u * 50u);
    EXPECT_TRUE(samePixels(small, f.render(100, 50, 1))) << "the released storage leaves the picture as it was";
}

}  // namespace
