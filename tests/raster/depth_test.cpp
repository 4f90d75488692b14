#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/depth.h"
#include "raster/draw_list.h"
#include "raster/pixel_math.h"

namespace {
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

RenderContext viewport(float minX, float minY, float maxX, float maxY) {
    RenderContext context;
    context.viewportMinX = minX;
    context.viewportMinY = minY;
    context.viewportMaxX = maxX;
    context.viewportMaxY = maxY;
    return context;
}

Vertex at(float x, float y) {
    Vertex v = zeroVertex();
    v.position = {x, y, 0.25f, 1};
    v.texCoord = {0.5f, 0.5f};
    return v;
}
}  // namespace

TEST(DepthTest, PassesOnLessOrEqualAndFailsOnNaN) {
    DepthBuffer buffer = depthBufferCreate(3, 2);
    EXPECT_EQ(depthTestAndSet(buffer, 0, 0, 1.0f), 1);  // a fresh buffer holds the far limit
    EXPECT_EQ(depthTestAndSet(buffer, 2, 0, std::nextafter(1.0f, 2.0f)), 0);
    EXPECT_EQ(depthTestAndSet(buffer, 2, 1, kNaN), 0);
    EXPECT_EQ(buffer.values[5], 1.0f);

    EXPECT_EQ(depthTestAndSet(buffer, 1, 1, 0.5f), 1);
    EXPECT_EQ(depthTestAndSet(buffer, 1, 1, 0.5f), 1);  // equal depth passes
    EXPECT_EQ(depthTestAndSet(buffer, 1, 1, 0.2f), 1);
    EXPECT_EQ(depthTestAndSet(buffer, 1, 1, 0.3f), 0);
    EXPECT_EQ(buffer.values[4], 0.2f);

    buffer.values[1] = kNaN;  // a NaN already stored fails every later fragment
    EXPECT_EQ(depthTestAndSet(buffer, 1, 0, 0.0f), 0);

    depthBufferClear(buffer);
    for (float v : buffer.values) EXPECT_EQ(v, 1.0f);
}

TEST(DepthTest, ColumnsAndRowsOutsideTheBufferAreDroppedNotWrapped) {
    DepthBuffer buffer = depthBufferCreate(4, 3);
    EXPECT_EQ(depthTestAndSet(buffer, -1, 1, 0.0f), 0);
    EXPECT_EQ(buffer.values[3], 1.0f);  // the last element of row 0 is not hit
    EXPECT_EQ(depthTestAndSet(buffer, 4, 0, 0.0f), 0);
    EXPECT_EQ(buffer.values[4], 1.0f);  // nor the first of row 1
    EXPECT_EQ(depthTestAndSet(buffer, 0, -1, 0.0f), 0);
    EXPECT_EQ(depthTestAndSet(buffer, 0, 3, 0.0f), 0);
    EXPECT_EQ(depthTestAndSet(buffer, 5, 2, 0.0f), 0);
    for (float v : buffer.values) EXPECT_EQ(v, 1.0f);
    EXPECT_EQ(depthTestAndSet(buffer, 3, 2, 0.0f), 1);
    EXPECT_EQ(buffer.values[11], 0.0f);

    DepthBuffer empty = depthBufferCreate(-2, 5);
    EXPECT_EQ(empty.width, 0);
    EXPECT_TRUE(empty.values.empty());
    EXPECT_EQ(depthTestAndSet(empty, 0, 0, 0.0f), 0);
}

TEST(PixelWrite, ReplacesWholeColourInsideAndIgnoresOutside) {
    Image image = imageCreate(4, 3);
    imageFill(image, makeColour(1, 1, 1, 1));
    imageSetPixel(image, makeColour(0.1f, 0.2f, 0.3f, 0), 3, 2);
    const Colour& last = imagePixel(image, 3, 2);
    EXPECT_EQ(last.r, 0.1f);
    EXPECT_EQ(last.a, 0.0f);  // no blending, alpha included

    for (auto [column, row] : {std::pair{-1, 1}, {4, 0}, {0, -1}, {0, 3}, {4, 2}})
        imageSetPixel(image, makeColour(0, 0, 0, 0), column, row);
    int untouched = 0;
    for (const Colour& c : image.pixels) untouched += c.r == 1.0f;
    EXPECT_EQ(untouched, 11);
}

TEST(ViewportMapping, CornersMapExactlyAndTheInverseRoundTrips) {
    RenderContext context = viewport(20, 10, 620, 410);
    Vertex low = at(-1, -1);
    ndcToPixel(low, context);
    EXPECT_EQ(low.position.x, 20.0f);
    EXPECT_EQ(low.position.y, 10.0f);
    Vertex high = at(1, 1);
    ndcToPixel(high, context);
    EXPECT_EQ(high.position.x, 620.0f);
    EXPECT_EQ(high.position.y, 410.0f);
    EXPECT_EQ(high.position.z, 0.25f);
    EXPECT_EQ(high.position.w, 1.0f);
    EXPECT_EQ(high.texCoord.x, 0.5f);

    for (auto [x, y] : {std::pair{20.0f, 10.0f}, {620.0f, 410.0f}, {137.5f, 333.25f}, {0.0f, 500.0f}}) {
        Vertex v = at(x, y);
        pixelToNdc(v, context);
        ndcToPixel(v, context);
        EXPECT_NEAR(v.position.x, x, 1e-4f);
        EXPECT_NEAR(v.position.y, y, 1e-4f);
    }
    Vertex centre = at(320, 210);
    pixelToNdc(centre, context);
    EXPECT_EQ(centre.position.x, 0.0f);
    EXPECT_EQ(centre.position.y, 0.0f);
}

// Every float-to-int pixel conversion: held inside +-2^30 whatever the float, exact below that,
// NaN below every buffer; and the half-up rounding is int(v + 0.5) in float, ties included.
TEST(PixelConversion, TruncationAtTheEdgesOfTheIntRange) {
    const int limit = pixel::kPixelLimit;
    EXPECT_EQ(pixel::truncate(0x1p31f), limit);
    EXPECT_EQ(pixel::truncate(-0x1p31f), -limit);
    EXPECT_EQ(pixel::truncate(0x1.fffffep30f), limit);
    EXPECT_EQ(pixel::truncate(-0x1.fffffep30f), -limit);
    EXPECT_EQ(pixel::truncate(0x1p30f), limit);
    EXPECT_EQ(pixel::truncate(0x1.fffffep29f), 1073741760);
    EXPECT_EQ(pixel::truncate(-0x1.fffffep29f), -1073741760);
    EXPECT_EQ(pixel::truncate(kNaN), -limit);
    for (float zero : {0.0f, -0.0f, 1e-45f, -1e-45f, 1e-39f, 0.99999994f, -0.99999994f})
        EXPECT_EQ(pixel::truncate(zero), 0) << zero;
    EXPECT_EQ(pixel::truncate(-1.5f), -1);
    EXPECT_EQ(pixel::roundHalfUp(0.5f), 1);
    EXPECT_EQ(pixel::roundHalfUp(-0.5f), 0);
    EXPECT_EQ(pixel::roundHalfUp(0.49999997f), 1);  // 0.49999997 + 0.5 rounds to 1 in float
    EXPECT_EQ(pixel::roundHalfUp(0.4999999f), 0);
    EXPECT_EQ(pixel::roundHalfUp(2.5f), 3);
}

// The clear done band by band before drawing reaches every row of both buffers, whatever they
// held, at any thread count: also a depth buffer taller than the colour buffer.
TEST(BandedClear, ReachesEveryRowOfBothBuffers) {
    for (int threads : {1, 2, 3}) {
        Image colour = imageCreate(5, 20, makeColour(-1, -1, -1, -1));
        DepthBuffer depth;
        depthBufferResize(depth, 5, 37);
        std::fill(depth.values.begin(), depth.values.end(), kNaN);
        RenderContext context;
        context.colourBuffer = &colour;
        context.depthBuffer = &depth;
        DrawList nothingQueued;
        drawTriangleList(nothingQueued, SceneLighting{}, context, threads, BufferClear{makeColour(0.5f, 1, 1, 1)});
        EXPECT_TRUE(std::all_of(colour.pixels.begin(), colour.pixels.end(), [](Colour c) { return c.r == 0.5f; }))
            << threads << " threads";
        EXPECT_TRUE(std::all_of(depth.values.begin(), depth.values.end(), [](float d) { return d == 1.0f; }))
            << threads << " threads";
    }
}
