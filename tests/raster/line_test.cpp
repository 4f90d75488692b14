#include "raster/line.h"

#include <gtest/gtest.h>

#include <cmath>

#include "raster/canvas.h"

namespace {

TEST(Line, PixelCountIsCeilingOfLengthPlusHalf) {
    struct Case {
        float from, to;
        int pixels;
    } cases[] = {{0, 10, 11}, {0, 9.5f, 10}, {0, 9.6f, 11}, {5, 5, 1}, {3.7f, 13.2f, 10}};
    for (const Case& c : cases) {
        Canvas canvas(32, 8);
        drawLine(canvas.at(c.from, 2), canvas.at(c.to, 2), canvas.context);
        EXPECT_EQ(canvas.drawnCount(), c.pixels) << c.from << " to " << c.to;
    }
}

TEST(Line, ReverseCoversTheSamePixelsWithTheSameValues) {
    Canvas forward(32, 32), backward(32, 32);
    Vertex a = forward.at(2.3f, 4.1f, 0.2f, {1, 0, 0, 1}), b = forward.at(27.8f, 19.6f, 0.7f, {0, 1, 0, 1});
    drawLine(a, b, forward.context);
    drawLine(b, a, backward.context);
    EXPECT_EQ(forward.depth.values, backward.depth.values);
    for (size_t i = 0; i < forward.colour.pixels.size(); ++i) {
        EXPECT_EQ(forward.colour.pixels[i].r, backward.colour.pixels[i].r);
        EXPECT_EQ(forward.colour.pixels[i].g, backward.colour.pixels[i].g);
    }
}

TEST(Line, MajorAxisAndTruncation) {
    Canvas steep(16, 16);
    drawLine(steep.at(1, 1), steep.at(3, 12), steep.context);  // y-major: one pixel per row
    EXPECT_EQ(steep.drawnCount(), 12);
    Canvas diagonal(16, 16);
    drawLine(diagonal.at(1, 1), diagonal.at(9, 9), diagonal.context);  // 45 degrees is x-major
    EXPECT_EQ(diagonal.drawnCount(), 9);
    // So a falling diagonal is walked from its left end, which keeps its own colour exactly.
    Canvas falling(16, 16);
    drawLine(falling.at(9.5f, 1.5f, 0.5f, {0.7f, 0, 0, 1}), falling.at(1.5f, 9.5f, 0.5f, {0.1f, 0, 0, 1}),
             falling.context);
    EXPECT_EQ(imagePixel(falling.colour, 1, 9).r, 0.1f);
    Canvas truncated(16, 16);
    drawLine(truncated.at(0, 4.9f), truncated.at(0, 4.9f), truncated.context);
    EXPECT_TRUE(truncated.drawn(0, 4)) << "4.9 plots in row 4, no rounding";
}

TEST(Line, TexturingBlendsWithBlackWhenThereIsNoTexture) {
    Canvas canvas(8, 8);
    canvas.context.texturing = 1;
    drawLine(canvas.at(1, 1, 0.5f, {1, 1, 1, 1}), canvas.at(5, 1, 0.5f, {1, 1, 1, 1}), canvas.context);
    Colour c = imagePixel(canvas.colour, 2, 1);
    EXPECT_EQ(c.r, 0.5f);
    EXPECT_EQ(c.a, 1.0f);
}

TEST(Line, DepthZeroDrawsOverClearedBufferButNotOverNearer) {
    Canvas canvas(8, 8);
    canvas.depth.values[1 * 8 + 3] = -0.5f;
    drawLine(canvas.at(0, 1, 0.0f), canvas.at(7, 1, 0.0f), canvas.context);
    EXPECT_EQ(canvas.depth.values[1 * 8 + 2], 0.0f);
    EXPECT_EQ(canvas.depth.values[1 * 8 + 3], -0.5f);
}

TEST(Line, AbsurdEndsFinish) {
    Canvas canvas(8, 8);
    // At 1e30 a step of one pixel is lost in rounding, so the walk never reaches the buffer; what
    // matters is that it ends.
    drawLine(canvas.at(-1e30f, 3), canvas.at(1e30f, 3), canvas.context);
    drawLine(canvas.at(-1e6f, 3), canvas.at(1e6f, 3), canvas.context);
    EXPECT_EQ(canvas.drawnCount(), 8) << "a long line across the buffer still crosses it";
    drawLine(canvas.at(std::nanf(""), 3), canvas.at(4, 3), canvas.context);
    drawLine(canvas.at(0, -INFINITY), canvas.at(0, INFINITY), canvas.context);
    SUCCEED();
}

}  // namespace
