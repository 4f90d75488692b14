// quelmar-render as a user runs it: options, exit statuses, and the files it writes.
#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

Outcome render(const TempFolder& folder, std::vector<std::string> arguments, const ProcessSetting& setting = {}) {
    arguments.insert(arguments.begin(), QUELMAR_RENDER_COMMAND);
    std::string log = folder.file("render.log");
    int status = runProgram(arguments, log, setting);
    return {status, readTextFile(log)};
}

std::string demoScene() { return (sourceFolder() / "tests/scenes/empty.txt").string(); }
std::string texturedScene() { return (sourceFolder() / "tests/scenes/textured.txt").string(); }

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One triangle lit by the ambient term alone, whose colour has alpha 0.3 and a red above 1.
const char* const kTranslucentScene = R"(VIEWPORT
MIN: 2 2
MAX: 40 30
MATERIAL "Glass"
	AMBIENT: 1.5 0.5 0.2 0.3
	DIFFUSE: 0 0 0 1
	SPECULAR: 0 0 0 1
	SHININESS: 1
	TEXTUREMAP: None
	NORMALMAP: None
CAMERA "Front"
	POSITION: 0 0 3
	ROTATION: 0 0 0
	FIELDOFVIEW: 60
	NEARPLANE: 1
	FARPLANE: 100
SCENEAMBIENCE: 1 1 1 1
SCENEATTENUATION: 1 0 0
TRIMESH "Tri"
	POSITION: 0 0 0
	ROTATION: 0 0 1 0
	ROTATIONMATRIX: X: 1 0 0 Y: 0 1 0 Z: 0 0 1
	VERTEXCOUNT 3
		POSITION: -1 -1 0 NORMAL: 0 0 1 TEXCOORD: 0 0
		POSITION: 1 -1 0 NORMAL: 0 0 1 TEXCOORD: 1 0
		POSITION: 0 1 0 NORMAL: 0 0 1 TEXCOORD: 0.5 1
	MATERIALCOUNT 1
		MATERIAL "Glass"
		TRIANGLECOUNT 1
		0 1 2
)";

struct Pfm {
    int width = 0, height = 0;
    std::vector<float> rgb;  // the lowest row first
};

Pfm readPfm(const std::string& path) {
    std::string bytes = readTextFile(path);
    Pfm pfm;
    int headerBytes = 0;
    if (std::sscanf(bytes.c_str(), "PF\n%d %d\n-1.0\n%n", &pfm.width, &pfm.height, &headerBytes) != 2) return {};
    pfm.rgb.resize(bytes.size() - static_cast<std::size_t>(headerBytes));
    pfm.rgb.resize(pfm.rgb.size() / sizeof(float));
    std::memcpy(pfm.rgb.data(), bytes.data() + headerBytes, pfm.rgb.size() * sizeof(float));
    return pfm;
}

TEST(RenderCommand, HelpVersionAndBadOptions) {
    TempFolder folder;
    Outcome help = render(folder, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("Usage: quelmar-render [options] SCENE\n", 0), 0u);
    Outcome version = render(folder, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind(std::string("quelmar-render ") + QUELMAR_VERSION + "\n", 0), 0u) << version.output;

    const std::string png = folder.file("x.png");
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"--bogus", demoScene()}, {"-s", "12", demoScene()}, {"-f", "0", demoScene()}, {"-j", "x", demoScene()},
             {"-o"}, {}, {demoScene(), demoScene()}, {"-o", folder.file("x.jpg"), demoScene()},
             // sizes and counts are digits only, within their range
             {"-s", " 10x10", demoScene()}, {"-s", "+10x+10", demoScene()}, {"-s", "1e3x2", demoScene()},
             {"-s", "10x10 ", demoScene()}, {"-s", "10x", demoScene()}, {"-s", "16385x10", demoScene()},
             {"-s", "99999999999x1", demoScene()}, {"-f", "+3", demoScene()}, {"-f", "1e2", demoScene()},
             {"-f", "100001", demoScene()}, {"-j", "257", demoScene()}, {"-j", "-1", demoScene()},
             {"-c", "1,2,3,4", demoScene()}, {"--camera", "1,2,3,4,x", demoScene()},
             // an empty output name, and two outputs
             {"-o", "", demoScene()}, {"-o", png, "-o", png, demoScene()}}) {
        Outcome run = render(folder, bad);
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_TRUE(contains(run.output, "Try 'quelmar-render --help'")) << run.output;
    }
    EXPECT_FALSE(std::filesystem::exists(png));
    EXPECT_TRUE(contains(render(folder, {"-s", "100000x100000", demoScene()}).output, "from 1 to 16384"));
    EXPECT_TRUE(contains(render(folder, {"-f", "1e3", demoScene()}).output, "from 1 to 100000"));
    EXPECT_EQ(render(folder, {"-s", "16384x1", "-f", "007", "-j", "256", demoScene()}).status, 0);
}

// The README quotes the help whole and the manual its option lines, indented by four blanks.
TEST(RenderCommand, TheDocumentsQuoteTheCurrentHelp) {
    TempFolder folder;
    const std::string help = render(folder, {"--help"}).output;
    const std::string readme = readTextFile((sourceFolder() / "README.md").string());
    EXPECT_TRUE(contains(readme, "```\n" + help + "```\n")) << "README.md's help block differs from:\n" << help;

    const std::string manual = readTextFile((sourceFolder() / "docs/quelmar.1.md").string());
    std::size_t first = help.find("  -o, --output"), end = help.find("\n\n", first);
    ASSERT_NE(first, std::string::npos);
    std::string options = help.substr(first, end + 1 - first), indented;
    for (std::size_t at = 0, next; at < options.size(); at = next + 1) {
        next = options.find('\n', at);
        indented += "  " + options.substr(at, next + 1 - at);
    }
    EXPECT_TRUE(contains(manual, indented)) << "docs/quelmar.1.md's options differ from:\n" << indented;
}

TEST(RenderCommand, UnreadableSceneAndUnwritableOutputFailWithTheReason) {
    TempFolder folder;
    const std::string missingScene = folder.file("nothing.txt");
    const std::string expected = "ERROR: '" + missingScene + "' failed to open.\n  " + missingScene +
                                 ": No such file or directory\n";
    Outcome missing = render(folder, {"-o", folder.file("x.png"), missingScene});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.output, expected);
    Outcome quiet = render(folder, {"-q", missingScene});
    EXPECT_EQ(quiet.status, 1);
    EXPECT_EQ(quiet.output, expected) << "quiet keeps the failure";

    for (std::string extension : {".png", ".pfm"}) {
        std::string noFolder = folder.file("no/such/folder/x" + extension);
        Outcome unwritable = render(folder, {"-q", "-o", noFolder, demoScene()});
        EXPECT_EQ(unwritable.status, 1);
        EXPECT_EQ(unwritable.output, "quelmar-render: cannot open '" + noFolder + "': No such file or directory\n");
        // A device that is always full: the data is lost on the way, not at opening.
        std::string full = folder.file("full" + extension);
        std::filesystem::create_symlink("/dev/full", full);
        Outcome lost = render(folder, {"-q", "-o", full, demoScene()});
        EXPECT_EQ(lost.status, 1);
        EXPECT_EQ(lost.output, "quelmar-render: cannot write '" + full + "': No space left on device\n");
    }
}

TEST(RenderCommand, QuietDropsOnlyTheLoadLogNotAnImageThatCannotBeRead) {
    TempFolder folder;
    std::string scene = readTextFile(texturedScene());
    ASSERT_TRUE(contains(scene, "checker16.tga"));
    scene.replace(scene.find("checker16.tga"), 13, "missing.tga");
    writeTextFile(folder.file("scene.txt"), scene);
    Outcome quiet = render(folder, {"-q", "-o", folder.file("x.png"), folder.file("scene.txt")});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.output, "TGA_Write: failed to open file missing.tga\n  missing.tga: No such file or directory; " +
                                folder.file("missing.tga") + ": No such file or directory\n");
    Outcome loud = render(folder, {"-o", folder.file("x.png"), folder.file("scene.txt")});
    EXPECT_TRUE(contains(loud.output, quiet.output));
    EXPECT_TRUE(contains(loud.output, "Num surfaces: "));
}

// The extension picks the format in either case, and a name that is only an extension is a name.
TEST(RenderCommand, PngIsOpaqueRgbAsTheWindowShowsItAndPfmIsTheExactBuffer) {
    TempFolder folder;
    writeTextFile(folder.file("glass.txt"), kTranslucentScene);
    ASSERT_EQ(render(folder, {"-s", "50x40", "-o", folder.file("FRAME.PNG"), folder.file("glass.txt")}).status, 0);
    ASSERT_EQ(render(folder, {"-s", "50x40", "-o", folder.file("frame.Pfm"), folder.file("glass.txt")}).status, 0);
    ASSERT_EQ(render(folder, {"-s", "50x40", "-o", ".png", "glass.txt"}, {"", folder.path().string()}).status, 0);
    EXPECT_EQ(readTextFile(folder.file(".png")), readTextFile(folder.file("FRAME.PNG")));

    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&png, folder.file("FRAME.PNG").c_str())) << png.message;
    EXPECT_EQ(png.format & PNG_FORMAT_FLAG_ALPHA, 0u) << "no alpha channel";
    EXPECT_EQ(png.format & PNG_FORMAT_FLAG_COLOR, static_cast<png_uint_32>(PNG_FORMAT_FLAG_COLOR));
    ASSERT_EQ(png.width, 50u);
    ASSERT_EQ(png.height, 40u);
    png.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) << png.message;

    Pfm pfm = readPfm(folder.file("frame.Pfm"));
    ASSERT_EQ(pfm.width, 50);
    ASSERT_EQ(pfm.height, 40);
    ASSERT_EQ(pfm.rgb.size(), 50u * 40u * 3u);
    EXPECT_EQ(pfm.rgb[0], 1.0f) << "the lower-left corner lies outside the viewport: white";
    // Each PNG channel is the buffer's, clamped and rounded; the PNG's rows run top down.
    int mismatches = 0, glassPixels = 0;
    for (int row = 0; row < 40; ++row) {
        for (int column = 0; column < 50; ++column) {
            const float* exact = &pfm.rgb[(static_cast<std::size_t>(row) * 50 + column) * 3];
            const png_byte* shown = &rgb[(static_cast<std::size_t>(39 - row) * 50 + column) * 3];
            for (int channel = 0; channel < 3; ++channel) mismatches += shown[channel] != toByte(exact[channel]);
            glassPixels += exact[0] == 1.5f;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GT(glassPixels, 100) << "the triangle, red above 1 and alpha 0.3, covers part of the frame";
}

TEST(RenderCommand, KeysTheViewerIgnoresAreWarnedAboutOnceAndChangeNothing) {
    TempFolder folder;
    Outcome plain = render(folder, {"-q", "-k", "s>", "-o", folder.file("plain.pfm"), texturedScene()});
    ASSERT_EQ(plain.status, 0) << plain.output;
    EXPECT_EQ(plain.output, "");
    Outcome odd = render(folder, {"-q", "-k", "xs?x>", "-o", folder.file("odd.pfm"), texturedScene()});
    ASSERT_EQ(odd.status, 0) << odd.output;
    EXPECT_EQ(odd.output.rfind("quelmar-render: warning: the viewer does nothing for the keys 'x?' ", 0), 0u)
        << odd.output;
    EXPECT_EQ(std::count(odd.output.begin(), odd.output.end(), '\n'), 1);
    EXPECT_EQ(readTextFile(folder.file("odd.pfm")), readTextFile(folder.file("plain.pfm")));
}

TEST(RenderCommand, SceneFromStandardInputFindsImagesInTheWorkingDirectory) {
    TempFolder folder, elsewhere;
    std::filesystem::copy_file(sourceFolder() / "tests/scenes/checker16.tga", folder.file("checker16.tga"));
    Outcome fromFile = render(folder, {"-o", folder.file("file.pfm"), texturedScene()});
    ASSERT_EQ(fromFile.status, 0) << fromFile.output;
    Outcome fromInput =
        render(folder, {"-o", folder.file("input.pfm"), "-"}, {texturedScene(), folder.path().string()});
    ASSERT_EQ(fromInput.status, 0) << fromInput.output;
    EXPECT_EQ(fromInput.output, fromFile.output);
    EXPECT_EQ(readTextFile(folder.file("input.pfm")), readTextFile(folder.file("file.pfm")));

    // Not beside the scene file: standard input has no folder of its own.
    Outcome noImage = render(elsewhere, {"-q", "-"}, {texturedScene(), elsewhere.path().string()});
    EXPECT_EQ(noImage.status, 0);
    EXPECT_EQ(noImage.output,
              "TGA_Write: failed to open file checker16.tga\n  checker16.tga: No such file or directory\n");

    Outcome folderAsInput = render(folder, {"-q", "-"}, {folder.path().string(), ""});
    EXPECT_EQ(folderAsInput.status, 1);
    EXPECT_EQ(folderAsInput.output, "quelmar-render: cannot read the scene from standard input: Is a directory\n");
}

TEST(RenderCommand, SeveralFramesPrintTheirTimes) {
    TempFolder folder;
    Outcome run = render(folder, {"-q", "-f", "3", "-j", "2", "-s", "30x30", demoScene()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.rfind("Load: ", 0), 0u) << run.output;
    EXPECT_NE(run.output.find(" ms\nFrames: 3, ms per frame: min "), std::string::npos) << run.output;
}

}  // namespace

// Mistakes in a scene are located by line, in the log or, with -q, on standard error alone;
// --strict turns an error into exit status 1 for scripts.
TEST(RenderCommand, SceneMistakesAreLocatedKeptWhenQuietAndFailStrictRuns) {
    TempFolder folder;
    std::string scene(kTranslucentScene);
    const std::string typo = folder.file("typo.txt");
    writeTextFile(typo, scene.replace(scene.find("DIFFUSE"), 7, "DIFUSE"));
    const std::string located = "  " + typo + ":6: 'DIFUSE: 0 0 0 1': expected DIFFUSE: and four numbers\n";
    Outcome loud = render(folder, {typo});
    EXPECT_EQ(loud.status, 0);
    EXPECT_TRUE(contains(loud.output, "found 'USE: 0 0 0 1'; the rest of the file is ignored.\n" + located))
        << loud.output;

    // Standard output and standard error apart.
    ProcessSetting apart;
    apart.errorFile = folder.file("errors.log");
    runProgram({QUELMAR_RENDER_COMMAND, "-q", typo}, folder.file("output.log"), apart);
    EXPECT_EQ(readTextFile(folder.file("output.log")), "");
    EXPECT_TRUE(contains(readTextFile(apart.errorFile), located));

    const std::string unlit = folder.file("unlit.txt");
    std::string withoutAttenuation(kTranslucentScene);
    writeTextFile(unlit, withoutAttenuation.erase(withoutAttenuation.find("SCENEATTENUATION: 1 0 0\n"), 24));
    Outcome warned = render(folder, {"--strict", unlit});
    EXPECT_EQ(warned.status, 0) << "warnings alone do not fail a strict run";
    EXPECT_TRUE(contains(warned.output, "warning: " + unlit + ":18: no SCENEATTENUATION line")) << warned.output;

    EXPECT_EQ(render(folder, {"--strict", "-q", typo}).status, 1);
    EXPECT_EQ(render(folder, {"--strict", "-q", texturedScene()}).status, 0);
}
