#include "pipeline/clipping.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Vertex clipVertex(float x, float y, float z, float w) {
    Vertex v = zeroVertex();
    v.position = {x, y, z, w};
    v.normal = {0, 0, 1, 0};
    return v;
}

PolygonList clipOne(const Vertex& a, const Vertex& b, const Vertex& c) {
    Surface surface;
    surface.indices = {0, 1, 2};
    surface.materialIndex = 7;
    return clipMesh({a, b, c}, {surface});
}

TEST(Clipping, TriangleInsideComesBackUnchanged) {
    Vertex a = clipVertex(-0.5f, -0.5f, 0.5f, 1), b = clipVertex(0.5f, -0.5f, 0.5f, 1),
           c = clipVertex(0, 0.5f, 0.5f, 1);
    PolygonList list = clipOne(a, b, c);
    ASSERT_EQ(list.polygons.size(), 1u);
    const Polygon& p = list.polygons[0];
    EXPECT_EQ(p.materialIndex, 7);
    ASSERT_EQ(p.count, 3);
    EXPECT_EQ(list.vertices[polygonCorners(list, p)[1]].position.x, 0.5f);
    EXPECT_EQ(list.vertices[polygonCorners(list, p)[2]].position.y, 0.5f);
}

TEST(Clipping, OneVertexBeyondXEqualsWGivesAQuadWithInterpolatedUnitNormals) {
    Vertex a = clipVertex(0, 0, 0.5f, 1), b = clipVertex(2, 0, 0.5f, 1), c = clipVertex(0, 0.8f, 0.5f, 1);
    a.normal = {0, 0, 1, 0};
    b.normal = {1, 0, 0, 0};
    b.colour = {1, 1, 1, 1};
    PolygonList list = clipOne(a, b, c);
    ASSERT_EQ(list.polygons.size(), 1u);
    const Polygon& p = list.polygons[0];
    ASSERT_EQ(p.count, 4);
    for (int corner : polygonCorners(list, p)) {
        const Vertex& v = list.vertices[corner];
        EXPECT_LE(v.position.x, v.position.w);
        EXPECT_NEAR(std::sqrt(v.normal.x * v.normal.x + v.normal.y * v.normal.y + v.normal.z * v.normal.z), 1, 1e-6);
    }
    // The cut on edge a-b lies halfway: colour and normal interpolated there.
    bool foundHalfway = false;
    for (int corner : polygonCorners(list, p))
        if (const Vertex& v = list.vertices[corner]; v.position.x == 1 && v.position.y == 0) {
            foundHalfway = true;
            EXPECT_FLOAT_EQ(v.colour.r, 0.5f);
            EXPECT_NEAR(v.normal.x, std::sqrt(0.5f), 1e-6);
        }
    EXPECT_TRUE(foundHalfway);
}

TEST(Clipping, OutsideAndBackFacingTrianglesVanish) {
    // Wholly beyond x = w.
    EXPECT_TRUE(clipOne(clipVertex(2, 0, 0.5f, 1), clipVertex(3, 0, 0.5f, 1), clipVertex(2, 1, 0.5f, 1))
                    .polygons.empty());
    // Clockwise in device coordinates, although inside.
    EXPECT_TRUE(clipOne(clipVertex(0, 0, 0.5f, 1), clipVertex(0, 0.5f, 0.5f, 1), clipVertex(0.5f, 0, 0.5f, 1))
                    .polygons.empty());
    // Nearer than the near plane: z = -0.01 < 0, although z >= -w.
    EXPECT_TRUE(clipOne(clipVertex(0, 0, -0.01f, 1), clipVertex(0.5f, 0, -0.01f, 1), clipVertex(0, 0.5f, -0.01f, 1))
                    .polygons.empty());
}

TEST(Clipping, PointsOnAPlaneAreInside) {
    Vertex out[2];
    Vertex onPlane = clipVertex(1, 0, 0.5f, 1), inside = clipVertex(0, 0, 0.5f, 1);
    EXPECT_EQ(clipEdge(inside, onPlane, 1, out), 1);
    EXPECT_EQ(out[0].position.x, 1.0f);
    // The cut falls exactly on prev (t = 0) while cur is outside: nothing is added.
    Vertex prevOnPlane = clipVertex(1, 0, 0.5f, 1);
    Vertex outsideCur = clipVertex(3, 0, 0.5f, 1);
    EXPECT_EQ(clipEdge(prevOnPlane, outsideCur, 1, out), 0) << "t = 0 adds no vertex";
    // On the near and top planes at once, and on the far and left planes: inside them all.
    EXPECT_EQ(planesOutside({0.5f, 1, 0, 1}), 0);
    EXPECT_EQ(planesOutside({-2, 0, 2, 2}), 0);
}

TEST(Culling, TrianglesCrossingTheCameraPlaneAreDecidedWithoutDividingByW) {
    // A floor under the viewer: counter-clockwise seen from above, one vertex behind the
    // camera (w < 0). Dividing by that w flips it; the x, y, w determinant does not.
    Vec4 nearLeft{-1, -1, 0.2f, 0.5f}, nearRight{1, -1, 0.2f, 0.5f}, behind{0, -1, -2, -1};
    EXPECT_TRUE(frontFacing(nearLeft, nearRight, {0, 1, 0.9f, 2}));
    EXPECT_EQ(frontFacing(nearLeft, nearRight, behind), !frontFacing(nearRight, nearLeft, behind));
    // A corner with w exactly 0 (in the camera's plane) cannot be divided by: the same test.
    EXPECT_TRUE(frontFacing({-1, -1, 0, 0}, nearRight, {0, 1, 0.9f, 2}));
    // With all w positive the device-coordinate test decides, zero area kept, NaN dropped.
    EXPECT_TRUE(frontFacing({0, 0, 0, 1}, {1, 1, 0, 1}, {2, 2, 0, 1}));
    EXPECT_FALSE(frontFacing({NAN, 0, 0, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}));
}

TEST(Clipping, CrossingTheNearPlaneKeepsTheVisiblePart) {
    Vertex a = clipVertex(-0.5f, -0.5f, -1, 0.5f), b = clipVertex(0.5f, -0.5f, -1, 0.5f),
           c = clipVertex(0, 0.5f, 0.5f, 1);
    PolygonList list = clipOne(a, b, c);
    ASSERT_EQ(list.polygons.size(), 1u);
    for (int corner : polygonCorners(list, list.polygons[0])) EXPECT_GE(list.vertices[corner].position.z, -1e-6f) << "on the near plane up to rounding";
}

TEST(Clipping, OutOfRangeIndicesAreSkipped) {
    Surface surface;
    surface.indices = {0, 1, 5, 0, 1};
    EXPECT_TRUE(clipMesh({clipVertex(0, 0, 0.5f, 1), clipVertex(1, 0, 0.5f, 1)}, {surface}).polygons.empty());
}

}  // namespace
