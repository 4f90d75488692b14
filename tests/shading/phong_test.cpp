#include <gtest/gtest.h>

#include <cmath>

#include "shading/phong.h"
#include "test_scenes.h"

namespace {
// Red, green and blue lights one unit along +x, +y and +z from the pixel, on a white matte
// material: the lit colour reads back the positive parts of the normal that was used.
const Material kProbe = makeMaterial(kNothing, kWhite, kNothing, 1);
const SceneLighting kProbeLights = makeLighting({0, 0, 9}, {makeLight({1, 0, 0}, {1, 0, 0, 1}),
                                                             makeLight({0, 1, 0}, {0, 1, 0, 1}),
                                                             makeLight({0, 0, 1}, {0, 0, 1, 1})});

Vertex pixelAt(Vec4 normal, Vec4 tangent, float u = 0.25f) {
    Vertex v = zeroVertex();
    v.normal = normal;
    v.tangent = tangent;
    v.texCoord = {u, 0.5f};
    v.worldPosition = {0, 0, 0, 1};
    return v;
}

RenderContext mapped(const Image& normalMap) {
    RenderContext context;
    context.material = &kProbe;
    context.phongShading = 1;
    context.normalMap = &normalMap;
    context.normalMapping = 1;
    return context;
}

// The normal that shading used, as far as the probe lights can see it.
Vec3 shadedNormal(Vertex pixel, const RenderContext& context) {
    Colour c = shadePixel(pixel, kProbeLights, context);
    return {c.r, c.g, c.b};
}

Vec3 withTexel(Colour texel, Vec4 normal = {0, 0, 1, 0}, Vec4 tangent = {1, 0, 0, 0}) {
    Image map = makeImage(1, 1, {texel});
    return shadedNormal(pixelAt(normal, tangent), mapped(map));
}

void expectVec3(Vec3 v, float x, float y, float z, float tolerance = 1e-6f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}
}  // namespace

TEST(PhongLighting, InterpolatedNormalIsNormalisedAndColourStored) {
    RenderContext context;
    context.material = &kProbe;
    Vertex pixel = pixelAt({1.2f, 0, 1.6f, 0}, {0, 1, 0, 0});
    Colour returned = shadePixel(pixel, kProbeLights, context);
    expectVec3({returned.r, returned.g, returned.b}, 0.6f, 0, 0.8f);
    EXPECT_EQ(pixel.colour.r, returned.r);
    EXPECT_EQ(pixel.colour.a, returned.a);
    EXPECT_EQ(pixel.normal.x, 1.2f);  // the interpolated normal itself is not changed

    // A normal map that is switched off, or absent, changes nothing.
    Image tilted = makeImage(1, 1, {{1, 0.5f, 0.5f, 1}});
    for (int flag : {0, 2}) {
        RenderContext off = mapped(tilted);
        off.normalMapping = flag;
        expectVec3(shadedNormal(pixel, off), 0.6f, 0, 0.8f);
    }
    RenderContext absent = mapped(tilted);
    absent.normalMap = nullptr;
    expectVec3(shadedNormal(pixel, absent), 0.6f, 0, 0.8f);
}

TEST(PhongLighting, NormalMapTexelsTurnThroughTheTangentFrame) {
    // Flat texel: the normalised interpolated normal, even when that is not unit length.
    expectVec3(withTexel({0.5f, 0.5f, 1, 1}, {1.2f, 0, 1.6f, 0}, {0.8f, 0, -0.6f, 0}), 0.6f, 0, 0.8f);
    // Stored as 128s, the flat texel tilts very slightly towards tangent and bitangent.
    float tilt = 2 * 128.0f / 255 - 1;
    float length = std::sqrt(2 * tilt * tilt + 1);
    Vec3 nearlyFlat = withTexel({128.0f / 255, 128.0f / 255, 1, 1});
    EXPECT_NEAR(tilt, 0.0039f, 1e-4f);
    expectVec3(nearlyFlat, tilt / length, tilt / length, 1 / length);
    // Full red: the tangent itself, whatever its length.
    expectVec3(withTexel({1, 0.5f, 0.5f, 1}, {0, 0, 1, 0}, {3, 0, 0, 0}), 1, 0, 0);
    // The tangent is normalised but the normal enters the frame at its interpolated length.
    expectVec3(withTexel({1, 0.5f, 1, 1}, {0, 0, 2, 0}, {3, 0, 0, 0}), 1 / std::sqrt(5.0f), 0, 2 / std::sqrt(5.0f));
    // Green points along normal x tangent, which is +y here.
    expectVec3(withTexel({0.5f, 0.75f, 1, 1}), 0, 1 / std::sqrt(5.0f), 2 / std::sqrt(5.0f));
    expectVec3(withTexel({0.5f, 1, 0.5f, 1}), 0, 1, 0);
}

TEST(PhongLighting, NormalMapIsSampledAtThePixelCoordinate) {
    Image map = makeImage(2, 1, {{0.5f, 0.5f, 1, 1}, {1, 0.5f, 0.5f, 1}});
    RenderContext context = mapped(map);
    expectVec3(shadedNormal(pixelAt({0, 0, 1, 0}, {1, 0, 0, 0}, 0.25f), context), 0, 0, 1);
    expectVec3(shadedNormal(pixelAt({0, 0, 1, 0}, {1, 0, 0, 0}, 0.75f), context), 1, 0, 0);
}

TEST(PhongLighting, DegenerateFramesGiveAmbientOnly) {
    Material material = makeMaterial(kWhite, kWhite, kWhite, 4);
    SceneLighting lighting = kProbeLights;
    lighting.ambience = {0.1f, 0.2f, 0.3f, 1};
    auto expectAmbient = [&](Vertex pixel, RenderContext context, const char* what) {
        context.material = &material;
        Colour lit = shadePixel(pixel, lighting, context);
        EXPECT_FLOAT_EQ(lit.r, 0.1f) << what;
        EXPECT_FLOAT_EQ(lit.b, 0.3f) << what;
    };
    Image flat = makeImage(1, 1, {{0.5f, 0.5f, 1, 1}});
    Image zero = makeImage(1, 1, {{0.5f, 0.5f, 0.5f, 1}});
    expectAmbient(pixelAt({0, 0, 1, 0}, {0, 0, 0, 0}), mapped(flat), "zero tangent");
    expectAmbient(pixelAt({0, 0, 1, 0}, {0, 0, 2, 0}), mapped(flat), "tangent along the normal");
    expectAmbient(pixelAt({0, 0, 1, 0}, {1, 0, 0, 0}), mapped(zero), "texel decoding to zero");
    expectAmbient(pixelAt({0, 0, 0, 0}, {1, 0, 0, 0}), RenderContext{}, "zero normal, unmapped");
}

TEST(PhongLighting, MissingMaterialLightsWithTheDefaultGrey) {
    RenderContext context;
    Vertex pixel = pixelAt({0, 0, 1, 0}, {1, 0, 0, 0});
    Colour lit = shadePixel(pixel, makeLighting({0, 0, 9}, {makeLight({0, 0, 5}, {1, 1, 1, 1})}), context);
    EXPECT_FLOAT_EQ(lit.r, 0.8f);  // diffuse 0.8 straight under the light, no specular
    EXPECT_EQ(lit.a, 1.0f);
}
