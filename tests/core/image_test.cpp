#include <gtest/gtest.h>

#include "core/image.h"

TEST(ImageBuffer, LinearIndexRunsAlongRowsFromRowZero) {
    Image image = imageCreate(4, 2);
    ASSERT_EQ(image.pixels.size(), 8u);
    imageFill(image, makeColour(0, 0, 0, 1));
    imageSetPixelByIndex(image, makeColour(0.25f, 0.5f, 0.75f, 0), 5);
    const Colour& set = imagePixel(image, 1, 1);
    EXPECT_EQ(set.r, 0.25f);
    EXPECT_EQ(set.g, 0.5f);
    EXPECT_EQ(set.b, 0.75f);
    EXPECT_EQ(set.a, 0.0f);
    EXPECT_EQ(imagePixel(image, 1, 0).a, 1.0f);
    EXPECT_EQ(imagePixel(image, 0, 1).a, 1.0f);
}

TEST(ImageBuffer, EmptyAndNegativeSizesHoldNoPixels) {
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 4}, {4, -3}}) {
        Image image = imageCreate(w, h);
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_GE(image.width, 0);
        EXPECT_GE(image.height, 0);
        imageFill(image, makeColour(1, 1, 1, 1));
        EXPECT_TRUE(image.pixels.empty());
    }
}
