// Scenes that are well formed but absurd: huge and non-finite numbers, degenerate cameras,
// viewports and windows, empty counts. Each one is loaded as the programs load it and drawn in
// both shading modes; the frame must come back whole, and what the viewport rules promise
// (nothing drawn outside the viewport, every window pixel inside it covered) must still hold.
// Under the sanitizer build any out-of-bounds access or undefined conversion on the way stops
// the test; that the drawing ends at all is guaranteed by loops bounded by the buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/session.h"
#include "scene/parser.h"

namespace {

std::string material(const std::string& name, const std::string& colour = "0.5 0.5 0.5 1",
                     const std::string& shininess = "10", const std::string& texture = "None",
                     const std::string& normalMap = "None") {
    return "MATERIAL \"" + name + "\"\n\tAMBIENT: " + colour + "\n\tDIFFUSE: " + colour + "\n\tSPECULAR: " + colour +
           "\n\tSHININESS: " + shininess + "\n\tTEXTUREMAP: " + texture + "\n\tNORMALMAP: " + normalMap + "\n";
}

std::string camera(const std::string& position, const std::string& rotation = "0 0 0",
                   const std::string& fieldOfView = "60", const std::string& nearPlane = "1",
                   const std::string& farPlane = "100") {
    return "CAMERA \"Cam\"\n\tPOSITION: " + position + "\n\tROTATION: " + rotation + "\n\tFIELDOFVIEW: " +
           fieldOfView + "\n\tNEARPLANE: " + nearPlane + "\n\tFARPLANE: " + farPlane + "\n";
}

std::string light(const std::string& position, const std::string& colour = "1 1 1 1") {
    return "LIGHT \"Lamp\"\n\tPOSITION: " + position + "\n\tCOLOUR: " + colour + "\n";
}

std::string terms(const std::string& ambience = "0.2 0.2 0.2 1", const std::string& attenuation = "1 0 0") {
    return "SCENEAMBIENCE: " + ambience + "\nSCENEATTENUATION: " + attenuation + "\n";
}

struct VertexText {
    std::string position;
    std::string normal = "0 0 1";
    std::string texCoord = "0 0";
};

// One mesh whose surfaces all use material "M"; `triangles` are index triples.
std::string mesh(const std::vector<VertexText>& vertices, const std::vector<std::string>& triangles,
                 const std::string& position = "0 0 0", const std::string& rotation = "0 0 1 0") {
    std::string text = "TRIMESH \"Mesh\"\n\tPOSITION: " + position + "\n\tROTATION: " + rotation +
                       "\n\tROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1\n\tVERTEXCOUNT " +
                       std::to_string(vertices.size()) + "\n";
    for (const VertexText& v : vertices)
        text += "\t\tPOSITION: " + v.position + " NORMAL: " + v.normal + " TEXCOORD: " + v.texCoord + "\n";
    text += "\tMATERIALCOUNT 1\n\t\tMATERIAL \"M\"\n\t\tTRIANGLECOUNT " + std::to_string(triangles.size()) + "\n";
    for (const std::string& t : triangles) text += "\t\t" + t + "\n";
    return text + "\n";
}

// A 2 x 2 quad facing +z at depth z, the texture once over it.
std::string quad(const std::string& z = "0", const std::string& position = "0 0 0",
                 const std::string& rotation = "0 0 1 0") {
    return mesh({{"-1 -1 " + z, "0 0 1", "0 0"},
                 {"1 -1 " + z, "0 0 1", "1 0"},
                 {"1 1 " + z, "0 0 1", "1 1"},
                 {"-1 1 " + z, "0 0 1", "0 1"}},
                {"0 1 2", "0 2 3"}, position, rotation);
}

struct SceneText {
    std::string viewport = "MIN: 4 4\nMAX: 44 28\n";
    std::string materials = material("M");
    std::string cameras = camera("0 0 4");
    std::string lights = light("1 2 5");
    std::string sceneTerms = terms();
    std::string meshes = quad();

    std::string text() const { return "VIEWPORT\n" + viewport + materials + cameras + lights + sceneTerms + meshes; }
};

struct Frames {
    Image phong;
    Image gouraud;
    PixelBox phongDrawn;  // the boxes the frames reported drawing in
    PixelBox gouraudDrawn;
    RenderContext context;  // the viewport as loaded
};

// Loads the scene as the programs do (every effect on, the first reshape) and draws it with
// Phong shading, then with Gouraud shading.
Frames renderBothModes(const SceneText& scene, int width = 48, int height = 32) {
    Session session;
    std::ostringstream log;
    sceneParse(session.scene, scene.text(), "", session.context, {log, log});
    session.context.phongShading = session.context.texturing = session.context.normalMapping = 1;
    sessionReshape(session);
    Frames frames;
    FrameMemory memory;
    frames.phong = renderFrame(session.scene, session.context, session.projection, width, height, 2, memory);
    frames.phongDrawn = memory.drawn;
    sessionApplyKey(session, 's');
    frames.gouraud = renderFrame(session.scene, session.context, session.projection, width, height, 2, memory);
    frames.gouraudDrawn = memory.drawn;
    frames.context = session.context;
    return frames;
}

bool isWhite(const Colour& c) { return c.r == 1 && c.g == 1 && c.b == 1 && c.a == 1; }

const Colour& pixelAt(const Image& image, int column, int row) {
    return image.pixels[static_cast<std::size_t>(row) * static_cast<std::size_t>(image.width) +
                        static_cast<std::size_t>(column)];
}

// The frame has the window's size, and every pixel outside the viewport rectangle (finite
// corners, as loaded, in either order) is still the white the frame starts with. The column
// just left of the rectangle is allowed: a span starts at its left end truncated, and a vertex
// that clipping put on the left plane can come out of the division by w a rounding error
// below -1 (a field of view of 360 degrees magnifies that error enough to show).
// Nor is any pixel outside the box the frame reported drawing in: the viewer shows only that box.
void expectDrawnInsideTheViewportOnly(const Image& frame, const PixelBox& drawn, const RenderContext& context,
                                      int width, int height) {
    ASSERT_EQ(frame.width, width);
    ASSERT_EQ(frame.height, height);
    ASSERT_EQ(frame.pixels.size(), static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    int outsideViewport = 0, outsideBox = 0;
    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column) {
            bool inside = column >= std::min(context.viewportMinX, context.viewportMaxX) - 1 &&
                          column <= std::max(context.viewportMinX, context.viewportMaxX) &&
                          row >= std::min(context.viewportMinY, context.viewportMaxY) &&
                          row <= std::max(context.viewportMinY, context.viewportMaxY);
            bool inBox = column >= drawn.minX && column <= drawn.maxX && row >= drawn.minY && row <= drawn.maxY;
            if (isWhite(pixelAt(frame, column, row))) continue;
            outsideViewport += !inside;
            outsideBox += !inBox;
        }
    EXPECT_EQ(outsideViewport, 0);
    EXPECT_EQ(outsideBox, 0);
}

void expectBothFramesSound(const Frames& frames, int width = 48, int height = 32) {
    {
        SCOPED_TRACE("Phong");
        expectDrawnInsideTheViewportOnly(frames.phong, frames.phongDrawn, frames.context, width, height);
    }
    SCOPED_TRACE("Gouraud");
    expectDrawnInsideTheViewportOnly(frames.gouraud, frames.gouraudDrawn, frames.context, width, height);
}

// Every window pixel lies inside the viewport, so none may stay white.
int whitePixels(const Image& frame) {
    int white = 0;
    for (const Colour& c : frame.pixels) white += isWhite(c) ? 1 : 0;
    return white;
}

TEST(AbsurdScenes, HugeCoordinatesEverywhere) {
    SceneText scene;
    scene.cameras = camera("1e30 -1e30 1e30", "1e30 -1e30 1e30");
    scene.lights = light("-1e30 1e30 1e30", "1e30 1e30 1e30 1");
    scene.meshes = quad("0", "1e30 1e30 -1e30") +
                   mesh({{"-1e30 -1e30 -5", "1e30 0 0", "1e30 -1e30"},
                         {"1e30 -1e30 -5", "0 1e30 0", "3e9 0"},
                         {"0 1e30 -5", "0 0 1e30", "0 -3e9"}},
                        {"0 1 2"}, "0 0 0", "1e30 1e30 1e30 1e30");
    expectBothFramesSound(renderBothModes(scene));
    // The same far-flung geometry seen from an ordinary camera.
    scene.cameras = camera("0 0 4");
    expectBothFramesSound(renderBothModes(scene));
}

TEST(AbsurdScenes, NonFiniteNumbersInEveryField) {
    for (const std::string bad : {"inf", "-inf", "nan"}) {
        SCOPED_TRACE(bad);
        SceneText positions;
        positions.meshes = mesh({{bad + " 0 0", "0 0 1", "0 0"}, {"1 -1 0", "0 0 1", "1 0"}, {"0 1 " + bad}},
                                {"0 1 2"}) +
                           quad("-1", bad + " 0 0") + quad("-2", "0 0 0", bad + " 0 1 0");
        expectBothFramesSound(renderBothModes(positions));

        SceneText normalsAndTexCoords;
        normalsAndTexCoords.materials = material("M", "0.5 0.5 0.5 1", "10", "tex.tga", "tex.tga");
        normalsAndTexCoords.meshes = mesh({{"-1 -1 0", bad + " 0 1", bad + " 0"},
                                           {"1 -1 0", "0 " + bad + " 1", "1 " + bad},
                                           {"0 1 0", "0 0 " + bad, bad + " " + bad}},
                                          {"0 1 2"});
        expectBothFramesSound(renderBothModes(normalsAndTexCoords));

        SceneText colours;
        colours.materials = material("M", bad + " 0.5 " + bad + " " + bad, bad);
        colours.lights = light("1 2 5", bad + " 1 1 " + bad);
        colours.sceneTerms = terms(bad + " 0 0 " + bad, bad + " " + bad + " " + bad);
        expectBothFramesSound(renderBothModes(colours));

        SceneText cameraFields;
        cameraFields.cameras = camera(bad + " 0 4", bad + " " + bad + " " + bad, bad, bad, bad);
        expectBothFramesSound(renderBothModes(cameraFields));
    }
}

TEST(AbsurdScenes, DegenerateFieldsOfViewAndPlanes) {
    const char* const cases[][3] = {
        {"0", "1", "100"},   {"-60", "1", "100"}, {"180", "1", "100"}, {"360", "1", "100"}, {"1e30", "1", "100"},
        {"60", "5", "5"},    {"60", "0", "100"},  {"60", "-1", "100"}, {"60", "100", "1"},  {"60", "0", "0"},
        {"60", "1e-30", "1e30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("fov ") + c[0] + ", near " + c[1] + ", far " + c[2]);
        SceneText scene;
        scene.cameras = camera("0 0 4", "0 0 0", c[0], c[1], c[2]);
        scene.meshes = quad() + quad("-50") + quad("3.9");
        expectBothFramesSound(renderBothModes(scene));
    }
}

TEST(AbsurdScenes, CameraInsideAClosedMeshAndLightsOnItsSurface) {
    // A cube around the origin, wound to face inwards so that the camera inside sees its walls.
    SceneText scene;
    scene.cameras = camera("0 0 0", "10 30 0");
    scene.lights = light("1 0 0") + light("1 1 1") + light("0 0 0");  // on a wall, on a corner, at the eye
    scene.sceneTerms = terms("0.2 0.2 0.2 1", "0 0 0");               // an infinite factor at every distance
    std::vector<VertexText> corners;
    for (int i = 0; i < 8; ++i)
        corners.push_back({std::to_string(i & 1 ? 1 : -1) + " " + std::to_string(i & 2 ? 1 : -1) + " " +
                               std::to_string(i & 4 ? 1 : -1),
                           "0 0 1", std::to_string(i & 1) + " " + std::to_string((i >> 1) & 1)});
    scene.meshes = mesh(corners, {"0 2 1", "1 2 3", "4 5 6", "5 7 6", "0 1 4", "1 5 4", "2 6 3", "3 6 7", "0 4 2",
                                  "2 4 6", "1 3 5", "3 7 5"});
    Frames frames = renderBothModes(scene);
    expectBothFramesSound(frames);
}

TEST(AbsurdScenes, DegenerateTriangles) {
    SceneText scene;
    scene.meshes = mesh({{"0 0 0"}, {"0 0 0"}, {"1 1 0"}, {"2 2 0"}, {"0.5 0 0"}, {"0.5 1e-38 0"}},
                        {"0 0 0", "0 1 2", "1 2 3", "2 2 3", "0 4 5", "5 4 0", "3 3 3"});
    expectBothFramesSound(renderBothModes(scene));
}

TEST(AbsurdScenes, ViewportsOfEverySize) {
    struct Case {
        const char* viewport;
        bool coversWindow;
    };
    const Case cases[] = {
        {"MIN: 0 0\nMAX: 1000000 1000000\n", true},
        {"MIN: 0 0\nMAX: 1e30 1e30\n", true},
        {"MIN: -1e30 -1e30\nMAX: 1e30 1e30\n", true},
        {"MIN: -100000 -70000\nMAX: 100 100\n", true},
        {"MIN: 10 10\nMAX: 10 10\n", false},  // zero size
        {"MIN: 10 5\nMAX: 30 5\n", false},    // zero height
        {"MIN: 40 30\nMAX: 4 4\n", false},    // corners swapped
        {"MIN: 60 50\nMAX: 90 80\n", false},  // beyond the window
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.viewport);
        SceneText scene;
        scene.viewport = c.viewport;
        scene.meshes = quad() + quad("-20", "0 -3 0");
        Frames frames = renderBothModes(scene);
        expectBothFramesSound(frames);
        if (c.coversWindow) {
            EXPECT_EQ(whitePixels(frames.phong), 0);
            EXPECT_EQ(whitePixels(frames.gouraud), 0);
        }
    }
    // Corners that are not numbers at all: no rectangle to keep the drawing in, so only the
    // frame's size is promised.
    for (const char* viewport : {"MIN: nan nan\nMAX: 40 30\n", "MIN: 0 0\nMAX: inf inf\n", "MIN: -inf 0\nMAX: inf 9\n"}) {
        SCOPED_TRACE(viewport);
        SceneText scene;
        scene.viewport = viewport;
        Frames frames = renderBothModes(scene);
        EXPECT_EQ(frames.phong.pixels.size(), 48u * 32u);
        EXPECT_EQ(frames.gouraud.pixels.size(), 48u * 32u);
    }
}

TEST(AbsurdScenes, TinyAndEmptyWindows) {
    SceneText scene;
    scene.viewport = "MIN: 0 0\nMAX: 40 30\n";
    for (auto [width, height] : {std::pair{1, 1}, std::pair{1, 64}, std::pair{64, 1}, std::pair{0, 0}, std::pair{0, 5}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        Frames frames = renderBothModes(scene, width, height);
        expectBothFramesSound(frames, width, height);
    }
}

TEST(AbsurdScenes, CountsOfZeroEverywhere) {
    SceneText scene;
    scene.materials = "";
    scene.cameras = "";
    scene.lights = "";
    scene.meshes =
        "TRIMESH \"NoVertices\"\n\tPOSITION: 0 0 0\n\tROTATION: 0 0 1 0\n\tVERTEXCOUNT 0\n"
        "\tMATERIALCOUNT 1\n\t\tMATERIAL \"M\"\n\t\tTRIANGLECOUNT 1\n\t\t0 0 0\n\n"
        "TRIMESH \"NoSurfaces\"\n\tPOSITION: 0 0 0\n\tROTATION: 0 0 1 0\n\tVERTEXCOUNT 3\n"
        "\t\tPOSITION: -1 -1 0 NORMAL: 0 0 1 TEXCOORD: 0 0\n\t\tPOSITION: 1 -1 0 NORMAL: 0 0 1 TEXCOORD: 1 0\n"
        "\t\tPOSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0 1\n\tMATERIALCOUNT 0\n\n"
        "TRIMESH \"NoTriangles\"\n\tPOSITION: 0 0 0\n\tROTATION: 0 0 1 0\n\tVERTEXCOUNT 0\n"
        "\tMATERIALCOUNT 2\n\t\tMATERIAL \"M\"\n\t\tTRIANGLECOUNT 0\n\t\tMATERIAL \"M\"\n\t\tTRIANGLECOUNT 0\n\n";
    Frames frames = renderBothModes(scene);
    expectBothFramesSound(frames);
    // Nothing to draw but the background and the border: Phong and Gouraud agree exactly.
    for (std::size_t i = 0; i < frames.phong.pixels.size(); ++i) {
        const Colour &p = frames.phong.pixels[i], &g = frames.gouraud.pixels[i];
        ASSERT_TRUE(p.r == g.r && p.g == g.g && p.b == g.b && p.a == g.a) << "pixel " << i;
    }
    // And a file that is nothing but its viewport.
    SceneText bare;
    bare.materials = bare.cameras = bare.lights = bare.sceneTerms = bare.meshes = "";
    expectBothFramesSound(renderBothModes(bare));
}

}  // namespace
