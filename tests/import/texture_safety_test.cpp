// Texture files from a model are untrusted: a huge declared size, data that ends early, a
// device or a FIFO under a texture's name each cost a warning, never the import.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "import/texture_files.h"
#include "scene/tga.h"
#include "support/files.h"
#include "support/process.h"

namespace {

namespace fs = std::filesystem;

void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// A PNG header declaring 20000 x 20000 grey pixels (1.6 GB decoded as RGBA) in a file of a
// few bytes.
std::vector<std::uint8_t> pngBomb() {
    std::vector<std::uint8_t> bytes = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    putBigEndian(bytes, 13);
    bytes.insert(bytes.end(), {'I', 'H', 'D', 'R'});
    putBigEndian(bytes, 20000);
    putBigEndian(bytes, 20000);
    bytes.insert(bytes.end(), {8, 0, 0, 0, 0, 0, 0, 0, 0});  // 8-bit grey; the checksum is not checked
    return bytes;
}

std::vector<std::uint8_t> gradientTga(int width, int height) {
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < width * height; ++i)
        rgba.insert(rgba.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i / 3), 200, 255});
    return tgaEncode(width, height, rgba, RowOrder::topFirst, false);
}

}  // namespace

TEST(TextureDecoding, RefusesHugeDeclaredSizesAndDataThatEndsEarly) {
    std::string why;
    EXPECT_FALSE(decodeImage(pngBomb(), why));
    EXPECT_EQ(why, "is 20000 x 20000 pixels; textures of more than 64 megapixels are left out");

    std::vector<std::uint8_t> whole = gradientTga(40, 30);
    ASSERT_TRUE(decodeImage(whole, why)) << why;
    for (std::size_t size : {whole.size() - 1, whole.size() / 2, std::size_t(19)}) {
        std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(decodeImage(cut, why)) << size;
        EXPECT_EQ(why, "ends before its image data does (the file is cut short)") << size;
    }
    // 34 bytes declaring 16000 x 16000.
    std::vector<std::uint8_t> tiny(whole.begin(), whole.begin() + 34);
    tiny[12] = tiny[14] = 16000 & 0xff;
    tiny[13] = tiny[15] = 16000 >> 8;
    EXPECT_FALSE(decodeImage(tiny, why));
    EXPECT_EQ(why, "is 16000 x 16000 pixels; textures of more than 64 megapixels are left out");
}

TEST(TextureDecoding, ScalingWhileDecodingGivesWhatScalingAfterwardsGave) {
    std::vector<std::uint8_t> bytes = gradientTga(300, 120);
    std::string why;
    std::optional<DecodedImage> whole = decodeImage(bytes, why);
    std::optional<DecodedImage> scaled = decodeImage(bytes, why, 100);
    ASSERT_TRUE(whole && scaled) << why;
    DecodedImage expected = downsize(*whole, 100);
    EXPECT_EQ(scaled->width, 100);
    EXPECT_EQ(scaled->height, expected.height);
    EXPECT_EQ(scaled->rgba, expected.rgba);
    EXPECT_EQ(scaled->hasAlpha, expected.hasAlpha);
    // A tall picture narrower than the limit is limited by its height.
    std::optional<DecodedImage> tall = decodeImage(gradientTga(60, 300), why, 100);
    ASSERT_TRUE(tall) << why;
    EXPECT_EQ(tall->height, 100);
    EXPECT_EQ(tall->width, 20);
}

TEST(TextureFiles, UnusableFilesUnderATexturesNameAreWarningsThroughTheCommand) {
    TempFolder folder;
    writeBinaryFile(folder.file("bomb.png"), pngBomb());
    std::vector<std::uint8_t> cut = gradientTga(64, 64);
    cut.resize(cut.size() / 2);
    writeBinaryFile(folder.file("cut.tga"), cut);
    ASSERT_EQ(mkfifo(folder.file("fifo.png").c_str(), 0600), 0);
    fs::create_directory(folder.path() / "folder.png");
    std::string mtl, obj = "mtllib m.mtl\nvt 0 0\nvt 1 0\nvt 0 1\n";
    const char* names[] = {"bomb.png", "cut.tga", "fifo.png", "folder.png", "/proc/self/pagemap"};
    for (int i = 0; i < 5; ++i) {
        const std::string number = std::to_string(i);
        mtl += "newmtl M" + number + "\nmap_Kd " + names[i] + "\n";
        obj += "v " + number + " 0 0\nv " + std::to_string(i + 1) + " 0 0\nv " + number + " 1 0\nusemtl M" + number;
        obj += "\nf " + std::to_string(3 * i + 1) + "/1 " + std::to_string(3 * i + 2) + "/2 " + std::to_string(3 * i + 3) + "/3\n";
    }
    writeTextFile(folder.file("m.mtl"), mtl);
    writeTextFile(folder.file("m.obj"), obj);
    int status = runProgram({QUELMAR_IMPORT_COMMAND, "-o", folder.file("m.txt"), folder.file("m.obj")}, folder.file("log"));
    const std::string log = readTextFile(folder.file("log"));
    EXPECT_EQ(status, 0) << log;
    const char* left = "; its materials are left without it\n";
    for (const std::string warning :
         {"warning: texture 'bomb.png' is 20000 x 20000 pixels; textures of more than 64 megapixels are left out",
          "warning: texture 'cut.tga' ends before its image data does (the file is cut short)",
          "warning: texture 'fifo.png' is missing or not a readable file",
          "warning: texture 'folder.png' is missing or not a readable file",
          "warning: texture '/proc/self/pagemap' lies outside the model's folder and was not read (--search DIR allows "
          "reading from DIR)"})
        EXPECT_NE(log.find(warning + left), std::string::npos) << warning << "\n" << log;
    EXPECT_NE(log.find("textures written: 0\n"), std::string::npos) << log;
}

TEST(TextureFiles, ManyWarningsOfOneKindAreSummedUpAfterTwenty) {
    TempFolder folder;
    std::string mtl;
    for (int i = 0; i < 1025; ++i) {
        std::string number = std::to_string(i);
        mtl += "newmtl M" + number + "\nmap_Kd gone" + number + ".png\n";
    }
    writeTextFile(folder.file("m.mtl"), mtl);
    writeTextFile(folder.file("m.obj"), "mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl M0\nf 1 2 3\n");
    int status = runProgram({QUELMAR_IMPORT_COMMAND, "-o", folder.file("m.txt"), folder.file("m.obj")}, folder.file("log"));
    const std::string log = readTextFile(folder.file("log"));
    EXPECT_EQ(status, 0) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 7 + 20 + 1) << log;  // the summary with its up axis, 20 warnings, the sum
    EXPECT_NE(log.find("warning: texture 'gone19.png' is missing"), std::string::npos) << log;
    EXPECT_EQ(log.find("gone20.png"), std::string::npos) << log;
    EXPECT_NE(log.find("warning: ... and 1,005 more: texture '...' is missing or not a readable file; its materials "
                       "are left without it\n"),
              std::string::npos)
        << log;
}
