#include "core/image_file.h"

#include <png.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string systemReason() { return std::strerror(errno != 0 ? errno : EIO); }

File openFile(const std::string& path, const char* mode, std::string& why) {
    errno = 0;
    File file(std::fopen(path.c_str(), mode));
    if (!file) why = "cannot open '" + path + "': " + systemReason();
    return file;
}

// Flushes and closes the file, so that a full disk or a failing device shows here rather than
// passing unnoticed; false (with the reason) when anything written was lost.
bool finishFile(File file, const std::string& path, std::string& why) {
    errno = 0;
    bool flushed = std::fflush(file.get()) == 0 && !std::ferror(file.get());
    int flushError = errno;
    bool closed = std::fclose(file.release()) == 0;
    if (flushed && closed) return true;
    if (!flushed) errno = flushError;
    why = "cannot write '" + path + "': " + systemReason();
    return false;
}

}  // namespace

bool writePng(const Image& image, const std::string& path, std::string& why) {
    if (image.width <= 0 || image.height <= 0) {
        why = "an empty image cannot be written as PNG";
        return false;
    }
    // The window shows the colour buffer without its alpha, so the file has none either.
    std::vector<png_byte> bytes(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3);
    png_byte* out = bytes.data();
    for (int r = image.height - 1; r >= 0; --r) {  // the top row first
        for (int c = 0; c < image.width; ++c, out += 3) {
            const Colour& p = imagePixel(image, c, r);
            out[0] = toByte(p.r);
            out[1] = toByte(p.g);
            out[2] = toByte(p.b);
        }
    }
    File file = openFile(path, "wb", why);
    if (!file) return false;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    errno = 0;
    if (!png_image_write_to_stdio(&png, file.get(), 0, bytes.data(), 0, nullptr)) {
        why = "cannot write '" + path + "': " + (errno != 0 ? std::strerror(errno) : png.message);
        return false;
    }
    return finishFile(std::move(file), path, why);
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
        if (std::fwrite(row.data(), sizeof(float), row.size(), file.get()) != row.size()) {
            why = "cannot write '" + path + "': " + systemReason();
            return false;
        }
    }
    return finishFile(std::move(file), path, why);
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
