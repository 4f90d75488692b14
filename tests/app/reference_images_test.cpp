// Reference pictures: each case renders a scene of tests/scenes with the real quelmar-render
// command, run as its own process exactly as a user runs it, and compares the PNG it writes with
// the stored picture tests/images/<case>.png. The renderer is deterministic, so the pictures
// must match exactly unless a case allows a tolerance.
//
// On a mismatch the rendered picture and a difference picture (differing pixels in red over a
// faded copy of the reference) stay in a temporary folder that the failure message names.
//
// After a deliberate change to what the renderer draws, rewrite the references with
//     QUELMAR_UPDATE_REFERENCES=1 ctest -R ReferenceImages
// (those runs report the cases as skipped), then look at every picture that changed, and check
// it against what the scene should show, before committing it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/image_file.h"
#include "support/files.h"
#include "support/image_compare.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

struct ReferenceCase {
    const char* name;       // also the reference picture's file name
    const char* scene;      // in tests/scenes
    const char* keys = "";  // key presses before the frame, as the viewer's keyboard takes them
    const char* size = "";  // window size WxH; empty for the size the viewer opens with
    int tolerance = 0;      // 8-bit levels a channel may be off by
};

void PrintTo(const ReferenceCase& c, std::ostream* out) { *out << c.name; }

// What each scene is for is described in tests/scenes/README.md.
const ReferenceCase kCases[] = {
    {.name = "empty_scene", .scene = "empty.txt"},
    {.name = "textured", .scene = "textured.txt"},
    {.name = "textured_gouraud", .scene = "textured.txt", .keys = "s"},
    {.name = "texturing_off", .scene = "textured.txt", .keys = "t"},
    {.name = "normal_mapped", .scene = "normal_mapped.txt"},
    {.name = "normal_mapping_off", .scene = "normal_mapped.txt", .keys = "n"},
    {.name = "highlight_phong", .scene = "highlight.txt"},
    {.name = "highlight_gouraud", .scene = "highlight.txt", .keys = "s"},
    {.name = "two_materials", .scene = "two_materials.txt"},
    {.name = "two_materials_gouraud", .scene = "two_materials.txt", .keys = "S"},
    {.name = "depth_overlap", .scene = "depth.txt"},
    {.name = "near_plane_floor", .scene = "near_floor.txt"},
    {.name = "clipped_triangle_gouraud", .scene = "clipped_triangle.txt", .keys = "s"},
    {.name = "cameras_first", .scene = "cameras.txt"},
    {.name = "cameras_next", .scene = "cameras.txt", .keys = ">"},
    {.name = "cameras_previous", .scene = "cameras.txt", .keys = "<"},
    {.name = "camera_pitched_and_turned", .scene = "turned_camera.txt"},
    {.name = "window_larger_than_viewport", .scene = "window.txt", .size = "280x210"},
    {.name = "viewport_past_window", .scene = "window.txt", .size = "150x110"},
    {.name = "viewport_left_of_and_below_window", .scene = "negative_min.txt"},
    {.name = "coloured_lights", .scene = "coloured_lights.txt"},
    {.name = "default_camera_and_material", .scene = "defaults.txt"},
};

bool updatingReferences() {
    const char* value = std::getenv("QUELMAR_UPDATE_REFERENCES");
    return value && std::string(value) == "1";
}

// Runs the renderer with its output (the load log, any complaint) going to `logFile`; returns
// its exit status, or -1 when it could not be started or did not exit normally.
// A folder of its own for each test process; it is kept when the case fails, so that the
// pictures the failure message names can be looked at.
fs::path outputFolder(const ReferenceCase& c) {
    fs::path folder = fs::temp_directory_path() /
                      ("quelmar-reference-" + std::string(c.name) + "-" + std::to_string(getpid()));
    fs::create_directories(folder);
    return folder;
}

Image readPicture(const fs::path& path) {
    std::string why;
    std::optional<Image> picture = readPng(path.string(), why);
    if (!picture) ADD_FAILURE() << why;
    return picture ? std::move(*picture) : Image{};
}

class ReferenceImages : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceImages, MatchesStoredPicture) {
    const ReferenceCase& c = GetParam();
    const fs::path scene = sourceFolder() / "tests" / "scenes" / c.scene;
    const fs::path reference = sourceFolder() / "tests" / "images" / (std::string(c.name) + ".png");
    const fs::path folder = outputFolder(c);
    const fs::path rendered = folder / (std::string(c.name) + ".png");
    const fs::path log = folder / "render.log";

    std::vector<std::string> arguments = {QUELMAR_RENDER_COMMAND, "-o", rendered.string()};
    if (*c.keys) arguments.insert(arguments.end(), {"-k", c.keys});
    if (*c.size) arguments.insert(arguments.end(), {"-s", c.size});
    arguments.push_back(scene.string());
    int status = runProgram(arguments, log.string());
    ASSERT_EQ(status, 0) << "quelmar-render failed on " << scene << "; its output:\n" << readTextFile(log.string());

    if (updatingReferences()) {
        fs::create_directories(reference.parent_path());
        fs::copy_file(rendered, reference, fs::copy_options::overwrite_existing);
        fs::remove_all(folder);
        GTEST_SKIP() << "reference rewritten: " << reference;
    }
    ASSERT_TRUE(fs::exists(reference)) << "no reference picture " << reference << " (this run rendered "
                                       << rendered << "); store one with QUELMAR_UPDATE_REFERENCES=1 once "
                                       << "the picture has been checked by eye";

    Image actual = readPicture(rendered);
    Image expected = readPicture(reference);
    ImageComparison comparison = compareImages(actual, expected, c.tolerance);
    if (imagesMatch(comparison)) {
        fs::remove_all(folder);
        return;
    }
    std::string saved = "rendered picture: " + rendered.string() + "\n  load log: " + log.string();
    if (comparison.sameSize) {
        const fs::path difference = folder / (std::string(c.name) + "-difference.png");
        std::string why;
        if (writePng(differencePicture(actual, expected, c.tolerance), difference.string(), why))
            saved += "\n  difference picture (differing pixels in red): " + difference.string();
        else
            saved += "\n  (no difference picture: " + why + ")";
    }
    ADD_FAILURE() << c.name << " differs from " << reference << ":\n  "
                  << describeComparison(comparison, actual, expected) << "\n  " << saved;
}

INSTANTIATE_TEST_SUITE_P(Scenes, ReferenceImages, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ReferenceCase>& info) { return info.param.name; });

// The comparison is what every case above rests on: it must see a single changed pixel, count
// it, and place it as a picture viewer would.
TEST(ImageComparison, FindsCountsAndPlacesDifferences) {
    Image expected = imageCreate(4, 3);
    imageFill(expected, makeColour(0.5f, 0.5f, 0.5f, 1));
    Image actual = expected;
    EXPECT_TRUE(imagesMatch(compareImages(actual, expected)));

    // Row 0 is the lowest row, so column 1 of row 0 is at x 1, y 2 from the top-left.
    actual.pixels[1] = makeColour(0.5f, 0.5f, 0.5f + 3 / 255.0f, 1);
    actual.pixels[2 + 2 * 4] = makeColour(0.5f + 1 / 255.0f, 0.5f, 0.5f, 1);
    ImageComparison comparison = compareImages(actual, expected);
    EXPECT_FALSE(imagesMatch(comparison));
    EXPECT_EQ(comparison.differingPixels, 2);
    EXPECT_EQ(comparison.maxLevelDifference, 3);
    EXPECT_EQ(comparison.first.x, 2);
    EXPECT_EQ(comparison.first.y, 0);
    EXPECT_EQ(comparison.worst.x, 1);
    EXPECT_EQ(comparison.worst.y, 2);

    // A tolerance of 1 level lets the smaller difference through but not the larger.
    EXPECT_EQ(compareImages(actual, expected, 1).differingPixels, 1);
    EXPECT_TRUE(imagesMatch(compareImages(actual, expected, 3)));

    Image difference = differencePicture(actual, expected);
    EXPECT_EQ(difference.pixels[1].r, 1.0f);
    EXPECT_EQ(difference.pixels[1].g, 0.0f);
    EXPECT_LT(difference.pixels[0].r, 1.0f);

    EXPECT_FALSE(compareImages(imageCreate(4, 2), expected).sameSize);
}

}  // namespace
