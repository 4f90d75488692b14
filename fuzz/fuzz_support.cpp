#include "fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <vector>

#include "scene/parser.h"

namespace {

namespace fs = std::filesystem;

struct TinyTga {
    const char* name;
    int imageType;  // 2 plain, 10 run-length, anything else is refused by the reader
    int bitsPerPixel;
    int width;
    int height;
    int descriptor;  // origin bits
    int idLength;
    bool colourMap;  // a (unused) colour map of two 24-bit entries before the pixels
    bool cutShort;   // the file ends half-way through its pixels
};

// Every image name the project's scenes use, each in another of the layouts the reader meets
// (and a few it refuses), so that fuzzed scenes reach every path of the image table.
const TinyTga kWorkingFolderImages[] = {
    {"brick.tga", 2, 24, 4, 4, 0x00, 0, false, false},
    {"checker.tga", 10, 32, 2, 2, 0x00, 0, false, false},
    {"bricks.tga", 2, 24, 3, 5, 0x20, 5, false, false},
    {"tiles.tga", 2, 24, 1, 1, 0x00, 0, false, false},
    {"bumps16.tga", 2, 24, 0, 0, 0x00, 0, false, false},
    {"grey.tga", 3, 8, 2, 2, 0x00, 0, false, false},
};
const TinyTga kSceneFolderImages[] = {
    {"brickn.tga", 2, 24, 4, 4, 0x00, 0, false, false},
    {"bricks-nm.tga", 2, 32, 5, 3, 0x10, 0, false, false},
    {"tiles-nm.tga", 10, 24, 1, 7, 0x30, 0, false, false},
    {"dimples-nm.tga", 2, 24, 8, 1, 0x00, 0, false, false},
    {"checker16.tga", 2, 24, 4, 4, 0x00, 0, true, false},
    {"short.tga", 2, 24, 4, 4, 0x00, 0, false, true},
};

void put16(std::vector<std::uint8_t>& bytes, int value) {
    bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
    bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xff));
}

// Pixel n: a colour of its own, near the flat normal (128, 128, 255) so normal maps decode to
// sensible normals.
std::vector<std::uint8_t> pixelBytes(int n, int bytesPerPixel) {
    std::vector<std::uint8_t> pixel = {static_cast<std::uint8_t>(255 - 9 * n), static_cast<std::uint8_t>(128 + 5 * n),
                                       static_cast<std::uint8_t>(128 - 3 * n)};
    if (bytesPerPixel == 4) pixel.push_back(static_cast<std::uint8_t>(255 - 20 * n));
    return pixel;
}

std::vector<std::uint8_t> tgaBytes(const TinyTga& tga) {
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(tga.idLength), static_cast<std::uint8_t>(tga.colourMap),
                                       static_cast<std::uint8_t>(tga.imageType)};
    put16(bytes, 0);
    put16(bytes, tga.colourMap ? 2 : 0);
    bytes.push_back(tga.colourMap ? 24 : 0);
    put16(bytes, 0);
    put16(bytes, 0);
    put16(bytes, tga.width);
    put16(bytes, tga.height);
    bytes.push_back(static_cast<std::uint8_t>(tga.bitsPerPixel));
    bytes.push_back(static_cast<std::uint8_t>(tga.descriptor));
    bytes.insert(bytes.end(), static_cast<std::size_t>(tga.idLength), 'i');
    if (tga.colourMap) bytes.insert(bytes.end(), 6, 0x40);
    int bytesPerPixel = tga.bitsPerPixel == 32 ? 4 : 3;
    int pixels = tga.width * tga.height;
    if (tga.cutShort) pixels /= 2;
    for (int n = 0; n < pixels; ++n) {
        // Run-length files: every pixel a run of one, except that pairs share a run packet.
        if (tga.imageType == 10) {
            bool pair = n + 1 < pixels && n % 3 == 0;
            bytes.push_back(pair ? 0x81 : 0x00);
            if (pair) ++n;
        }
        std::vector<std::uint8_t> pixel = pixelBytes(n, bytesPerPixel);
        bytes.insert(bytes.end(), pixel.begin(), pixel.end());
    }
    return bytes;
}

void writeImages(const fs::path& folder, const TinyTga* images, std::size_t count) {
    fs::create_directories(folder);
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::uint8_t> bytes = tgaBytes(images[i]);
        std::ofstream file(folder / images[i].name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
}

// The process's own folder, made on first use and removed when the process exits normally.
struct ImageFolders {
    fs::path root;
    std::string working;
    std::string scene;

    ImageFolders() {
        std::string pattern = (fs::temp_directory_path() / "quelmar-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        root = pattern;
        working = (root / "work").string();
        scene = (root / "scene").string();
        writeImages(working, kWorkingFolderImages, std::size(kWorkingFolderImages));
        writeImages(scene, kSceneFolderImages, std::size(kSceneFolderImages));
    }
    ~ImageFolders() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

const ImageFolders& imageFolders() {
    static const ImageFolders folders;
    return folders;
}

// Moves the working directory for its lifetime and then back, so that libFuzzer's own
// relative paths (corpus folders) keep their meaning between runs.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::string& folder) : saved_(open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (saved_ < 0 || chdir(folder.c_str()) != 0) std::abort();
    }
    ~WorkingDirectory() {
        if (fchdir(saved_) != 0) std::abort();
        close(saved_);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    int saved_;
};

}  // namespace

std::string fuzzSceneText(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    for (char& c : text)
        if (c == '/') c = '_';
    return text;
}

void fuzzParseScene(Scene& scene, RenderContext& context, const std::uint8_t* data, std::size_t size) {
    const ImageFolders& folders = imageFolders();
    std::string text = fuzzSceneText(data, size);
    std::ostream discard(nullptr);
    WorkingDirectory inImages(folders.working);
    sceneParse(scene, text, folders.scene, context, LoadLog{discard, discard});
}
