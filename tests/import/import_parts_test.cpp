// The importer's parts on their own: options, names, texture lookup and TGA output, texture
// coordinate shifts, the framing of the model and the numbers of the scene text.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "import/framing.h"
#include "pipeline/camera.h"
#include "import/import_options.h"
#include "import/normals.h"
#include "import/scene_writer.h"
#include "import/file_access.h"
#include "import/texture_files.h"
#include "import/up_axis.h"
#include "scene/tga.h"
#include "support/files.h"

namespace {

std::optional<ImportOptions> parse(std::vector<std::string> arguments, std::string* problem = nullptr) {
    std::string why;
    std::optional<ImportOptions> options = parseImportOptions(arguments, why);
    EXPECT_EQ(options.has_value(), why.empty()) << why;
    if (problem) *problem = why;
    return options;
}

ImportedMesh meshWithTexCoords(std::vector<Vec2> texCoords) {
    ImportedMesh mesh;
    for (Vec2 t : texCoords) mesh.vertices.push_back({{0, 0, 0}, {0, 0, 1}, t});
    return mesh;
}

}  // namespace

TEST(ImportOptions, ReadsEveryOptionAndRefusesWhatItCannotUse) {
    auto options = parse({"-o", "out/scene.txt", "--size", "320x200", "--max-texture", "512", "--keep-units", "--up",
                          "-z", "--crease", "12.5", "m.obj"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->up, (UpAxis{2, -1}));
    EXPECT_EQ(options->creaseAngle, 12.5f);
    EXPECT_EQ(options->model, "m.obj");
    EXPECT_EQ(options->output, "out/scene.txt");
    EXPECT_EQ(options->width, 320);
    EXPECT_EQ(options->height, 200);
    EXPECT_EQ(options->maxTexture, 512);
    EXPECT_TRUE(options->keepUnits);

    auto defaults = parse({"model.glb"});
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->width, 800);
    EXPECT_EQ(defaults->height, 600);
    EXPECT_EQ(defaults->maxTexture, 2048);
    EXPECT_FALSE(defaults->keepUnits);
    EXPECT_FALSE(defaults->up);
    EXPECT_EQ(defaults->creaseAngle, 40.0f);
    EXPECT_EQ(defaultSceneFile("some/where/model.glb"), "model.txt");

    ASSERT_TRUE(parse({"--help"}));
    EXPECT_TRUE(parse({"--help"})->help);

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {}, {"a.obj", "b.obj"}, {"--size", "800", "m.obj"}, {"--size", "0x600", "m.obj"},
             {"--size", "80x60x", "m.obj"}, {"--max-texture", "0", "m.obj"}, {"--max-texture", "70000", "m.obj"},
             {"m.obj", "-o"}, {"--frobnicate", "m.obj"}, {"-o", "", "m.obj"},
             {"--up", "w", "m.obj"}, {"--crease", "181", "m.obj"}, {"--crease", "-1", "m.obj"}, {"m.obj", "--up"}}) {
        std::string problem;
        EXPECT_FALSE(parse(bad, &problem)) << ::testing::PrintToString(bad);
        EXPECT_FALSE(problem.empty());
    }
}

TEST(ImportNames, AreSafeForTheLoaderAndUnique) {
    std::set<std::string> taken;
    EXPECT_EQ(safeName("Red", "material", taken), "Red");
    EXPECT_EQ(safeName("Red", "material", taken), "Red-2");
    EXPECT_EQ(safeName("Red", "material", taken), "Red-3");
    EXPECT_EQ(safeName("two words\t\"quoted\"", "material", taken), "two_words__quoted_");
    EXPECT_EQ(safeName("", "material", taken), "material");
    EXPECT_EQ(safeName("", "material", taken), "material-2");
    // Longer names are kept whole: the loader reads names of any length.
    std::string longName(80, 'x');
    EXPECT_EQ(safeName(longName, "material", taken), longName);
}

TEST(ImportTextures, AreFoundUnderTheNamesModelsGetWrong) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "maps");
    writeTextFile(folder.file("maps/wood.png"), "x");
    writeTextFile(folder.file("Stone.PNG"), "x");
    const std::string model = folder.path().string();

    EXPECT_EQ(findTextureFile("maps/wood.png", model), folder.file("maps/wood.png"));  // as written
    EXPECT_EQ(findTextureFile("maps\\wood.png", model), folder.file("maps/wood.png"));  // backslashes
    EXPECT_EQ(findTextureFile("Stone.PNG", model), folder.file("Stone.PNG"));
    // A path from another machine: its base name beside the model, in any letter case.
    EXPECT_EQ(findTextureFile("C:\\Users\\someone\\textures\\stone.png", model), folder.file("Stone.PNG"));
    EXPECT_EQ(findTextureFile("/home/someone/STONE.png", model), folder.file("Stone.PNG"));
    EXPECT_FALSE(findTextureFile("wood.png", model));  // not beside the model, only in a subfolder
    EXPECT_FALSE(findTextureFile("", model));
}

TEST(ImportTextures, AreReadOnlyInsideTheModelsFolderTreeOrASearchFolder) {
    TempFolder folder;
    std::filesystem::create_directories(folder.path() / "model");
    std::filesystem::create_directories(folder.path() / "outside");
    writeTextFile(folder.file("outside/private.png"), "x");
    std::filesystem::create_symlink(folder.file("outside/private.png"), folder.file("model/link.png"));
    const std::string model = folder.file("model"), outside = folder.file("outside");

    for (const std::string& name : {std::string("../outside/private.png"), std::string("..\\outside\\private.png"),
                                    folder.file("outside/private.png"), std::string("link.png")}) {
        EXPECT_FALSE(findTextureFile(name, model)) << name;
        EXPECT_TRUE(textureNameLeavesTrees(name, model, {})) << name;
        // Allowed with the folder as a search folder, by the name as written or its base name.
        EXPECT_TRUE(findTextureFile(name, model, {outside})) << name;
        EXPECT_FALSE(textureNameLeavesTrees(name, model, {outside})) << name;
    }
    EXPECT_EQ(findTextureFile("D:\\art\\PRIVATE.png", model, {outside}), folder.file("outside/private.png"));
    // Whether the file exists makes no difference to the answer.
    EXPECT_TRUE(textureNameLeavesTrees("../outside/none.png", model, {}));
    EXPECT_FALSE(textureNameLeavesTrees("none.png", model, {}));
    EXPECT_FALSE(textureNameLeavesTrees("sub/../none.png", model, {}));
}

TEST(ImportTextures, TgaOutputReadsBackAsThePictureWithItsBottomRowFirst) {
    // 2 x 2, top row first as decoders give it: red, green over blue, white.
    DecodedImage opaque = rawImage(2, 2, {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255});
    EXPECT_FALSE(opaque.hasAlpha);
    std::vector<std::uint8_t> bytes = tgaBytes(opaque);
    EXPECT_EQ(bytes[2], 2);     // uncompressed true colour
    EXPECT_EQ(bytes[16], 24);
    EXPECT_EQ(bytes[17] & 0x30, 0);  // lower-left origin
    int bytesPerPixel = 0;
    std::string why;
    std::unique_ptr<Image> image = tgaDecode(bytes, bytesPerPixel, why);
    ASSERT_TRUE(image) << why;
    EXPECT_EQ(bytesPerPixel, 3);
    EXPECT_EQ(image->pixels[0].b, 1.0f);  // row 0 is the picture's bottom row: blue, white
    EXPECT_EQ(image->pixels[1].g, 1.0f);
    EXPECT_EQ(image->pixels[1].r, 1.0f);
    EXPECT_EQ(image->pixels[2].r, 1.0f);  // then red, green
    EXPECT_EQ(image->pixels[2].g, 0.0f);
    EXPECT_EQ(image->pixels[3].g, 1.0f);

    DecodedImage translucent = rawImage(1, 1, {10, 20, 30, 128});
    EXPECT_TRUE(translucent.hasAlpha);
    image = tgaDecode(tgaBytes(translucent), bytesPerPixel, why);
    ASSERT_TRUE(image) << why;
    EXPECT_EQ(bytesPerPixel, 4);
    EXPECT_EQ(image->pixels[0].a, 128 * (1.0f / 255.0f));
}

TEST(ImportTextures, LargeImagesShrinkToTheLimitKeepingTheirShape) {
    DecodedImage wide = rawImage(64, 16, std::vector<std::uint8_t>(64 * 16 * 4, 200));
    DecodedImage smaller = downsize(wide, 16);
    EXPECT_EQ(smaller.width, 16);
    EXPECT_EQ(smaller.height, 4);
    EXPECT_EQ(smaller.rgba.size(), 16u * 4 * 4);
    EXPECT_EQ(smaller.rgba[0], 200);  // a flat picture stays flat
    EXPECT_EQ(downsize(wide, 64).width, 64);
    EXPECT_EQ(downsize(rawImage(4000, 1, std::vector<std::uint8_t>(4000 * 4, 9)), 100).height, 1);
    // Tall pictures by their height: the larger side is held to the limit.
    DecodedImage tall = downsize(rawImage(12, 60, std::vector<std::uint8_t>(12 * 60 * 4, 50)), 20);
    EXPECT_EQ(tall.width, 4);
    EXPECT_EQ(tall.height, 20);
    EXPECT_EQ(tall.rgba.size(), 4u * 20 * 4);
}

TEST(ImportTextureCoordinates, ShiftByWholeNumbersUntilNoneIsNegative) {
    // Fractional minima (u -1.5, v -2.75) move by the next whole number up: 2 and 3.
    ImportedMesh mesh = meshWithTexCoords({{-1.5f, 0.25f}, {-0.5f, 2.0f}, {0.75f, -2.75f}});
    shiftTextureCoordinates(mesh);
    EXPECT_EQ(mesh.vertices[0].texCoord.x, 0.5f);
    EXPECT_EQ(mesh.vertices[1].texCoord.x, 1.5f);
    EXPECT_EQ(mesh.vertices[2].texCoord.x, 2.75f);
    EXPECT_EQ(mesh.vertices[0].texCoord.y, 3.25f);
    EXPECT_EQ(mesh.vertices[2].texCoord.y, 0.25f);
    ImportedMesh whole = meshWithTexCoords({{-3.0f, 0.5f}, {1.0f, 1.0f}});
    shiftTextureCoordinates(whole);
    EXPECT_EQ(whole.vertices[0].texCoord.x, 0.0f);  // a whole-number minimum moves to exactly 0

    ImportedMesh positive = meshWithTexCoords({{0.5f, 3.0f}, {1.5f, 0.0f}});
    shiftTextureCoordinates(positive);
    EXPECT_EQ(positive.vertices[0].texCoord.x, 0.5f);  // nothing negative: left alone
    EXPECT_EQ(positive.vertices[0].texCoord.y, 3.0f);
}

ImportedMesh boxMesh(Vec3 low, Vec3 high) {
    ImportedMesh mesh;
    for (int corner = 0; corner < 8; ++corner)
        mesh.vertices.push_back({{corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y, corner & 4 ? high.z : low.z},
                                 {0, 0, 1},
                                 {0, 0}});
    return mesh;
}

// Every camera, put through the renderer's view and the first camera's projection, sees every
// vertex, beyond the near clipping distance, centred, and spanning the framed share of the
// narrower side in its limiting direction (the same pixel margin on all sides).
TEST(ImportFraming, EveryCameraFitsTheProjectedModelTightly) {
    struct Case {
        const char* name;
        Vec3 low, high;
        int width, height;
    };
    for (Case c : {Case{"cube", {-1, -1, -1}, {1, 1, 1}, 800, 600}, Case{"glider", {-8, -0.2f, -1}, {8, 0.3f, 1}, 800, 600},
                   Case{"plate", {-3, 0, -2}, {3, 0, 2}, 600, 800}, Case{"speck", {5, -2, 1}, {5.01f, -1.99f, 1.02f}, 640, 480},
                   Case{"city", {-2500, 0, -900}, {2700, 300, 1000}, 400, 400}}) {
        SCOPED_TRACE(c.name);
        std::vector<ImportedMesh> meshes = {boxMesh(c.low, c.high)};
        ModelBounds bounds = modelBounds(meshes);
        std::vector<Camera> cameras = framingCameras(meshes, bounds, c.width, c.height);
        ASSERT_EQ(cameras.size(), 4u);
        int narrower = std::min(c.width, c.height);
        double reachX = 1 - (1 - kFramedShare) * narrower / c.width, reachY = 1 - (1 - kFramedShare) * narrower / c.height;
        for (const Camera& camera : cameras) {
            EXPECT_EQ(camera.nearPlane, 1.0f);
            EXPECT_EQ(camera.fieldOfView, cameras[0].fieldOfView);
            EXPECT_EQ(camera.farPlane, cameras[0].farPlane);
            ProjectedExtent extent = projectedExtent(meshes, camera, cameras[0], c.width, c.height);
            EXPECT_FALSE(extent.clipped);
            EXPECT_NEAR(std::max(extent.widthShare / reachX, extent.heightShare / reachY), 1.0, 0.01);
            EXPECT_NEAR(extent.lowX + extent.highX, 0.0, 0.01);
            EXPECT_NEAR(extent.lowY + extent.highY, 0.0, 0.01);
        }
        // The three-quarter view looks down on the model from its front right; then front,
        // side (from +x) and top.
        EXPECT_GT(cameras[0].position.x, bounds.centre.x);
        EXPECT_GT(cameras[0].position.y, bounds.centre.y);
        EXPECT_GT(cameras[0].position.z, bounds.centre.z);
        EXPECT_GT(cameras[1].position.z, bounds.centre.z);
        EXPECT_GT(cameras[2].position.x, bounds.centre.x);
        EXPECT_GT(cameras[3].position.y, bounds.centre.y);
        EXPECT_EQ(cameras[3].rotation.x, -90.0f);
        // The key light stands above the first camera and lights the top, front and right
        // side that camera shows.
        Camera first = cameras[0];
        updateCameraBasis(first);
        Vec3 key = vec3Sub(xyz(framingLights(first, bounds)[0].position), bounds.centre);
        EXPECT_GT(vec3Dot(vec3Sub(key, vec3Sub(first.position, bounds.centre)), first.up), 0.0f);
        EXPECT_GT(key.x, 0.0f);
        EXPECT_GT(key.y, 0.0f);
        EXPECT_GT(key.z, 0.0f);
    }
}

// Each of the six up axes turns to +y by a turn, never a mirror, and a z-up model's front (-y)
// comes to face the scene's front (+z).
TEST(ImportUpAxis, TurnsEveryAxisUpWithoutMirroring) {
    for (const char* name : {"x", "y", "z", "-x", "-y", "-z"}) {
        SCOPED_TRACE(name);
        std::optional<UpAxis> up = parseUpAxis(name);
        ASSERT_TRUE(up);
        EXPECT_EQ(parseUpAxis(upAxisName(*up)), up);
        Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
        std::vector<ImportedMesh> meshes(1);
        for (Vec3 a : axes) meshes[0].vertices.push_back({a, a, {0, 0}});
        turnToYUp(meshes, *up);
        const std::vector<ImportedVertex>& v = meshes[0].vertices;
        Vec3 upward = v[up->axis].position;
        if (up->sign < 0) upward = vec3Scale(upward, -1);
        EXPECT_EQ(upward.y, 1.0f);
        EXPECT_EQ(vec3Dot(vec3Cross(v[0].position, v[1].position), v[2].position), 1.0f);  // a turn
        EXPECT_EQ(v[0].normal.x, v[0].position.x);
    }
    std::vector<ImportedMesh> front(1);
    front[0].vertices.push_back({{0, -1, 0}, {0, -1, 0}, {0, 0}});
    turnToYUp(front, *parseUpAxis("z"));
    EXPECT_EQ(front[0].vertices[0].position.z, 1.0f);
    for (const char* bad : {"", "w", "+", "--x", "xy", "1"}) EXPECT_FALSE(parseUpAxis(bad)) << bad;
}

// A cone of 200 segments with a flat base: the slope is smooth round the cone, the rim between
// slope and base stays hard, and the tip, shared by 200 faces, gets a bounded number of normals.
TEST(ImportNormals, KeepHardEdgesAndStayBoundedAtCrowdedCorners) {
    const int segments = 200;
    ImportedMesh cone;
    auto add = [&cone](Vec3 p) {
        cone.vertices.push_back({p, {0, 0, 0}, {0, 0}});
        return static_cast<int>(cone.vertices.size()) - 1;
    };
    int tip = add({0, 1, 0}), centre = add({0, 0, 0});
    std::vector<int> rim;
    for (int i = 0; i < segments; ++i) {
        double a = 2 * M_PI * i / segments;
        rim.push_back(add({static_cast<float>(std::cos(a)), 0, static_cast<float>(-std::sin(a))}));
    }
    for (int i = 0; i < segments; ++i) {
        int next = rim[(i + 1) % segments];
        cone.indices.insert(cone.indices.end(), {tip, rim[i], next, centre, next, rim[i]});
    }
    generateNormals(cone, 40);
    EXPECT_EQ(shareAgainstFaces(cone), 0.0);
    std::set<std::tuple<float, float, float>> tipNormals;
    int rimSlope = 0, rimBase = 0;
    for (const ImportedVertex& v : cone.vertices) {
        if (v.position.y == 1.0f) tipNormals.insert({v.normal.x, v.normal.y, v.normal.z});
        if (v.position.y != 0.0f || (v.position.x == 0.0f && v.position.z == 0.0f)) continue;
        if (v.normal.y == -1.0f) {
            ++rimBase;  // the base's own, flat normal
        } else {
            ++rimSlope;  // smooth round the cone: along the rim point's direction, tilted up 45 degrees
            Vec3 out = vec3Scale(v.position, 1 / vec3Length(v.position));
            EXPECT_NEAR(vec3Dot(v.normal, out), std::sqrt(0.5f), 1e-3f);
            EXPECT_NEAR(v.normal.y, std::sqrt(0.5f), 1e-3f);
        }
    }
    EXPECT_EQ(rimSlope, segments);
    EXPECT_EQ(rimBase, segments);
    EXPECT_GT(tipNormals.size(), 4u);  // not one normal straight up for the whole tip
    EXPECT_LE(tipNormals.size(), 32u);

    // A cube's faces are 90 degrees apart: flat at 40, but smooth at 100.
    ImportedMesh cube;
    for (int corner = 0; corner < 8; ++corner)
        cube.vertices.push_back({{corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f, corner & 4 ? 1.0f : -1.0f}, {}, {}});
    cube.indices = {0, 2, 3, 0, 3, 1, 4, 5, 7, 4, 7, 6, 0, 1, 5, 0, 5, 4, 2, 6, 7, 2, 7, 3, 0, 4, 6, 0, 6, 2, 1, 3, 7, 1, 7, 5};
    ImportedMesh smooth = cube;
    generateNormals(cube, 40);
    EXPECT_EQ(cube.vertices.size(), 24u);
    generateNormals(smooth, 100);
    EXPECT_EQ(smooth.vertices.size(), 8u);
    // Area-weighted: a corner where a face's diagonal ends leans towards that face a little.
    for (const ImportedVertex& v : smooth.vertices) EXPECT_GT(vec3Dot(v.normal, v.position), 1.6f);
}

// Two faces meeting at a gentle fold, written with 0 on one side of the shared edge and -0 on
// the other (as mirrored or transformed models have them): one position, so smooth across it.
TEST(ImportNormals, SmoothAcrossCornersAtZeroAndMinusZero) {
    ImportedMesh fold;
    for (Vec3 p : {Vec3{0, 0, 0}, Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{-0.0f, 0, 0}, Vec3{-0.0f, 1, 0},
                   Vec3{-1, 0, 0.2f}})
        fold.vertices.push_back({p, {}, {}});
    fold.indices = {0, 1, 2, 3, 4, 5};
    generateNormals(fold, 40);
    for (auto [plus, minus] : {std::pair{0, 3}, std::pair{2, 4}}) {  // corners at the same place
        Vec3 a = fold.vertices[fold.indices[plus]].normal, b = fold.vertices[fold.indices[minus]].normal;
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.y, b.y);
        EXPECT_EQ(a.z, b.z);
        EXPECT_GT(a.x, 0.0f);  // leaning towards the tilted face, not flat
    }
}

// The writer's short numbers read back (strtof, as the scene reader does) as exactly the float
// written, as the nine significant digits it used to write do, across every magnitude.
TEST(ImportSceneText, NumbersReadBackAsTheSameFloats) {
    std::vector<float> values = {0.1f, -0.0f, 1.0f / 3, 16777216.0f, 16777218.0f, 1e-45f, 1.17549435e-38f,
                                 3.40282347e38f, -2.5e-7f, 123456.789f};
    unsigned state = 12345;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1664525u + 1013904223u;
        float v;
        unsigned bits = state & 0x7f7fffffu;  // finite, either sign
        std::memcpy(&v, &bits, sizeof v);
        values.push_back(v);
    }
    SceneDescription scene;
    ImportedMesh mesh;
    mesh.name = "Numbers";
    for (std::size_t i = 0; i + 8 <= values.size(); i += 8) {
        ImportedVertex v;
        v.position = {values[i], values[i + 1], values[i + 2]};
        v.normal = {values[i + 3], values[i + 4], values[i + 5]};
        v.texCoord = {values[i + 6], values[i + 7]};
        mesh.vertices.push_back(v);
    }
    scene.materials.push_back(Material{});
    scene.materials.back().name = "M";
    scene.meshes.push_back(mesh);
    const std::string text = sceneText(scene);
    std::size_t at = text.find("\t\tPOSITION: ");
    std::size_t checked = 0;
    for (const ImportedVertex& v : mesh.vertices) {
        ASSERT_NE(at, std::string::npos);
        const float expected[8] = {v.position.x, v.position.y, v.position.z, v.normal.x,
                                   v.normal.y,   v.normal.z,   v.texCoord.x, v.texCoord.y};
        const char* p = text.c_str() + at;
        for (float e : expected) {
            while (*p && !(std::isdigit(static_cast<unsigned char>(*p)) || *p == '-')) ++p;
            char* end = nullptr;
            const float read = std::strtof(p, &end);
            ASSERT_EQ(std::memcmp(&read, &e, sizeof e), 0) << std::string(p, static_cast<const char*>(end)) << " for " << e;
            p = end;
            ++checked;
        }
        at = text.find("\t\tPOSITION: ", static_cast<std::size_t>(p - text.c_str()));
    }
    EXPECT_EQ(checked, mesh.vertices.size() * 8);
    EXPECT_NE(text.find("POSITION: 0.1 -0 0.33333334 NORMAL: 16777216 16777218 1e-45"), std::string::npos);
}
