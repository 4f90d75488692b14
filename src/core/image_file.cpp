#include "core/image_file.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openFile(const std::string& path, const char* mode, std::string& why) {
    File file(std::fopen(path.c_str(), mode));
    if (!file) why = "cannot open '" + path + "': " + std::strerror(errno);
    return file;
}

}  // namespace

unsigned char toByte(float channel) {
    if (!(channel > 0.0f)) return 0;  // negative and NaN
    if (channel >= 1.0f) return 255;
    return static_cast<unsigned char>(channel * 255.0f + 0.5f);
}

bool writePng(const Image& image, const std::string& path, std::string& why) {
    if (image.width <= 0 || image.height <= 0) {
        why = "an empty image cannot be written as PNG";
        return false;
    }
    std::vector<png_byte> bytes(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 4);
    png_byte* out = bytes.data();
    for (int r = image.height - 1; r >= 0; --r) {  // the top row first
        for (int c = 0; c < image.width; ++c, out += 4) {
            const Colour& p = imagePixel(image, c, r);
            out[0] = toByte(p.r);
            out[1] = toByte(p.g);
            out[2] = toByte(p.b);
            out[3] = toByte(p.a);
        }
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr)) {
        why = "cannot write '" + path + "': " + png.message;
        return false;
    }
    return true;
}

bool writePfm(const Image& image, const std::string& path, std::string& why) {
    File file = openFile(path, "wb", why);
    if (!file) return false;
    std::fprintf(file.get(), "PF\n%d %d\n-1.0\n", image.width, image.height);
    std::vector<float> row(static_cast<size_t>(image.width) * 3);
    for (int r = 0; r < image.height; ++r) {  // the bottom row first
        for (int c = 0; c < image.width; ++c) {
            const Colour& p = imagePixel(image, c, r);
            row[static_cast<size_t>(c) * 3 + 0] = p.r;
            row[static_cast<size_t>(c) * 3 + 1] = p.g;
            row[static_cast<size_t>(c) * 3 + 2] = p.b;
        }
        // Scale -1.0 declares little-endian, which is this machine's own order.
        std::fwrite(row.data(), sizeof(float), row.size(), file.get());
    }
    if (std::ferror(file.get()) || std::fflush(file.get()) != 0) {
        why = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

std::optional<Image> readPng(const std::string& path, std::string& why) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        why = "cannot read '" + path + "': " + png.message;
        return std::nullopt;
    }
    png.format = PNG_FORMAT_RGBA;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr)) {
        why = "cannot read '" + path + "': " + png.message;
        png_image_free(&png);
        return std::nullopt;
    }
    Image image = imageCreate(static_cast<int>(png.width), static_cast<int>(png.height));
    for (int r = 0; r < image.height; ++r) {
        const png_byte* in = &bytes[static_cast<size_t>(image.height - 1 - r) * image.width * 4];
        for (int c = 0; c < image.width; ++c, in += 4)
            image.pixels[static_cast<size_t>(r) * image.width + c] = {in[0] / 255.0f, in[1] / 255.0f, in[2] / 255.0f,
                                                                      in[3] / 255.0f};
    }
    return image;
}
