#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shading/sampling.h"
#include "test_scenes.h"

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Four texels along one axis whose red channels are 1, 2, 4 and 8.
Image row() { return makeImage(4, 1, {{1, 0, 0, 1}, {2, 0, 0, 1}, {4, 0, 0, 1}, {8, 0, 0, 1}}); }
Image column() { return makeImage(1, 4, {{1, 0, 0, 1}, {2, 0, 0, 1}, {4, 0, 0, 1}, {8, 0, 0, 1}}); }

float alongU(float u) {
    Image image = row();
    return sampleTexture(&image, u, 0.5f).r;
}
float alongV(float v) {
    Image image = column();
    return sampleTexture(&image, 0.5f, v).r;
}
}  // namespace

TEST(TextureSampling, MissingOrEmptyImageIsOpaqueBlack) {
    Image noColumns = imageCreate(0, 3);
    for (const Image* image : {static_cast<const Image*>(nullptr), static_cast<const Image*>(&noColumns)}) {
        Colour c = sampleTexture(image, 0.3f, 0.7f);
        EXPECT_EQ(c.r, 0.0f);
        EXPECT_EQ(c.g, 0.0f);
        EXPECT_EQ(c.b, 0.0f);
        EXPECT_EQ(c.a, 1.0f);
    }
}

TEST(TextureSampling, FiltersBetweenTexelCentresAndWrapsOnlyUpwards) {
    for (auto axis : {alongU, alongV}) {
        EXPECT_EQ(axis(3.0f / 8), 2.0f);              // exactly on the centre of texel 1
        EXPECT_FLOAT_EQ(axis(0.25f), 1.5f);           // halfway between texels 0 and 1
        EXPECT_NEAR(axis(0.95f), 0.7f * 8 + 0.3f * 1, 1e-5f);  // last texel blends with the first
        EXPECT_EQ(axis(0.05f), 1.0f);                 // held at texel 0, no blend with the last
        EXPECT_FLOAT_EQ(axis(1.25f), axis(0.25f));
        EXPECT_EQ(axis(1.0f), 1.0f);
        EXPECT_EQ(axis(-0.25f), 1.0f);
        EXPECT_EQ(axis(-0.75f), 1.0f);
    }
}

// Undefined coordinates, and those at the edges of the int range (exactly +-2^31, the float
// below it), zeros and subnormals: all on texel 0 with no blend.
TEST(TextureSampling, UndefinedAndEdgeCoordinatesSampleTheFirstTexel) {
    for (auto axis : {alongU, alongV})
        for (float c : {kNaN, kInf, -kInf, 3e9f, -3e9f, 0x1p31f, -0x1p31f, 0x1.fffffep30f, -0x1.fffffep30f, 0.0f,
                        -0.0f, 1e-45f, -1e-45f, 1e-39f})
            EXPECT_EQ(axis(c), 1.0f) << "coordinate " << c;

    Image grid = imageCreate(4, 4);
    for (int i = 0; i < 16; ++i) grid.pixels[i] = makeColour(static_cast<float>(i), 0, 0, 1);
    EXPECT_EQ(sampleTexture(&grid, kNaN, kNaN).r, 0.0f);
    EXPECT_EQ(sampleTexture(&grid, 3.0f / 8, kNaN).r, 1.0f);
    EXPECT_EQ(sampleTexture(&grid, kInf, 3.0f / 8).r, 4.0f);
}

TEST(TextureSampling, SingleTexelAndAlphaBlending) {
    Image single = makeImage(1, 1, {{0.2f, 0.4f, 0.6f, 0.8f}});
    for (float c : {0.0f, 0.3f, 0.99f, -5.0f, 7.5f}) {
        Colour s = sampleTexture(&single, c, 1 - c);
        EXPECT_FLOAT_EQ(s.r, 0.2f);
        EXPECT_FLOAT_EQ(s.a, 0.8f);
    }
    Image halves = makeImage(2, 1, {{1, 1, 1, 1}, {1, 1, 1, 0}});
    EXPECT_FLOAT_EQ(sampleTexture(&halves, 0.5f, 0.5f).a, 0.5f);
}
