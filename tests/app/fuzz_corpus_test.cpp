// The fuzz targets' checked-in corpora (fuzz/corpus), replayed in every build through the same
// code paths as the fuzzers: each scene input is parsed and drawn in both shading modes (one
// pixel at a time and on the widest SIMD path, which must agree), each
// image input is decoded and sampled. The corpora hold the seeds and every input that once
// found a bug, so this is also the regression test for those bugs; the sanitizer build turns
// any memory error or undefined behaviour they provoke into a failure.
//
// As in the fuzzers, every '/' of a scene input is read as '_', so that no image name can reach
// beyond the working directory and the scene folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "app/frame.h"
#include "app/session.h"
#include "scene/parser.h"
#include "scene/tga.h"
#include "shading/pixel_batch.h"
#include "shading/sampling.h"
#include "support/drawable_scene.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> corpusFiles(const std::string& target) {
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(sourceFolder() / "fuzz" / "corpus" / target))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string sceneInput(const fs::path& file) {
    std::string text = readTextFile(file.string());
    std::replace(text.begin(), text.end(), '/', '_');
    return text;
}

bool sameFloat(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0 || (a != a && b != b); }

// Pixels that differ in some bit, any NaN counting as any other.
int differingPixels(const Image& a, const Image& b) {
    if (a.pixels.size() != b.pixels.size()) return -1;
    int count = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        const Colour &p = a.pixels[i], &q = b.pixels[i];
        count += !(sameFloat(p.r, q.r) && sameFloat(p.g, q.g) && sameFloat(p.b, q.b) && sameFloat(p.a, q.a));
    }
    return count;
}

// A 64 x 64 frame one pixel at a time on one thread, and on the widest SIMD path on two: the
// same picture.
void drawBothWays(Session& session) {
    session.context.simdPath = SimdPath::scalar;
    Image reference = renderFrame(session.scene, session.context, session.projection, 64, 64, 1);
    session.context.simdPath = fastestSimdPath();
    Image batched = renderFrame(session.scene, session.context, session.projection, 64, 64, 2);
    EXPECT_EQ(reference.pixels.size(), 64u * 64u);
    EXPECT_EQ(differingPixels(reference, batched), 0) << "on " << simdPathName(fastestSimdPath());
}

// As the render_frame fuzzer: the programs' loading, then frames with Phong and with Gouraud
// shading.
void parseAndDraw(const std::string& text) {
    Session session;
    std::ostringstream log;
    sceneParse(session.scene, text, (sourceFolder() / "tests" / "scenes").string(), session.context, {log, log});
    expectDrawable(session.scene);
    session.context.phongShading = session.context.texturing = session.context.normalMapping = 1;
    sessionReshape(session);
    drawBothWays(session);
    sessionApplyKey(session, 's');
    drawBothWays(session);
}

TEST(FuzzCorpus, EverySceneInputParsesAndDrawsInBothModes) {
    for (const char* target : {"scene_parser", "render_frame"}) {
        std::vector<fs::path> files = corpusFiles(target);
        EXPECT_FALSE(files.empty()) << target;
        for (const fs::path& file : files) {
            SCOPED_TRACE(file.string());
            parseAndDraw(sceneInput(file));
        }
    }
}

TEST(FuzzCorpus, EveryImageInputDecodesWholeOrIsRefusedWithAReason) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<fs::path> files = corpusFiles("tga_decode");
    EXPECT_FALSE(files.empty());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        std::string contents = readTextFile(file.string());
        std::vector<std::uint8_t> bytes(contents.begin(), contents.end());
        int bytesPerPixel = 0;
        std::string why;
        std::unique_ptr<Image> image = tgaDecode(bytes, bytesPerPixel, why);
        if (!image) {
            EXPECT_FALSE(why.empty());
            continue;
        }
        EXPECT_TRUE(bytesPerPixel == 3 || bytesPerPixel == 4);
        ASSERT_EQ(image->pixels.size(),
                  static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height));
        if (image->pixels.empty()) continue;
        for (float u : {0.0f, 0.999999f, -0.25f, 3e9f, inf, nan})
            for (float v : {0.0f, 0.999999f, 7.75f, -3e9f, -inf, nan}) sampleTexture(image.get(), u, v);
    }
}

}  // namespace
