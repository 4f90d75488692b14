#include "app/window_pixels.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <mutex>

#include "core/image_file.h"
#include "core/parallel.h"

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;  // the four bytes of a white pixel, alpha included

std::uint32_t wordAt(const std::uint8_t* pixel) {
    std::uint32_t word;
    std::memcpy(&word, pixel, sizeof word);
    return word;
}

PixelBox merged(const PixelBox& a, const PixelBox& b) {
    if (boxEmpty(a)) return b;
    if (boxEmpty(b)) return a;
    return {std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::max(a.maxX, b.maxX), std::max(a.maxY, b.maxY)};
}

// Converts one row and widens `box` by the row's pixels that are not white.
void convertRow(const Image& frame, int row, std::uint8_t* out, PixelBox& box) {
    const Colour* in = frame.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(frame.width);
    for (int i = 0; i < frame.width; ++i) {
        out[i * 4 + 0] = toByte(in[i].r);
        out[i * 4 + 1] = toByte(in[i].g);
        out[i * 4 + 2] = toByte(in[i].b);
        out[i * 4 + 3] = 255;
    }
    int first = 0, last = frame.width - 1;
    while (first <= last && wordAt(out + first * 4) == kWhite) ++first;
    if (first > last) return;
    while (wordAt(out + last * 4) == kWhite) --last;
    box = merged(box, {first, row, last, row});
}

}  // namespace

PixelBox windowPixels(const Image& frame, std::vector<std::uint8_t>& bytes, int threadCount) {
    const int width = std::max(frame.width, 0), height = std::max(frame.height, 0);
    bytes.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    if (width == 0) return {};
    const std::size_t rowGrain = std::max<std::size_t>((std::size_t{1} << 16) / static_cast<std::size_t>(width), 1);
    PixelBox box;
    std::mutex boxGuard;
    forEachRange(static_cast<std::size_t>(height), threadCount, rowGrain, [&](std::size_t begin, std::size_t end) {
        PixelBox part;
        for (std::size_t row = begin; row < end; ++row)
            convertRow(frame, static_cast<int>(row), bytes.data() + row * static_cast<std::size_t>(width) * 4, part);
        std::lock_guard lock(boxGuard);
        box = merged(box, part);
    });
    return box;
}
