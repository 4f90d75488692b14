// quelmar-render as a user runs it: options, exit statuses, and the files it writes.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "core/image_file.h"
#include "support/files.h"
#include "support/process.h"

namespace {

struct Outcome {
    int status;
    std::string output;
};

Outcome render(const TempFolder& folder, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), QUELMAR_RENDER_COMMAND);
    std::string log = folder.file("render.log");
    int status = runProgram(arguments, log);
    return {status, readTextFile(log)};
}

std::string demoScene() { return (sourceFolder() / "tests/scenes/empty.txt").string(); }

TEST(RenderCommand, HelpAndBadOptions) {
    TempFolder folder;
    Outcome help = render(folder, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: quelmar-render [options] SCENE\n", 0), 0u);
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"--bogus", demoScene()}, {"-s", "12", demoScene()}, {"-f", "0", demoScene()}, {"-j", "x", demoScene()},
             {"-o"}, {}, {demoScene(), demoScene()}, {"-o", folder.file("x.jpg"), demoScene()}}) {
        Outcome run = render(folder, bad);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find("Try 'quelmar-render --help'"), std::string::npos) << run.output;
    }
}

TEST(RenderCommand, UnreadableSceneAndUnwritableOutputFail) {
    TempFolder folder;
    Outcome missing = render(folder, {"-o", folder.file("x.png"), folder.file("nothing.txt")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, "ERROR: '" + folder.file("nothing.txt") + "' failed to open.\n");
    Outcome quiet = render(folder, {"-q", folder.file("nothing.txt")});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.output, "quelmar-render: cannot read the scene file '" + folder.file("nothing.txt") + "'\n");
    Outcome unwritable = render(folder, {"-q", "-o", folder.file("no/such/folder/x.png"), demoScene()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_NE(unwritable.output.find("cannot"), std::string::npos) << unwritable.output;
}

TEST(RenderCommand, WritesPngAndExactPfmOfTheRequestedSize) {
    TempFolder folder;
    Outcome png = render(folder, {"-q", "-s", "50x40", "-o", folder.file("frame.png"), demoScene()});
    ASSERT_EQ(png.status, 0) << png.output;
    EXPECT_EQ(png.output, "") << "quiet means no load log";
    std::string why;
    std::optional<Image> picture = readPng(folder.file("frame.png"), why);
    ASSERT_TRUE(picture) << why;
    EXPECT_EQ(picture->width, 50);
    EXPECT_EQ(picture->height, 40);

    ASSERT_EQ(render(folder, {"-q", "-s", "50x40", "-o", folder.file("frame.pfm"), demoScene()}).status, 0);
    std::string pfm = readTextFile(folder.file("frame.pfm"));
    const std::string header = "PF\n50 40\n-1.0\n";
    ASSERT_EQ(pfm.compare(0, header.size(), header), 0);
    ASSERT_EQ(pfm.size(), header.size() + 50 * 40 * 3 * sizeof(float));
    float first[3];  // the lowest row comes first, as the format stores it
    std::memcpy(first, pfm.data() + header.size(), sizeof first);
    EXPECT_EQ(first[0], 1.0f) << "the lower-left corner lies outside the viewport: white";
}

TEST(RenderCommand, SeveralFramesPrintTheirTimes) {
    TempFolder folder;
    Outcome run = render(folder, {"-q", "-f", "3", "-j", "2", "-s", "30x30", demoScene()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("Frames: 3, ms per frame: min ", 0), 0u) << run.output;
}

}  // namespace
