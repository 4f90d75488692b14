// The TGA reader and the image table that loads each image file a material names once.
//
// Accepted: true-colour files (type 2) and their run-length-encoded form (type 10) of 24 or
// 32 bits per pixel, with any image ID field and any colour map they carry skipped, and with
// the origin bits of the descriptor honoured so that row 0 is always the picture's lowest row.
// Everything else (colour-mapped and grey-scale files, 15/16-bit pixels, files shorter than
// their header promises, images too large to hold) is refused with one line naming the file.
#include "scene/tga.h"

#include <cstddef>
#include <filesystem>
#include <optional>

#include "scene/file_bytes.h"

namespace {

constexpr std::size_t kHeaderBytes = 18;
constexpr float kByteScale = 1.0f / 255.0f;  // the float nearest 1/255: 255 maps to exactly 1
constexpr int kRunLengthPixels = 128;        // the most pixels one run-length packet covers
// 64 Mi pixels (1 GiB of float colours): far beyond any texture this renderer draws, and it
// keeps a run-length file of a few megabytes from asking for tens of gigabytes.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;
constexpr int kDescriptorRightToLeft = 0x10;
constexpr int kDescriptorTopDown = 0x20;

struct TgaHeader {
    int idLength = 0;
    int colourMapType = 0;
    int imageType = 0;
    int colourMapLength = 0;
    int colourMapEntryBits = 0;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int descriptor = 0;
};

int readUint16(const std::vector<std::uint8_t>& bytes, std::size_t at) { return bytes[at] | (bytes[at + 1] << 8); }

TgaHeader readHeader(const std::vector<std::uint8_t>& bytes) {
    TgaHeader header;
    header.idLength = bytes[0];
    header.colourMapType = bytes[1];
    header.imageType = bytes[2];
    header.colourMapLength = readUint16(bytes, 5);
    header.colourMapEntryBits = bytes[7];
    header.width = readUint16(bytes, 12);
    header.height = readUint16(bytes, 14);
    header.bitsPerPixel = bytes[16];
    header.descriptor = bytes[17];
    return header;
}

bool isRunLength(const TgaHeader& header) { return header.imageType == 10; }

bool isSupported(const TgaHeader& header) {
    bool trueColour = header.imageType == 2 || header.imageType == 10;
    return trueColour && (header.bitsPerPixel == 24 || header.bitsPerPixel == 32);
}

// A true-colour file may still carry a colour map (which it does not use); it lies between
// the image ID and the pixels.
std::size_t pixelDataOffset(const TgaHeader& header) {
    std::size_t mapBytes = 0;
    if (header.colourMapType == 1)
        mapBytes = static_cast<std::size_t>(header.colourMapLength) * ((header.colourMapEntryBits + 7) / 8);
    return kHeaderBytes + static_cast<std::size_t>(header.idLength) + mapBytes;
}

// The fewest bytes the pixel data can take: every pixel for a plain file, one packet (a count
// byte and one pixel) per 128 pixels for a run-length file.
std::size_t minimumPixelBytes(const TgaHeader& header, std::size_t pixelCount, int bytesPerPixel) {
    if (!isRunLength(header)) return pixelCount * static_cast<std::size_t>(bytesPerPixel);
    std::size_t packets = (pixelCount + kRunLengthPixels - 1) / kRunLengthPixels;
    return packets * static_cast<std::size_t>(1 + bytesPerPixel);
}

// Stored blue, green, red (and alpha in 4-byte pixels).
Colour pixelColour(const std::uint8_t* pixel, int bytesPerPixel) {
    float alpha = bytesPerPixel == 4 ? pixel[3] * kByteScale : 1.0f;
    return makeColour(pixel[2] * kByteScale, pixel[1] * kByteScale, pixel[0] * kByteScale, alpha);
}

std::vector<Colour> readPlainPixels(const std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t pixelCount,
                                    int bytesPerPixel) {
    std::vector<Colour> pixels;
    pixels.reserve(pixelCount);
    for (std::size_t n = 0; n < pixelCount; ++n, at += static_cast<std::size_t>(bytesPerPixel))
        pixels.push_back(pixelColour(&bytes[at], bytesPerPixel));
    return pixels;
}

// Runs that reach past the last pixel are cut there. No value when a packet is cut short.
std::optional<std::vector<Colour>> readRunLengthPixels(const std::vector<std::uint8_t>& bytes, std::size_t at,
                                                       std::size_t pixelCount, int bytesPerPixel) {
    std::vector<Colour> pixels;
    pixels.reserve(pixelCount);
    std::size_t pixelBytes = static_cast<std::size_t>(bytesPerPixel);
    while (pixels.size() < pixelCount) {
        if (at >= bytes.size()) return std::nullopt;
        std::uint8_t packet = bytes[at++];
        std::size_t count = (packet & 0x7f) + 1u;
        bool run = (packet & 0x80) != 0;
        std::size_t dataBytes = run ? pixelBytes : count * pixelBytes;
        if (bytes.size() - at < dataBytes) return std::nullopt;
        for (std::size_t k = 0; k < count && pixels.size() < pixelCount; ++k)
            pixels.push_back(pixelColour(&bytes[at + (run ? 0 : k * pixelBytes)], bytesPerPixel));
        at += dataBytes;
    }
    return pixels;
}

// Pixels in file order placed so that row 0 is the lowest row of the picture and column 0 its
// left column, whichever corner the file starts in.
Image placePixels(const std::vector<Colour>& filePixels, const TgaHeader& header) {
    Image image = imageCreate(header.width, header.height);
    bool topDown = (header.descriptor & kDescriptorTopDown) != 0;
    bool rightToLeft = (header.descriptor & kDescriptorRightToLeft) != 0;
    for (std::size_t n = 0; n < filePixels.size(); ++n) {
        int fileRow = static_cast<int>(n / static_cast<std::size_t>(header.width));
        int fileColumn = static_cast<int>(n % static_cast<std::size_t>(header.width));
        int row = topDown ? header.height - 1 - fileRow : fileRow;
        int column = rightToLeft ? header.width - 1 - fileColumn : fileColumn;
        imageSetPixelByIndex(image, filePixels[n], column + row * header.width);
    }
    return image;
}

std::string shortFileReason(std::size_t fileBytes) {
    return "is shorter than its header says (" + std::to_string(fileBytes) + " bytes).";
}

std::string unsupportedReason(const TgaHeader& header) {
    return "is not a 24- or 32-bit true-colour TGA file (type " + std::to_string(header.imageType) + ", " +
           std::to_string(header.bitsPerPixel) + " bits per pixel).";
}

// Decodes and reports: the read line on log.out, or one line on log.err saying why not.
std::unique_ptr<Image> decodeAndReport(const std::string& fileName, const std::string& contents, LoadLog log) {
    std::vector<std::uint8_t> bytes(contents.begin(), contents.end());
    int bytesPerPixel = 0;
    std::string why;
    std::unique_ptr<Image> image = tgaDecode(bytes, bytesPerPixel, why);
    if (!image)
        log.err << "TGA_Write: '" << fileName << "' " << why << "\n";
    else
        log.out << "'" << fileName << "' (" << bytesPerPixel << " byte) image file closed and read.\n";
    return image;
}

void reportOpenFailure(const std::string& fileName, const std::string& why, LoadLog log) {
    log.err << "TGA_Write: failed to open file " << fileName << "\n  " << why << "\n";
}

}  // namespace

std::unique_ptr<Image> tgaDecode(const std::vector<std::uint8_t>& bytes, int& bytesPerPixel, std::string& why) {
    if (bytes.size() < kHeaderBytes) {
        why = shortFileReason(bytes.size());
        return nullptr;
    }
    TgaHeader header = readHeader(bytes);
    if (!isSupported(header)) {
        why = unsupportedReason(header);
        return nullptr;
    }
    std::int64_t pixelCount = std::int64_t{header.width} * header.height;
    if (pixelCount > kMaxPixels) {
        why = "is too large (" + std::to_string(header.width) + " x " + std::to_string(header.height) + " pixels).";
        return nullptr;
    }
    int pixelBytes = header.bitsPerPixel == 32 ? 4 : 3;
    std::size_t count = static_cast<std::size_t>(pixelCount);
    std::size_t offset = pixelDataOffset(header);
    if (bytes.size() < offset || bytes.size() - offset < minimumPixelBytes(header, count, pixelBytes)) {
        why = shortFileReason(bytes.size());
        return nullptr;
    }
    std::optional<std::vector<Colour>> pixels = isRunLength(header)
                                                    ? readRunLengthPixels(bytes, offset, count, pixelBytes)
                                                    : readPlainPixels(bytes, offset, count, pixelBytes);
    if (!pixels) {
        why = shortFileReason(bytes.size());
        return nullptr;
    }
    bytesPerPixel = pixelBytes;
    return std::make_unique<Image>(placePixels(*pixels, header));
}

std::unique_ptr<Image> tgaRead(const std::string& fileName, LoadLog log) {
    std::string why;
    std::optional<std::string> contents = readWholeFile(fileName, why);
    if (!contents) {
        reportOpenFailure(fileName, why, log);
        return nullptr;
    }
    return decodeAndReport(fileName, *contents, log);
}

int imageTableAcquire(ImageTable& table, const std::string& fileName, const std::string& sceneFolder, LoadLog log) {
    for (std::size_t i = 0; i < table.entries.size(); ++i)
        if (table.entries[i].fileName == fileName) return static_cast<int>(i);
    std::string why;
    std::optional<std::string> contents = readWholeFile(fileName, why);
    if (!contents && !sceneFolder.empty()) {
        std::string whyInSceneFolder;
        contents = readWholeFile((std::filesystem::path(sceneFolder) / fileName).string(), whyInSceneFolder);
        why += "; " + whyInSceneFolder;
    }
    if (!contents) {
        reportOpenFailure(fileName, why, log);
        return 0;
    }
    std::unique_ptr<Image> image = decodeAndReport(fileName, *contents, log);
    if (!image) return 0;
    table.entries.push_back({fileName, std::move(image)});
    return static_cast<int>(table.entries.size()) - 1;
}

std::vector<std::uint8_t> tgaEncode(int width, int height, const std::vector<std::uint8_t>& rgba, RowOrder order,
                                    bool keepAlpha) {
    const int bitsPerPixel = keepAlpha ? 32 : 24;
    std::vector<std::uint8_t> bytes(18, 0);
    bytes[2] = 2;  // uncompressed true colour
    bytes[12] = static_cast<std::uint8_t>(width & 0xff);
    bytes[13] = static_cast<std::uint8_t>((width >> 8) & 0xff);
    bytes[14] = static_cast<std::uint8_t>(height & 0xff);
    bytes[15] = static_cast<std::uint8_t>((height >> 8) & 0xff);
    bytes[16] = static_cast<std::uint8_t>(bitsPerPixel);
    bytes[17] = keepAlpha ? 8 : 0;  // alpha bits; origin bits 0: lower left
    bytes.reserve(bytes.size() + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * (bitsPerPixel / 8));
    for (int file = 0; file < height; ++file) {  // the file's rows run bottom to top
        const int row = order == RowOrder::bottomFirst ? file : height - 1 - file;
        for (int column = 0; column < width; ++column) {
            const std::uint8_t* p = &rgba[(static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                                           static_cast<std::size_t>(column)) * 4];
            bytes.insert(bytes.end(), {p[2], p[1], p[0]});
            if (keepAlpha) bytes.push_back(p[3]);
        }
    }
    return bytes;
}
