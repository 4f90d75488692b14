#include "raster/triangle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "raster/canvas.h"
#include "shading/pixel_batch.h"

namespace {

// The covered columns of one row, as [first, last], or {-1, -1} for none.
std::pair<int, int> rowExtent(const Canvas& canvas, int row) {
    int first = -1, last = -1;
    for (int c = 0; c < canvas.depth.width; ++c)
        if (canvas.drawn(c, row)) {
            if (first < 0) first = c;
            last = c;
        }
    return {first, last};
}

std::vector<int> coveredRows(const Canvas& canvas) {
    std::vector<int> rows;
    for (int r = 0; r < canvas.depth.height; ++r)
        if (rowExtent(canvas, r).first >= 0) rows.push_back(r);
    return rows;
}

TEST(TriangleFill, RowsRunFromRoundedLowestToBelowRoundedHighest) {
    Canvas canvas(40, 40);
    drawTriangle(canvas.at(2, 10.4f), canvas.at(30, 10.4f), canvas.at(16, 20.5f), canvas.lighting, canvas.context);
    std::vector<int> rows = coveredRows(canvas);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 10);
    EXPECT_EQ(rows.back(), 20);

    Canvas higher(40, 40);
    drawTriangle(higher.at(2, 10.5f), higher.at(30, 10.5f), higher.at(16, 20.5f), higher.lighting, higher.context);
    EXPECT_EQ(coveredRows(higher).front(), 11);
}

TEST(TriangleFill, ColumnsRunFromTruncatedLeftToBelowRoundedRight) {
    // A tall parallelogram-like pair of rows: left edge at x = 3.9, right edge at 7.4 or 7.5.
    Canvas canvas(20, 20);
    drawTriangle(canvas.at(3.9f, 0), canvas.at(7.4f, 0), canvas.at(3.9f, 10), canvas.lighting, canvas.context);
    EXPECT_EQ(rowExtent(canvas, 0), std::make_pair(3, 6));

    Canvas wider(20, 20);
    drawTriangle(wider.at(3.9f, 0), wider.at(7.5f, 0), wider.at(3.9f, 10), wider.lighting, wider.context);
    EXPECT_EQ(rowExtent(wider, 0), std::make_pair(3, 7));
}

TEST(TriangleFill, DegenerateAndClockwiseTrianglesDrawNothing) {
    Canvas canvas(30, 30);
    // Two vertices on the same pixel position, however far the third.
    drawTriangle(canvas.at(5, 5), canvas.at(5, 5), canvas.at(25, 25), canvas.lighting, canvas.context);
    // Three distinct vertices on one row.
    drawTriangle(canvas.at(1, 7), canvas.at(9, 7), canvas.at(20, 7), canvas.lighting, canvas.context);
    // Clockwise (y up), well separated edges.
    drawTriangle(canvas.at(2, 2), canvas.at(2, 20), canvas.at(20, 2), canvas.lighting, canvas.context);
    EXPECT_EQ(canvas.drawnCount(), 0);

    drawTriangle(canvas.at(2, 2), canvas.at(20, 2), canvas.at(2, 20), canvas.lighting, canvas.context);
    EXPECT_GT(canvas.drawnCount(), 100) << "the same triangle counter-clockwise is drawn";
}

TEST(TriangleFill, NeighboursSharingAnEdgeLeaveNoGap) {
    Canvas canvas(32, 32);
    Vertex a = canvas.at(1, 1), b = canvas.at(30, 3.3f), c = canvas.at(29.6f, 30), d = canvas.at(2.2f, 28.7f);
    drawTriangle(a, b, c, canvas.lighting, canvas.context);
    drawTriangle(a, c, d, canvas.lighting, canvas.context);
    for (int row = 4; row < 28; ++row) {
        auto [first, last] = rowExtent(canvas, row);
        ASSERT_GE(first, 0);
        for (int c2 = first; c2 <= last; ++c2) EXPECT_TRUE(canvas.drawn(c2, row)) << "gap at " << c2 << ", " << row;
    }
}

// Farther pixels are dropped and equal depths drawn over (less-or-equal), on every path: the
// batched walk of the SIMD paths (Phong here) as the one-pixel walk.
TEST(TriangleFill, DepthTestKeepsTheNearerTriangle) {
    SimdPath paths[5];
    const int pathCount = runnableSimdPaths(paths);
    for (int p = 0; p < pathCount; ++p) {
        Canvas canvas(16, 16);
        canvas.context.simdPath = paths[p];
        auto draw = [&](float z, Colour colour, int phong) {
            canvas.context.phongShading = phong;
            drawTriangle(canvas.at(0, 0, z, colour), canvas.at(16, 0, z, colour), canvas.at(0, 16, z, colour),
                         canvas.lighting, canvas.context);
        };
        draw(0.3f, {1, 0, 0, 1}, 0);
        draw(0.6f, {0, 0, 1, 1}, 1);
        EXPECT_EQ(imagePixel(canvas.colour, 2, 2).r, 1.0f) << simdPathName(paths[p]);
        draw(0.3f, {1, 0, 0, 1}, 1);  // lit by nothing: black
        EXPECT_EQ(imagePixel(canvas.colour, 2, 2).r, 0.0f) << simdPathName(paths[p]);
    }
}

TEST(TriangleFill, TextureCoordinatesArePerspectiveCorrect) {
    // A one-row span from view depth -1 (u = 0) to -3 (u = 1): halfway across the screen the
    // texture coordinate is 0.25, not 0.5. A texture with u encoded in red shows it.
    Canvas canvas(101, 3);
    Image ramp = imageCreate(256, 1);
    for (int i = 0; i < 256; ++i) ramp.pixels[i] = {(i + 0.5f) / 256.0f, 0, 0, 1};
    canvas.context.textureMap = &ramp;
    canvas.context.texturing = 1;
    Vertex left = canvas.at(0, 0), right = canvas.at(100, 0), top = canvas.at(0, 2.9f);
    left.viewDepth = -1;
    top.viewDepth = -1;
    right.viewDepth = -3;
    right.texCoord = {1, 0};
    left.colour = right.colour = top.colour = {0, 0, 0, 1};
    drawTriangle(left, right, top, canvas.lighting, canvas.context);
    // Gouraud blend: half the black vertex colour and half the texel, so red = u / 2.
    float u = 2.0f * imagePixel(canvas.colour, 50, 0).r;
    EXPECT_NEAR(u, 0.25f, 0.01f);
}

TEST(TriangleFill, AbsurdCoordinatesFinishWithoutDrawingOutsideTheBuffer) {
    Canvas canvas(8, 8);
    float huge = 1e30f, nan = std::nanf("");
    drawTriangle(canvas.at(-huge, -huge), canvas.at(huge, -huge), canvas.at(0, huge), canvas.lighting,
                 canvas.context);
    EXPECT_EQ(canvas.drawnCount(), 64) << "a triangle covering everything fills the whole buffer";
    Canvas other(8, 8);
    drawTriangle(other.at(nan, 0), other.at(4, nan), other.at(6, 6), other.lighting, other.context);
    drawTriangle(other.at(-1e9f, 0), other.at(1e9f, 1), other.at(0, 1e9f), other.lighting, other.context);
    SUCCEED();
}

}  // namespace
