#include <gtest/gtest.h>

#include <cmath>

#include "shading/lighting.h"
#include "test_scenes.h"

namespace {
constexpr Vec3 kOrigin{0, 0, 0};
constexpr Vec3 kUp{0, 1, 0};

const Material kMatte = makeMaterial(kNothing, kWhite, kNothing, 1);

Colour shadeAtOrigin(const Material& material, const SceneLighting& lighting, const RenderContext& context = {}) {
    return shadePoint(kOrigin, kUp, 0.75f, 0.5f, material, lighting, context);
}

void expectRgb(Colour c, float r, float g, float b) {
    EXPECT_FLOAT_EQ(c.r, r);
    EXPECT_FLOAT_EQ(c.g, g);
    EXPECT_FLOAT_EQ(c.b, b);
}
}  // namespace

TEST(LightingEquation, AmbientTermAloneWithoutFacingLights) {
    Material material = makeMaterial({0.5f, 0.5f, 0.5f, 2}, kWhite, kWhite, 8);
    SceneLighting lighting = makeLighting({0, 5, 0}, {});
    lighting.ambience = {0.2f, 0.4f, 0.6f, 1};
    Colour none = shadeAtOrigin(material, lighting);
    expectRgb(none, 0.1f, 0.2f, 0.3f);
    EXPECT_EQ(none.a, 1.0f);  // 2 limited to 1

    // Below the surface, and exactly at the point (a NaN direction): both skipped.
    lighting.lights = {makeLight({0, -3, 0}, kWhite), makeLight(kOrigin, kWhite)};
    Colour skipped = shadeAtOrigin(material, lighting);
    expectRgb(skipped, 0.1f, 0.2f, 0.3f);
    EXPECT_EQ(skipped.a, 1.0f);
}

TEST(LightingEquation, DiffuseFollowsLightColourAttenuationAndCount) {
    expectRgb(shadeAtOrigin(kMatte, makeLighting({0, 5, 0}, {makeLight({0, 7, 0}, kWhite)})), 1, 1, 1);
    expectRgb(shadeAtOrigin(kMatte, makeLighting({0, 5, 0}, {makeLight({0, 7, 0}, {1, 0, 0, 1})})), 1, 0, 0);

    SceneLighting inverseSquare = makeLighting({0, 5, 0}, {makeLight({0, 2, 0}, kWhite)});
    inverseSquare.attenuation = {0, 0, 1};
    expectRgb(shadeAtOrigin(kMatte, inverseSquare), 0.25f, 0.25f, 0.25f);
    SceneLighting linear = inverseSquare;
    linear.attenuation = {1, 0.5f, 0};
    expectRgb(shadeAtOrigin(kMatte, linear), 0.5f, 0.5f, 0.5f);

    Colour two = shadeAtOrigin(
        kMatte, makeLighting({0, 5, 0}, {makeLight({0, 3, 0}, kWhite), makeLight({0, 9, 0}, kWhite)}));
    expectRgb(two, 2, 2, 2);  // no clamp
    EXPECT_EQ(two.a, 1.0f);

    // Forty-five degrees off the normal.
    expectRgb(shadeAtOrigin(kMatte, makeLighting({0, 5, 0}, {makeLight({3, 3, 0}, kWhite)})), std::sqrt(0.5f),
              std::sqrt(0.5f), std::sqrt(0.5f));
}

TEST(LightingEquation, SpecularUsesTheMirroredLightDirection) {
    Material shiny = makeMaterial(kNothing, kBlack, {0.5f, 0.25f, 0.125f, 1}, 37);
    SceneLighting aligned = makeLighting({0, 7, 0}, {makeLight({0, 3, 0}, {1, 0.5f, 1, 1})});
    aligned.attenuation = {0, 1, 0};
    for (float shininess : {37.0f, 0.5f, 0.0f}) {
        shiny.shininess = shininess;
        Colour c = shadeAtOrigin(shiny, aligned);
        expectRgb(c, 0.5f / 3, 0.125f / 3, 0.125f / 3);
        EXPECT_EQ(c.a, 1.0f);
    }

    // Light at 45 degrees, eye straight above: r.v = cos 45, so r.v squared is one half (the
    // half vector would give about 0.85).
    Material white = makeMaterial(kNothing, kBlack, kWhite, 2);
    Colour offAxis = shadeAtOrigin(white, makeLighting({0, 4, 0}, {makeLight({-1, 1, 0}, kWhite)}));
    EXPECT_NEAR(offAxis.r, 0.5f, 1e-6f);

    // Eye beyond the reflection (r.v < 0): diffuse only, though the missing specular still
    // brings its opaque alpha.
    Material both = makeMaterial(kNothing, {1, 1, 1, 0.25f}, kWhite, 2);
    Colour diffuseOnly = shadeAtOrigin(both, makeLighting({-1, 0.5f, 0}, {makeLight({-1, 1, 0}, kWhite)}));
    EXPECT_NEAR(diffuseOnly.r, std::sqrt(0.5f), 1e-6f);
    EXPECT_EQ(diffuseOnly.a, 1.0f);
}

TEST(LightingEquation, TextureReplacesDiffuseOnlyWhenOnAndPresent) {
    Image texture = makeImage(2, 1, {{0.9f, 0.9f, 0.9f, 1}, {0.2f, 0.4f, 0.6f, 1}});
    SceneLighting lighting = makeLighting({0, 5, 0}, {makeLight({0, 2, 0}, kWhite)});
    RenderContext context;
    context.textureMap = &texture;
    context.texturing = 1;
    expectRgb(shadeAtOrigin(kMatte, lighting, context), 0.2f, 0.4f, 0.6f);  // texel column 1 at u = 0.75

    for (int flag : {0, 2}) {
        context.texturing = flag;
        expectRgb(shadeAtOrigin(kMatte, lighting, context), 1, 1, 1);
    }
    context.texturing = 1;
    context.textureMap = nullptr;
    expectRgb(shadeAtOrigin(kMatte, lighting, context), 1, 1, 1);
}
