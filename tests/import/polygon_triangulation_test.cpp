#include "import/polygon_triangulation.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include <cmath>

namespace {

struct Flat {
    double x, y;
};

double signedArea(const std::vector<Flat>& polygon) {
    double area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Flat& a = polygon[i];
        const Flat& b = polygon[(i + 1) % polygon.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

bool inside(Flat p, const std::vector<Flat>& polygon) {
    bool in = false;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Flat& a = polygon[i];
        const Flat& b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
    }
    return in;
}

// Cuts the flat polygon, placed in 3-D by `place`, and checks that the triangles tile it: as
// many as corners - 2, each wound like the polygon, inside it, together as large as it.
void expectTiled(const std::vector<Flat>& polygon, Vec3 (*place)(Flat)) {
    std::vector<Vec3> corners;
    for (const Flat& f : polygon) corners.push_back(place(f));
    std::vector<std::array<int, 3>> triangles = triangulatePolygon(corners);
    ASSERT_EQ(triangles.size(), polygon.size() - 2);
    double whole = signedArea(polygon), sum = 0;
    for (const std::array<int, 3>& t : triangles) {
        std::vector<Flat> triangle = {polygon[t[0]], polygon[t[1]], polygon[t[2]]};
        double area = signedArea(triangle);
        EXPECT_GT(area * whole, 0.0) << "a triangle is wound against the polygon, or flat";
        sum += area;
        Flat centre = {(triangle[0].x + triangle[1].x + triangle[2].x) / 3,
                       (triangle[0].y + triangle[1].y + triangle[2].y) / 3};
        EXPECT_TRUE(inside(centre, polygon)) << "a triangle lies outside the polygon";
    }
    EXPECT_NEAR(sum, whole, 1e-9);
}

std::vector<Flat> rotated(std::vector<Flat> polygon, std::size_t by) {
    std::rotate(polygon.begin(), polygon.begin() + static_cast<std::ptrdiff_t>(by), polygon.end());
    return polygon;
}

std::vector<Flat> reversed(std::vector<Flat> polygon) {
    std::reverse(polygon.begin(), polygon.end());
    return polygon;
}

Vec3 inXY(Flat f) { return {static_cast<float>(f.x), static_cast<float>(f.y), 0}; }
Vec3 inYZ(Flat f) { return {3, static_cast<float>(f.x), static_cast<float>(f.y)}; }
Vec3 inXZ(Flat f) { return {static_cast<float>(f.x), -2, static_cast<float>(f.y)}; }
// Tilted out of every axis plane.
Vec3 slanted(Flat f) {
    return {static_cast<float>(f.x), static_cast<float>(f.y), static_cast<float>(0.5 * f.x + 0.25 * f.y)};
}

}  // namespace

TEST(PolygonTriangulation, ConcavePolygonsAreTiledFromAnyStartInAnyPlaneAndWinding) {
    const std::vector<Flat> ell = {{0, 0}, {2, 0}, {2, 1}, {1, 1}, {1, 2}, {0, 2}};
    const std::vector<Flat> comb = {{0, 0}, {5, 0}, {5, 3}, {4, 3}, {4, 1}, {3, 1}, {3, 3},
                                    {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
    const std::vector<Flat> star = {{0, 3},   {0.7, 1}, {3, 1},   {1.1, -0.4}, {1.8, -2.6},
                                    {0, -1.2}, {-1.8, -2.6}, {-1.1, -0.4}, {-3, 1}, {-0.7, 1}};
    // A corner on a straight edge, which is no ear.
    const std::vector<Flat> withStraightCorner = {{0, 0}, {1, 0}, {2, 0}, {2, 2}, {1, 1}, {0, 2}};
    for (const std::vector<Flat>& shape : {ell, comb, star, withStraightCorner})
        for (std::size_t start = 0; start < shape.size(); ++start)
            for (Vec3 (*place)(Flat) : {inXY, inYZ, inXZ, slanted}) {
                SCOPED_TRACE("start " + std::to_string(start));
                expectTiled(rotated(shape, start), place);
                expectTiled(reversed(rotated(shape, start)), place);
            }
}

TEST(PolygonTriangulation, SmallAndBrokenPolygonsStillGiveTheirTriangleCount) {
    EXPECT_TRUE(triangulatePolygon({{0, 0, 0}, {1, 0, 0}}).empty());
    EXPECT_EQ(triangulatePolygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}),
              (std::vector<std::array<int, 3>>{{0, 1, 2}}));
    // All corners on one line, and a bow tie that crosses itself: no ear, yet every corner used.
    EXPECT_EQ(triangulatePolygon({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}).size(), 2u);
    EXPECT_EQ(triangulatePolygon({{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}).size(), 2u);
}

// The largest polygon a model file can hold (Assimp allows 32,767 corners): a star, nearly
// every other corner turning right, and a tangle that crosses itself everywhere. Each must be
// cut in well under a second, where testing every corner for every ear took minutes.
TEST(PolygonTriangulation, TheLargestPolygonsAreCutInBoundedTime) {
    const std::size_t n = 32767;
    std::vector<Vec3> star, tangle;
    double area = 0;
    for (std::size_t i = 0; i < n; ++i) {
        double angle = 2 * 3.14159265358979 * static_cast<double>(i) / n;
        double radius = i % 2 ? 0.9 : 1.0;
        star.push_back({static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle)), 0});
        // A fixed pseudo-random walk: corner i at a hashed place.
        std::uint32_t h = static_cast<std::uint32_t>(i) * 2654435761u;
        tangle.push_back({static_cast<float>(h % 1000), static_cast<float>((h / 1000) % 1000), 0});
    }
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3 &p = star[i], &q = star[(i + 1) % n];
        area += (static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y) / 2;
    }
    for (const std::vector<Vec3>* polygon : {&star, &tangle}) {
        auto begin = std::chrono::steady_clock::now();
        std::vector<std::array<int, 3>> triangles = triangulatePolygon(*polygon);
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        EXPECT_EQ(triangles.size(), n - 2);
        EXPECT_LT(seconds, 1.0) << (polygon == &star ? "star" : "tangle");
        if (polygon != &star) continue;
        double covered = 0;
        for (const std::array<int, 3>& t : triangles) {
            const Vec3 &a = star[t[0]], &b = star[t[1]], &c = star[t[2]];
            double twice = (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
                           (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
            EXPECT_GE(twice, 0.0);
            covered += twice / 2;
        }
        EXPECT_NEAR(covered, area, 1e-6 * area);
    }
}
