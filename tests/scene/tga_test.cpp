#include "scene/tga.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/files.h"
#include "support/tga_files.h"

namespace {

constexpr float k = 1.0f / 255.0f;

std::unique_ptr<Image> decode(const std::vector<std::uint8_t>& bytes, int* bytesPerPixel = nullptr) {
    int size = 0;
    std::string why;
    std::unique_ptr<Image> image = tgaDecode(bytes, size, why);
    EXPECT_EQ(image == nullptr, !why.empty()) << why;
    if (bytesPerPixel) *bytesPerPixel = size;
    return image;
}

void expectColour(const Colour& c, float r, float g, float b, float a) {
    EXPECT_EQ(c.r, r);
    EXPECT_EQ(c.g, g);
    EXPECT_EQ(c.b, b);
    EXPECT_EQ(c.a, a);
}

}  // namespace

TEST(Tga, PlainFilesKeepThePicturesLowestRowAsRowZero) {
    // Stored bottom row first (blue, green, red): the default origin.
    int bytesPerPixel = 0;
    auto bottomUp = decode(tgaFile(2, 24, 2, 2, {0, 128, 255, 10, 20, 30, 1, 2, 3, 4, 5, 6}), &bytesPerPixel);
    ASSERT_TRUE(bottomUp);
    EXPECT_EQ(bytesPerPixel, 3);
    expectColour(bottomUp->pixels[0], 1.0f, 128 * k, 0.0f, 1.0f);
    expectColour(bottomUp->pixels[2], 3 * k, 2 * k, 1 * k, 1.0f);

    // Top row first (descriptor bit 5), 32 bits with alpha, and an image ID to skip.
    std::vector<std::uint8_t> topRowFirst = {0, 0, 255, 128, 255, 0, 0, 255};
    auto flipped = decode(tgaFile(2, 32, 1, 2, topRowFirst, 0x28, {'i', 'd', '!'}), &bytesPerPixel);
    ASSERT_TRUE(flipped);
    EXPECT_EQ(bytesPerPixel, 4);
    expectColour(flipped->pixels[0], 0, 0, 1, 1);        // the file's second (lower) row
    expectColour(flipped->pixels[1], 1, 0, 0, 128 * k);  // the file's first (top) row

    // A true-colour file may carry a colour map it does not use: three 15-bit entries (two bytes
    // each) to skip.
    std::vector<std::uint8_t> withMap = tgaFile(2, 24, 1, 1, {7, 7, 7, 7, 7, 7, 255, 0, 0});
    withMap[1] = 1;
    withMap[5] = 3;
    withMap[7] = 15;
    auto mapped = decode(withMap);
    ASSERT_TRUE(mapped);
    expectColour(mapped->pixels[0], 0, 0, 1, 1);

    // Columns stored right to left (bit 4).
    auto mirrored = decode(tgaFile(2, 24, 2, 1, {255, 0, 0, 0, 255, 0}, 0x10));
    ASSERT_TRUE(mirrored);
    expectColour(mirrored->pixels[0], 0, 1, 0, 1);
    expectColour(mirrored->pixels[1], 0, 0, 1, 1);
}

TEST(Tga, RunLengthFilesDecodeLikeTheirPlainForm) {
    std::vector<std::uint8_t> a = {1, 2, 3}, b = {4, 5, 6}, c = {7, 8, 9};
    std::vector<std::uint8_t> plain;
    for (const auto* pixel : {&a, &a, &a, &a, &b, &c}) plain.insert(plain.end(), pixel->begin(), pixel->end());
    // A run of four that crosses into the second row, then a raw packet of two.
    std::vector<std::uint8_t> packed = {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9};
    auto expected = decode(tgaFile(2, 24, 3, 2, plain));
    auto actual = decode(tgaFile(10, 24, 3, 2, packed));
    ASSERT_TRUE(expected && actual);
    for (std::size_t i = 0; i < 6; ++i) expectColour(actual->pixels[i], expected->pixels[i].r,
                                                     expected->pixels[i].g, expected->pixels[i].b, 1.0f);

    // A run reaching past the last pixel is cut there; 32-bit runs carry alpha.
    auto cut = decode(tgaFile(10, 32, 2, 2, {0x85, 0, 0, 0, 64}));
    ASSERT_TRUE(cut);
    expectColour(cut->pixels[3], 0, 0, 0, 64 * k);
}

TEST(Tga, UnsupportedOrShortFilesAreRefusedWithOneLine) {
    std::vector<std::vector<std::uint8_t>> refused = {
        tgaFile(1, 8, 1, 1, {0}),                          // colour-mapped
        tgaFile(3, 8, 1, 1, {0}),                          // grey-scale
        tgaFile(11, 8, 1, 1, {0x80, 0}),                   // run-length grey-scale
        tgaFile(2, 16, 1, 1, {0, 0}),                      // 16-bit true colour
        std::vector<std::uint8_t>(10, 0),                    // shorter than a header
        tgaFile(2, 24, 2, 2, {1, 2, 3, 4, 5, 6, 7, 8}),    // pixels cut short
        tgaFile(10, 24, 2, 2, {0x03, 1, 2, 3, 4, 5, 6}),   // raw packet cut short
        tgaFile(10, 24, 65535, 65535, {0xff, 1, 2, 3}),    // far more pixels than the data can give
    };
    for (std::size_t i = 0; i < refused.size(); ++i) EXPECT_FALSE(decode(refused[i])) << i;

    TempFolder folder;
    std::string name = folder.file("palette.tga");
    writeBinaryFile(name, refused[0]);
    std::ostringstream out, err;
    ImageTable table;
    EXPECT_EQ(imageTableAcquire(table, name, {}, LoadLog{out, err}), 0);
    EXPECT_EQ(err.str(), "TGA_Write: '" + name + "' is not a 24- or 32-bit true-colour TGA file (type 1, 8 bits per "
                         "pixel).\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_TRUE(table.entries.empty());
}

TEST(Tga, AnEmptyImageIsReadButNeverDrawn) {
    TempFolder folder;
    std::string name = folder.file("empty.tga");
    writeBinaryFile(name, tgaFile(2, 32, 0, 5, {}));
    ImageTable table;
    table.entries.push_back({"None", std::make_unique<Image>(imageCreate(2, 2))});
    std::ostringstream out, err;
    EXPECT_EQ(imageTableAcquire(table, name, {}, LoadLog{out, err}), 1);
    EXPECT_EQ(out.str(), "'" + name + "' (4 byte) image file closed and read.\n");
    EXPECT_EQ(table.entries[1].image->height, 5);
    EXPECT_EQ(imageAt(table, 1), nullptr);
}

TEST(Tga, TheTableLoadsEachNameOnceAndRetriesFailures) {
    TempFolder folder;
    writeBinaryFile(folder.file("wall.tga"), tgaFile(2, 24, 1, 1, {9, 9, 9}));
    ImageTable table;
    table.entries.push_back({"None", std::make_unique<Image>(imageCreate(2, 2))});
    std::ostringstream out, err;
    LoadLog log{out, err};
    // Not in the working directory: found in the scene's folder, stored as written.
    EXPECT_EQ(imageTableAcquire(table, "wall.tga", folder.path().string(), log), 1);
    EXPECT_EQ(imageTableAcquire(table, "wall.tga", folder.path().string(), log), 1);
    EXPECT_EQ(imageTableAcquire(table, "None", folder.path().string(), log), 0);
    EXPECT_EQ(out.str(), "'wall.tga' (3 byte) image file closed and read.\n");
    EXPECT_EQ(table.entries[1].fileName, "wall.tga");

    EXPECT_EQ(imageTableAcquire(table, "gone.tga", folder.path().string(), log), 0);
    EXPECT_EQ(imageTableAcquire(table, "gone.tga", folder.path().string(), log), 0);
    EXPECT_EQ(imageTableAcquire(table, "wall.tga ", {}, log), 0);  // not in the working directory
    std::string gone = "TGA_Write: failed to open file gone.tga\n  gone.tga: No such file or directory; " +
                       folder.file("gone.tga") + ": No such file or directory\n";
    EXPECT_EQ(err.str(),
              gone + gone + "TGA_Write: failed to open file wall.tga \n  wall.tga : No such file or directory\n");
    EXPECT_EQ(table.entries.size(), 2u);
}

// The writer's header holds sizes beyond one byte, and what it writes reads back as it was.
TEST(Tga, WrittenFilesReadBackWithTheirSize) {
    const int width = 2, height = 300;
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
    for (std::size_t i = 0; i < rgba.size(); ++i) rgba[i] = static_cast<std::uint8_t>(i * 7);
    auto image = decode(tgaEncode(width, height, rgba, RowOrder::bottomFirst, true));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, width);
    EXPECT_EQ(image->height, height);
    expectColour(image->pixels[599], rgba[2396] * k, rgba[2397] * k, rgba[2398] * k, rgba[2399] * k);
}
