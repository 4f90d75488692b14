#include "import/image_formats.h"

#include <cstring>

namespace {

struct Signature {
    const char* format;
    std::size_t offset;
    const char* bytes;
    std::size_t length;
};

// Ordered so that a longer signature is tried before a shorter one it starts with.
const Signature kSignatures[] = {
    {"PNG", 0, "\x89PNG\r\n\x1a\n", 8},
    {"JPEG", 0, "\xff\xd8\xff", 3},
    {"GIF", 0, "GIF8", 4},
    {"BMP", 0, "BM", 2},
    {"PSD", 0, "8BPS", 4},
    {"HDR", 0, "#?RADIANCE", 10},
    {"HDR", 0, "#?RGBE", 6},
    {"DDS", 0, "DDS ", 4},
    {"KTX", 0, "\xabKTX", 4},
    {"SGI", 0, "\x01\xda", 2},
    {"TIFF", 0, "II*\0", 4},
    {"TIFF", 0, "MM\0*", 4},
    {"WebP", 8, "WEBP", 4},
    {"OpenEXR", 0, "\x76\x2f\x31\x01", 4},
    {"JPEG 2000", 4, "jP  ", 4},
    {"JPEG 2000", 0, "\xff\x4f\xff\x51", 4},
    {"PVR", 0, "PVR\x03", 4},
    {"PCX", 0, "\x0a\x05", 2},
    {"PNM", 0, "P6", 2},
    {"PNM", 0, "P5", 2},
};

const char* const kReadable[] = {"PNG", "JPEG", "GIF", "BMP", "PSD", "HDR", "PNM"};

}  // namespace

const char* const kImageExtensions[] = {".png", ".tga", ".jpg", ".jpeg", ".bmp", ".gif", ".psd", ".hdr", ".ppm", ".pgm"};
const int kImageExtensionCount = sizeof kImageExtensions / sizeof kImageExtensions[0];

std::string imageFormatName(const std::vector<std::uint8_t>& bytes) {
    for (const Signature& s : kSignatures)
        if (bytes.size() >= s.offset + s.length && std::memcmp(bytes.data() + s.offset, s.bytes, s.length) == 0)
            return s.format;
    return "";
}

bool decoderReads(const std::string& format) {
    for (const char* readable : kReadable)
        if (format == readable) return true;
    return false;
}

std::string undecodableReason(const std::vector<std::uint8_t>& bytes, const std::string& decoderReason) {
    std::string format = imageFormatName(bytes);
    if (format.empty()) return "not an image format the importer knows: " + decoderReason;
    if (!decoderReads(format)) return format + " image, a format the importer does not read";
    return "damaged " + format + " image: " + decoderReason;
}
