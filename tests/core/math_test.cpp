#include <gtest/gtest.h>

#include <cmath>

#include "core/math.h"

namespace {
void expectColour(Colour c, float r, float g, float b, float a) {
    EXPECT_FLOAT_EQ(c.r, r);
    EXPECT_FLOAT_EQ(c.g, g);
    EXPECT_FLOAT_EQ(c.b, b);
    EXPECT_FLOAT_EQ(c.a, a);
}

void expectVec4(Vec4 v, float x, float y, float z, float w) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
    EXPECT_FLOAT_EQ(v.w, w);
}

// A quarter turn about z: (1, 0, 0) goes to (0, 1, 0).
Matrix4 quarterTurnAboutZ() { return {{0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }
}  // namespace

TEST(ColourMath, AddLimitsAlphaFromAboveOnly) {
    expectColour(colourAdd({0.8f, 0.8f, 0.8f, 0.7f}, {0.5f, 0.5f, 0.5f, 0.6f}), 1.3f, 1.3f, 1.3f, 1.0f);
    expectColour(colourAdd({-1, 0, 0, 0.25f}, {0, 0, 0, -0.75f}), -1, 0, 0, -0.5f);
}

TEST(ColourMath, AlphaIsScaledNeverButModulatedAndLerped) {
    expectColour(colourScale({1, 1, 1, 0.5f}, 2), 2, 2, 2, 0.5f);
    expectColour(colourModulate({1, 1, 1, 0.5f}, {1, 1, 1, 0.5f}), 1, 1, 1, 0.25f);
    expectColour(colourLerp({0, 1, 2, 0}, {1, 3, 0, 1}, 0.5f), 0.5f, 2, 1, 0.5f);
    expectColour(colourLerp({0, 1, 2, 0}, {1, 3, 0, 1}, 0), 0, 1, 2, 0);
}

TEST(VectorMath, FourComponentOperationsTreatWAsDocumented) {
    expectVec4(vec4Cross({1, 0, 0, 0}, {0, 1, 0, 0}), 0, 0, 1, 1);
    expectVec4(vec4Cross({0, 1, 0, 5}, {1, 0, 0, 5}), 0, 0, -1, 1);

    Vec4 v{3, 0, 4, 7};
    vec4Normalize(v);
    expectVec4(v, 0.6f, 0, 0.8f, 7);

    Vec4 p{2, 4, 6, 2};
    vec4Homogenize(p);
    expectVec4(p, 1, 2, 3, 1);

    Vec4 atInfinity{1, -1, 0, 0};
    vec4Homogenize(atInfinity);
    EXPECT_TRUE(std::isinf(atInfinity.x) && std::isinf(atInfinity.y));
    EXPECT_TRUE(std::isnan(atInfinity.z) && std::isnan(atInfinity.w));

    Vec4 scaled{1, 2, 3, 4};
    vec4Scale(scaled, -2);
    expectVec4(vec4Sub(vec4Add(scaled, {1, 1, 1, 9}), {0, 0, 0, 1}), -1, -3, -5, 0);
}

TEST(VectorMath, NormalizingZeroGivesNaN) {
    Vec3 v{0, 0, 0};
    vec3Normalize(v);
    EXPECT_TRUE(std::isnan(v.x) && std::isnan(v.y) && std::isnan(v.z));

    Vec3 u{0, 3, 4};
    EXPECT_FLOAT_EQ(vec3Length(u), 5);
    vec3Normalize(u);
    EXPECT_FLOAT_EQ(u.y, 0.6f);
    EXPECT_FLOAT_EQ(u.z, 0.8f);
}

TEST(MatrixMath, TranslationMovesPointsButNotDirections) {
    Matrix4 t = matrixTranslation(1, 2, 3);
    expectVec4(matrixTransform(t, {0, 0, 0, 1}), 1, 2, 3, 1);
    expectVec4(matrixTransform(t, {4, 5, 6, 0}), 4, 5, 6, 0);
}

TEST(MatrixMath, ProductAppliesRightFactorFirst) {
    Matrix4 moveThenTurn = matrixMultiply(matrixTranslation(1, 0, 0), quarterTurnAboutZ());
    // Turned first to (0, 2, 0), then moved by +1 in x.
    expectVec4(matrixTransform(moveThenTurn, {2, 0, 0, 1}), 1, 2, 0, 1);
    Matrix4 turnThenMove = matrixMultiply(quarterTurnAboutZ(), matrixTranslation(1, 0, 0));
    expectVec4(matrixTransform(turnThenMove, {2, 0, 0, 1}), 0, 3, 0, 1);
    Matrix4 same = matrixMultiply(matrixIdentity(), moveThenTurn);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(same.m[i], moveThenTurn.m[i]) << "element " << i;
}

TEST(MatrixMath, FromColumnsPutsVectorsInColumns) {
    Matrix4 m = matrixFromColumns(Vec4{1, 2, 3, 9}, Vec3{4, 5, 6}, Vec4{7, 8, 9, 9});
    expectVec4(matrixTransform(m, {1, 0, 0, 0}), 1, 2, 3, 0);
    expectVec4(matrixTransform(m, {0, 1, 0, 0}), 4, 5, 6, 0);
    expectVec4(matrixTransform(m, {0, 0, 1, 0}), 7, 8, 9, 0);
    expectVec4(matrixTransform(m, {0, 0, 0, 1}), 0, 0, 0, 1);
}
