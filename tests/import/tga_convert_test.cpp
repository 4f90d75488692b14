// quelmar-tga as a user runs it: a PNG in, a TGA out that the scene loader reads upright.
#include <gtest/gtest.h>

#include <png.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "import/tga_convert.h"
#include "scene/tga.h"
#include "support/files.h"
#include "support/process.h"

namespace {

// A PNG of 8-bit RGBA pixels given top row first, as a picture is drawn.
void writeRgbaPng(const std::string& path, int width, int height, const std::vector<std::uint8_t>& topRowFirst) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, topRowFirst.data(), 0, nullptr)) << image.message;
}

struct Conversion {
    int status;
    std::string output;
};

Conversion convert(const TempFolder& folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), QUELMAR_TGA_COMMAND);
    int status = runProgram(arguments, folder.file("tga.log"));
    return {status, readTextFile(folder.file("tga.log"))};
}

std::unique_ptr<Image> load(const std::string& path) {
    std::ostringstream out, err;
    return tgaRead(path, LoadLog{out, err});
}

}  // namespace

// Red over blue: row 0 of a loaded texture is the picture's bottom row, so red must come out
// in the top row, in the 24-bit file of an opaque picture and the 32-bit one of a translucent.
TEST(TgaConvert, PicturesLoadTheRightWayUpWithAlphaKept) {
    TempFolder folder;
    for (std::uint8_t alpha : {std::uint8_t{255}, std::uint8_t{100}}) {
        SCOPED_TRACE(static_cast<int>(alpha));
        writeRgbaPng(folder.file("in.png"), 1, 2, {255, 0, 0, alpha, 0, 0, 255, 255});
        Conversion run = convert(folder, {folder.file("in.png"), folder.file("out.tga")});
        EXPECT_EQ(run.status, 0) << run.output;
        std::string bits = alpha == 255 ? "24" : "32";
        EXPECT_EQ(run.output, "quelmar-tga: wrote '" + folder.file("out.tga") + "' (1 x 2, " + bits + "-bit)\n");
        std::unique_ptr<Image> texture = load(folder.file("out.tga"));
        ASSERT_TRUE(texture);
        ASSERT_EQ(texture->height, 2);
        const Colour top = texture->pixels[1], bottom = texture->pixels[0];
        EXPECT_EQ(top.r, 1.0f);
        EXPECT_EQ(top.b, 0.0f);
        EXPECT_EQ(top.a, alpha * (1.0f / 255.0f));
        EXPECT_EQ(bottom.b, 1.0f);
        EXPECT_EQ(bottom.r, 0.0f);
    }
}

TEST(TgaConvert, BadInputLeavesAnExistingFileAsItWas) {
    TempFolder folder;
    writeTextFile(folder.file("out.tga"), "keep me");
    writeTextFile(folder.file("broken.png"), std::string("\x89PNG\r\n\x1a\n", 8) + "not really");
    Conversion broken = convert(folder, {folder.file("broken.png"), folder.file("out.tga")});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.output.rfind("quelmar-tga: cannot decode '" + folder.file("broken.png") + "': ", 0), 0u)
        << broken.output;
    Conversion missing = convert(folder, {folder.file("none.png"), folder.file("out.tga")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "quelmar-tga: cannot read " + folder.file("none.png") + ": No such file or directory\n");
    EXPECT_EQ(readTextFile(folder.file("out.tga")), "keep me");

    writeRgbaPng(folder.file("in.png"), 1, 1, {1, 2, 3, 255});
    Conversion noFolder = convert(folder, {folder.file("in.png"), folder.file("no/such/out.tga")});
    EXPECT_EQ(noFolder.status, 1) << noFolder.output;
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {}, {folder.file("in.png")}, {"--bogus", folder.file("in.png"), folder.file("x.tga")}})
        EXPECT_EQ(convert(folder, bad).status, 2);
}

TEST(TgaConvert, NormalMapsAreCheckedOnRequest) {
    auto picture = [](std::vector<std::uint8_t> rgb) {
        std::vector<std::uint8_t> rgba;
        for (int i = 0; i < 16; ++i) rgba.insert(rgba.end(), {rgb[0], rgb[1], rgb[2], 255});
        return rawImage(4, 4, rgba);
    };
    EXPECT_EQ(normalMapProblems(picture({128, 128, 255})), "");
    EXPECT_EQ(normalMapProblems(picture({200, 30, 40})),
              "100% of its pixels have blue below 128, normals facing into the surface; red averages 200 instead of "
              "about 128, so the surface would look tilted; green averages 30 instead of about 128, so the surface "
              "would look tilted");
    EXPECT_EQ(normalMapProblems(picture({128, 128, 160})), "100% of its pixels are not unit-length normals");

    TempFolder folder;
    writeRgbaPng(folder.file("photo.png"), 1, 1, {200, 30, 40, 255});
    Conversion run = convert(folder, {"--normal-map", folder.file("photo.png"), folder.file("photo.tga")});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("quelmar-tga: warning: '" + folder.file("photo.png") +
                              "' does not look like a tangent-space normal map: "),
              std::string::npos)
        << run.output;
}
