// The importer's parts on their own: options, names, texture lookup and TGA output, texture
// coordinate shifts and the framing of the model.
#include <gtest/gtest.h>

#include <cmath>

#include "import/framing.h"
#include "import/import_options.h"
#include "import/scene_writer.h"
#include "import/file_access.h"
#include "import/texture_files.h"
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
    auto options = parse({"-o", "out/scene.txt", "--size", "320x200", "--max-texture", "512", "--keep-units", "m.obj"});
    ASSERT_TRUE(options);
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
    EXPECT_EQ(defaultSceneFile("some/where/model.glb"), "model.txt");

    ASSERT_TRUE(parse({"--help"}));
    EXPECT_TRUE(parse({"--help"})->help);

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {}, {"a.obj", "b.obj"}, {"--size", "800", "m.obj"}, {"--size", "0x600", "m.obj"},
             {"--size", "80x60x", "m.obj"}, {"--max-texture", "0", "m.obj"}, {"--max-texture", "70000", "m.obj"},
             {"m.obj", "-o"}, {"--frobnicate", "m.obj"}, {"-o", "", "m.obj"}}) {
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
}

TEST(ImportTextureCoordinates, ShiftByWholeNumbersUntilNoneIsNegative) {
    ImportedMesh mesh = meshWithTexCoords({{-1.5f, 0.25f}, {-0.5f, 2.0f}, {0.75f, -3.0f}});
    shiftTextureCoordinates(mesh);
    EXPECT_EQ(mesh.vertices[0].texCoord.x, 0.5f);
    EXPECT_EQ(mesh.vertices[1].texCoord.x, 1.5f);
    EXPECT_EQ(mesh.vertices[2].texCoord.x, 2.75f);
    EXPECT_EQ(mesh.vertices[0].texCoord.y, 3.25f);
    EXPECT_EQ(mesh.vertices[2].texCoord.y, 0.0f);

    ImportedMesh positive = meshWithTexCoords({{0.5f, 3.0f}, {1.5f, 0.0f}});
    shiftTextureCoordinates(positive);
    EXPECT_EQ(positive.vertices[0].texCoord.x, 0.5f);  // nothing negative: left alone
    EXPECT_EQ(positive.vertices[0].texCoord.y, 3.0f);
}

// The sphere around the model must lie inside every camera's view, wholly beyond the distance
// of about 1 at which the projection clips, and inside the far plane.
TEST(ImportFraming, EveryCameraSeesTheWholeBoundingSphere) {
    struct Case {
        ModelBounds bounds;
        float aspect;
    };
    for (Case c : {Case{{{0, 0, 0}, 1}, 800.0f / 600}, Case{{{0, 0, 0}, 1}, 0.5f},
                   Case{{{5, -2, 1}, 0.01f}, 4.0f / 3}, Case{{{100, 0, 0}, 2500}, 1}}) {
        std::vector<Camera> cameras = framingCameras(c.bounds, c.aspect);
        ASSERT_EQ(cameras.size(), 3u);
        for (const Camera& camera : cameras) {
            Vec3 toCentre = vec3Sub(c.bounds.centre, camera.position);
            double distance = vec3Length(toCentre);
            double halfVertical = camera.fieldOfView / 2 * M_PI / 180;
            double halfHorizontal = std::atan(c.aspect * std::tan(halfVertical));
            double sphereHalfAngle = std::asin(c.bounds.radius / distance);
            EXPECT_LT(sphereHalfAngle, std::min(halfVertical, halfHorizontal) * 0.95);
            EXPECT_GT(distance - c.bounds.radius, 1.05);
            EXPECT_EQ(camera.nearPlane, 1.0f);
            EXPECT_GT(camera.farPlane, distance + c.bounds.radius);
            EXPECT_EQ(camera.fieldOfView, cameras[0].fieldOfView);  // the projection is the first camera's
        }
        // Front looks along -z, side along -x, top straight down: each from that side of the centre.
        EXPECT_GT(cameras[0].position.z, c.bounds.centre.z);
        EXPECT_GT(cameras[1].position.x, c.bounds.centre.x);
        EXPECT_GT(cameras[2].position.y, c.bounds.centre.y);
        EXPECT_EQ(cameras[2].rotation.x, -90.0f);
    }
    // Lights stand outside the model.
    for (const Light& light : framingLights({{3, 3, 3}, 2}))
        EXPECT_GT(vec3Length(vec3Sub(xyz(light.position), {3, 3, 3})), 2 * 2.0f);
}
