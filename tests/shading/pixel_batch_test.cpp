// Every SIMD kernel against the one-pixel reference, bit for bit, on random pixels that include
// NaN, infinities, zero vectors, denormals and huge texture coordinates.
#include "shading/pixel_batch.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include "core/render_context.h"
#include "core/vertex.h"
#include "shading/phong.h"
#include "shading/sampling.h"
#include "test_scenes.h"

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Mostly ordinary values, with one in eight special.
float randomValue(std::mt19937& random, float range) {
    static const float kSpecial[] = {kNaN, kInf, -kInf, 0.0f, -0.0f, 1e-40f, -1e-42f, 3e9f, 1.0f};
    if (random() % 8 == 0) return kSpecial[random() % std::size(kSpecial)];
    return std::uniform_real_distribution<float>(-range, range)(random);
}

Image randomImage(std::mt19937& random, int width, int height) {
    Image image = imageCreate(width, height);
    std::uniform_real_distribution<float> level(0.0f, 1.0f);
    for (Colour& c : image.pixels) c = {level(random), level(random), level(random), level(random)};
    return image;
}

// Same bits, or both NaN (which NaN an operation passes on is not fixed).
bool sameFloat(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b) || (a != a && b != b);
}

void expectSameColour(Colour got, Colour want, int pixel) {
    EXPECT_TRUE(sameFloat(got.r, want.r) && sameFloat(got.g, want.g) && sameFloat(got.b, want.b) &&
                sameFloat(got.a, want.a))
        << "pixel " << pixel << ": got " << got.r << " " << got.g << " " << got.b << " " << got.a << ", want "
        << want.r << " " << want.g << " " << want.b << " " << want.a;
}

class BatchKernels : public testing::TestWithParam<SimdPath> {
protected:
    void SetUp() override {
        kernels = shadingKernels(GetParam());
        if (!kernels) GTEST_SKIP() << simdPathName(GetParam()) << " is not built in or not run by this machine";
    }
    const ShadingKernels* kernels = nullptr;
    std::mt19937 random{12};
};

// A full batch and a ragged one (the tail of a span), `pixels` wide, filled at random; the
// colour-buffer indices run backwards so that a kernel writing in lane order is caught too.
PixelBatch randomBatch(std::mt19937& random, int count, int fieldCount) {
    PixelBatch batch;
    batch.count = count;
    for (int i = 0; i < kBatchCapacity; ++i) {
        batch.pixel[i] = kBatchCapacity - 1 - i;
        for (int f = 0; f < fieldCount; ++f) batch.record[i][f] = randomValue(random, 4.0f);
    }
    return batch;
}

// The pixel vertex the walk would hand to shadePixel for batch entry i.
Vertex phongVertex(const PixelBatch& b, int i) {
    using namespace phongfield;
    Vertex v = zeroVertex();
    v.normal = {b.record[i][normalX], b.record[i][normalY], b.record[i][normalZ], 0};
    v.texCoord = {b.record[i][uq], b.record[i][vq]};
    v.viewDepth = b.record[i][q];
    v.worldPosition = {b.record[i][worldX], b.record[i][worldY], b.record[i][worldZ], 1};
    v.tangent = {b.record[i][tangentX], b.record[i][tangentY], b.record[i][tangentZ], 0};
    return fromDividedForm(v);
}

TEST_P(BatchKernels, PhongLanesEqualShadePixel) {
    Image texture = randomImage(random, 5, 3), normalMap = randomImage(random, 4, 7);
    // Alphas small enough that no sum reaches the limit of 1: every alpha term shows.
    const Material material =
        makeMaterial({0.1f, 0.2f, 0.3f, 0.2f}, {0.7f, 0.6f, 0.5f, 0.05f}, {0.5f, 0.4f, 0.3f, 0.1f}, 24);
    SceneLighting lighting = makeLighting({0.5f, 1, 3}, {makeLight({4, 5, 5}, {1, 0.95f, 0.9f, 1}),
                                                          makeLight({-4, 1.5f, 3}, {0.3f, 0.35f, 0.5f, 0.7f})});
    lighting.ambience = {0.2f, 0.2f, 0.2f, 0.5f};
    lighting.attenuation = {1, 0.05f, 0.01f};
    for (int maps = 0; maps < 4; ++maps) {
        RenderContext context;
        context.material = &material;
        context.phongShading = 1;
        context.texturing = maps & 1;
        context.textureMap = &texture;
        context.normalMapping = maps >> 1;
        context.normalMap = &normalMap;
        ShadeUniforms uniforms{lighting.lights.data(), 2, lighting.eyePosition, lighting.attenuation,
                               colourModulate(lighting.ambience, material.ambient), material.diffuse,
                               material.specular, material.shininess, context.texturing == 1, texelView(&texture),
                               context.normalMapping == 1, texelView(&normalMap)};
        // The whole batch, a ragged one, and a range inside one (a tail left to narrower kernels).
        for (auto [begin, end] : {std::pair{0, kBatchCapacity}, {0, 37}, {5, 29}}) {
            PixelBatch batch = randomBatch(random, end, phongfield::count);
            for (int i = 0; i < kBatchCapacity; i += 5) {  // the first light exactly edge-on: n.l = 0
                batch.record[i][phongfield::normalX] = batch.record[i][phongfield::normalY] = 0;
                batch.record[i][phongfield::normalZ] = 1;
                batch.record[i][phongfield::worldZ] = lighting.lights[0].position.z;
            }
            std::vector<Colour> pixels(kBatchCapacity, Colour{-1, -1, -1, -1});
            kernels->shadePhong(batch, begin, end, uniforms, pixels.data());
            for (int i = 0; i < kBatchCapacity; ++i) {
                Vertex v = phongVertex(batch, i);
                Colour want = i >= begin && i < end ? shadePixel(v, lighting, context) : Colour{-1, -1, -1, -1};
                expectSameColour(pixels[static_cast<size_t>(batch.pixel[i])], want, i);
            }
        }
    }
}

// Shininess values a scene file may hold, on pixels whose highlight is lit.
TEST_P(BatchKernels, SpecularPowerEdgeExponents) {
    SceneLighting lighting = makeLighting({0, 0, 5}, {makeLight({0, 0, 5}, kWhite)});
    for (float shininess : {0.0f, -3.0f, kInf, -kInf, kNaN, 1e-45f, 1e6f, 0.5f}) {
        const Material material = makeMaterial(kNothing, kNothing, kWhite, shininess);
        RenderContext context;
        context.material = &material;
        ShadeUniforms uniforms{lighting.lights.data(), 1, lighting.eyePosition, lighting.attenuation, kNothing,
                               kNothing, kWhite, shininess, false, {}, false, {}};
        PixelBatch batch = randomBatch(random, kBatchCapacity, phongfield::count);
        for (int i = 0; i < kBatchCapacity; ++i) {  // facing the light and the eye, slightly off axis
            batch.record[i][phongfield::normalX] = static_cast<float>(i) * 1e-3f;
            batch.record[i][phongfield::normalY] = 0;
            batch.record[i][phongfield::normalZ] = 1;
            batch.record[i][phongfield::worldX] = batch.record[i][phongfield::worldY] = batch.record[i][phongfield::worldZ] = 0;
        }
        std::vector<Colour> pixels(kBatchCapacity);
        kernels->shadePhong(batch, 0, batch.count, uniforms, pixels.data());
        for (int i = 0; i < kBatchCapacity; ++i) {
            Vertex v = phongVertex(batch, i);
            expectSameColour(pixels[static_cast<size_t>(batch.pixel[i])], shadePixel(v, lighting, context), i);
        }
    }
}

// Texture coordinates at the edges of the sampler's range: exactly +-2^31 (no texel of their
// own), the largest float below it, signed zeros, subnormals and the float below 1.
PixelBatch texelEdgeBatch(std::mt19937& random) {
    const float kEdges[] = {0x1p31f, -0x1p31f, 0x1.fffffep30f, -0x1.fffffep30f, 0.0f,        -0.0f,
                            1e-45f,  -1e-45f, 1e-39f,         -1e-39f,         0.99999994f, 1.0f};
    constexpr int kCount = static_cast<int>(std::size(kEdges));
    PixelBatch batch = randomBatch(random, kBatchCapacity, texturedfield::count);
    for (int i = 0; i < kBatchCapacity; ++i) {  // every u edge with several v edges
        batch.record[i][texturedfield::uq] = kEdges[i % kCount];
        batch.record[i][texturedfield::vq] = kEdges[(5 * i + i / kCount) % kCount];
        batch.record[i][texturedfield::q] = 1.0f;
    }
    return batch;
}

TEST_P(BatchKernels, TexturedGouraudLanesEqualTheReferenceBlend) {
    for (Image texture : {randomImage(random, 7, 5), randomImage(random, 1, 1)}) {
        for (PixelBatch batch : {randomBatch(random, kBatchCapacity, texturedfield::count),
                                 randomBatch(random, 5, texturedfield::count), texelEdgeBatch(random)}) {
            std::vector<Colour> pixels(kBatchCapacity, Colour{-1, -1, -1, -1});
            kernels->shadeTextured(batch, 0, batch.count, texelView(&texture), pixels.data());
            for (int i = 0; i < batch.count; ++i) {
                using namespace texturedfield;
                const float* f = batch.record[i];
                Colour colour{f[red], f[green], f[blue], f[alpha]};
                Colour want = colourLerp(colour, sampleTexture(&texture, f[uq] / f[q], f[vq] / f[q]), 0.5f);
                expectSameColour(pixels[static_cast<size_t>(batch.pixel[i])], want, i);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPath, BatchKernels,
                         testing::Values(SimdPath::sse2, SimdPath::avx2, SimdPath::avx512, SimdPath::neon),
                         [](const testing::TestParamInfo<SimdPath>& info) { return simdPathName(info.param); });

}  // namespace

TEST(SimdPaths, NamesAndWhatThisMachineRuns) {
    SimdPath paths[5];
    int count = runnableSimdPaths(paths);
    ASSERT_GE(count, 1);
    EXPECT_EQ(paths[0], SimdPath::scalar);
    EXPECT_EQ(fastestSimdPath(), paths[count - 1]);
    for (int i = 1; i < count; ++i) {
        const ShadingKernels* kernels = shadingKernels(paths[i]);
        ASSERT_NE(kernels, nullptr);
        for (const ShadingKernels* k = kernels; k->narrower; k = k->narrower) EXPECT_LT(k->narrower->lanes, k->lanes);
        EXPECT_EQ(kBatchCapacity % kernels->lanes, 0);
    }
    EXPECT_EQ(shadingKernels(SimdPath::scalar), nullptr);
    for (SimdPath path : {SimdPath::scalar, SimdPath::sse2, SimdPath::avx2, SimdPath::avx512, SimdPath::neon}) {
        SimdPath back = SimdPath::scalar;
        EXPECT_TRUE(simdPathFromName(simdPathName(path), back));
        EXPECT_EQ(back, path);
    }
    SimdPath unchanged = SimdPath::avx2;
    EXPECT_FALSE(simdPathFromName("AVX2", unchanged));
    EXPECT_FALSE(simdPathFromName("", unchanged));
    EXPECT_EQ(unchanged, SimdPath::avx2);
}
