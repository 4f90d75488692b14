// Whole frames on every SIMD path this machine runs against the one-pixel (scalar) path, bit
// for bit, for every reference scene in both shading modes; and how the programs pick a path.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/session.h"
#include "shading/pixel_batch.h"
#include "support/files.h"
#include "support/process.h"

namespace {

std::vector<std::filesystem::path> referenceScenes() {
    std::vector<std::filesystem::path> scenes;
    for (const auto& entry : std::filesystem::directory_iterator(sourceFolder() / "tests/scenes"))
        if (entry.path().extension() == ".txt") scenes.push_back(entry.path());
    return scenes;
}

Image renderWith(Session& session, SimdPath path, int threads) {
    session.context.simdPath = path;
    WindowSize size = initialWindowSize(session.context);
    return renderFrame(session.scene, session.context, session.projection, size.width, size.height, threads);
}

// How many pixels differ in any bit.
int differingPixels(const Image& a, const Image& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    int count = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) count += std::memcmp(&a.pixels[i], &b.pixels[i], sizeof(Colour)) != 0;
    return count;
}

}  // namespace

// Phong with both maps, Gouraud textured, Gouraud plain, Phong without maps.
TEST(SimdPathFrames, EveryPathDrawsTheScalarPicture) {
    SimdPath paths[5];
    const int pathCount = runnableSimdPaths(paths);
    for (const std::filesystem::path& scene : referenceScenes()) {
        for (const char* keys : {"", "s", "st", "tn"}) {
            Session session;
            std::ostringstream log;
            ASSERT_TRUE(sessionStart(session, scene.string(), {log, log})) << scene;
            sessionReshape(session);
            for (const char* key = keys; *key; ++key) sessionApplyKey(session, static_cast<unsigned char>(*key));
            Image reference = renderWith(session, SimdPath::scalar, 1);
            for (int i = 1; i < pathCount; ++i) {
                EXPECT_EQ(differingPixels(renderWith(session, paths[i], 2), reference), 0)
                    << scene.filename() << " keys '" << keys << "' on " << simdPathName(paths[i]);
            }
        }
    }
}

TEST(SimdPathChoice, ByNameOrTheFastest) {
    SimdPath path = SimdPath::scalar;
    EXPECT_TRUE(pickSimdPath(nullptr, path));
    EXPECT_EQ(path, fastestSimdPath());
    EXPECT_TRUE(pickSimdPath("", path));
    EXPECT_TRUE(pickSimdPath("scalar", path));
    EXPECT_EQ(path, SimdPath::scalar);
    EXPECT_FALSE(pickSimdPath("avx3", path));
    EXPECT_EQ(path, SimdPath::scalar) << "unchanged by a bad name";
    // A path this machine cannot run is refused like an unknown one.
    for (SimdPath foreign : {SimdPath::neon, SimdPath::avx512, SimdPath::sse2}) {
        if (!shadingKernels(foreign)) {
            EXPECT_FALSE(pickSimdPath(simdPathName(foreign), path));
        }
    }
    std::string names = runnableSimdPathNames();
    EXPECT_EQ(names.rfind("scalar", 0), 0u);
    EXPECT_EQ(names.substr(names.rfind(' ') + 1), simdPathName(fastestSimdPath()));
}

TEST(SimdPathChoice, TheCommandReportsAndChecksItsPaths) {
    TempFolder folder;
    std::string log = folder.file("log");
    ASSERT_EQ(runProgram({QUELMAR_RENDER_COMMAND, "--version"}, log), 0);
    std::string expected = "SIMD paths: " + runnableSimdPathNames() + " (default " +
                           simdPathName(fastestSimdPath()) + ")\n";
    EXPECT_NE(readTextFile(log).find("\n" + expected), std::string::npos) << readTextFile(log);

    std::string scene = (sourceFolder() / "tests/scenes/empty.txt").string();
    setenv("QUELMAR_SIMD", "mmx", 1);
    int status = runProgram({QUELMAR_RENDER_COMMAND, "-q", scene}, log);
    setenv("QUELMAR_SIMD", "scalar", 1);
    int scalarStatus = runProgram({QUELMAR_RENDER_COMMAND, "-q", scene}, folder.file("scalar.log"));
    unsetenv("QUELMAR_SIMD");
    EXPECT_EQ(status, 2);
    EXPECT_NE(readTextFile(log).find("runs: " + runnableSimdPathNames() + "\n"), std::string::npos)
        << readTextFile(log);
    EXPECT_EQ(scalarStatus, 0);
}
