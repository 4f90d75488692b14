#include "app/window_pixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>

#include "core/image_file.h"

namespace {

PixelBox wholeOf(const Image& frame) { return {0, 0, frame.width - 1, frame.height - 1}; }

// Every channel is the PNG writer's byte, alpha is opaque, and the thread count changes nothing.
TEST(WindowPixels, AreThePngWritersBytesOnAnyNumberOfThreads) {
    const float specials[] = {-1.0f, 0.0f, 0.5f, 126.5f / 255.0f, 1.0f, 2.0f,
                              std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()};
    Image frame = imageCreate(301, 257);  // enough pixels for several threads
    for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
        float ramp = static_cast<float>(i % 1021) / 1020.0f;
        frame.pixels[i] = {ramp, specials[i % 8], 1.0f - ramp, specials[(i / 8) % 8]};
    }
    std::vector<std::uint8_t> one, several(7, 9);
    const PixelBox all = windowPixels(frame, wholeOf(frame), one, 1);
    EXPECT_EQ(std::tie(all.minX, all.minY, all.maxX, all.maxY), std::make_tuple(0, 0, 300, 256));
    windowPixels(frame, wholeOf(frame), several, 3);
    ASSERT_EQ(one.size(), frame.pixels.size() * 4);
    EXPECT_EQ(one, several);
    for (std::size_t i = 0; i < frame.pixels.size(); ++i) {
        const Colour& p = frame.pixels[i];
        ASSERT_EQ(one[i * 4 + 0], toByte(p.r));
        ASSERT_EQ(one[i * 4 + 1], toByte(p.g));
        ASSERT_EQ(one[i * 4 + 2], toByte(p.b));
        ASSERT_EQ(one[i * 4 + 3], 255);
    }
    windowPixels(Image{}, wholeOf(frame), several, 2);
    EXPECT_TRUE(several.empty());
}

// The box holds exactly the pixels that are not white as bytes, whichever thread saw them;
// channels above 1 are white too, alpha does not count.
TEST(WindowPixels, BoxTheBytesThatAreNotWhite) {
    Image frame = imageCreate(97, 700);
    for (Colour& p : frame.pixels) p = {1.0f, 1.0f, 1.0f, 0.0f};
    frame.pixels[5] = {2.0f, 1.0f, 7.0f, 0.0f};
    std::vector<std::uint8_t> bytes;
    for (int threads : {1, 2, 5}) EXPECT_TRUE(boxEmpty(windowPixels(frame, wholeOf(frame), bytes, threads))) << threads;
    imageSetPixelByIndex(frame, makeColour(1.0f, 0.999f, 1.0f, 1.0f), 650 * 97 + 40);  // 254.745 rounds to 255
    imageSetPixelByIndex(frame, makeColour(1.0f, 0.998f, 1.0f, 1.0f), 30 * 97 + 12);   // 254.49 rounds to 254
    imageSetPixelByIndex(frame, makeColour(-1.0f, 1.0f, 1.0f, 1.0f), 499 * 97 + 60);
    imageSetPixelByIndex(frame, makeColour(1.0f, 1.0f, 0.5f, 1.0f), 500 * 97 + 61);
    for (int threads : {1, 2, 5}) {
        const PixelBox box = windowPixels(frame, wholeOf(frame), bytes, threads);
        EXPECT_EQ(std::tie(box.minX, box.minY, box.maxX, box.maxY), std::make_tuple(12, 30, 61, 500)) << threads;
    }
}

// Only the drawn box is read and written, clipped to the frame; the bytes around it stay as
// they were, and a box wholly outside the frame converts nothing.
TEST(WindowPixels, ConvertOnlyTheDrawnBox) {
    Image frame = imageCreate(40, 30, makeColour(0.0f, 0.5f, 1.0f, 1.0f));
    const std::vector<std::uint8_t> untouched(frame.pixels.size() * 4, 7);
    for (int threads : {1, 3}) {
        std::vector<std::uint8_t> bytes = untouched;
        const PixelBox box = windowPixels(frame, {-5, 10, 12, 400}, bytes, threads);
        EXPECT_EQ(std::tie(box.minX, box.minY, box.maxX, box.maxY), std::make_tuple(0, 10, 12, 29)) << threads;
        for (int row = 0; row < frame.height; ++row)
            for (int column = 0; column < frame.width; ++column) {
                const std::uint8_t* pixel = &bytes[static_cast<std::size_t>(row * frame.width + column) * 4];
                const bool inside = row >= 10 && column <= 12;
                ASSERT_EQ(pixel[1], inside ? 128 : 7) << column << ", " << row;
            }
        bytes = untouched;
        EXPECT_TRUE(boxEmpty(windowPixels(frame, {40, 0, 99, 29}, bytes, threads)));
        EXPECT_TRUE(boxEmpty(windowPixels(frame, {}, bytes, threads)));
        EXPECT_EQ(bytes, untouched);
    }
}

// The PNG levels at their edges: below 0 and NaN are 0, from 1 up 255, halves round up.
TEST(WindowPixels, ByteLevelsClampAndRoundHalvesUp) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::pair<float, int> cases[] = {
        {-inf, 0},  {-1.0f, 0},       {-0.0f, 0},   {0.0f, 0},   {nan, 0},     {-nan, 0},
        {1e-45f, 0}, {0.5f / 255, 1}, {0.49f / 255, 0}, {0.5f, 128}, {127.49f / 255, 127},
        {std::nextafter(1.0f, 0.0f), 255}, {254.5f / 255, 255}, {1.0f, 255}, {3e38f, 255}, {inf, 255}};
    for (auto [channel, level] : cases) EXPECT_EQ(toByte(channel), level) << channel;
}

}  // namespace
