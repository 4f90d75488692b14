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

// Converts the columns [first, end) of one row and widens `box` by those that are not white.
void convertRow(const Image& frame, int row, int first, int end, std::uint8_t* rowBytes, PixelBox& box) {
    const Colour* in = frame.pixels.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(frame.width);
    for (int i = first; i < end; ++i) {
        rowBytes[i * 4 + 0] = toByte(in[i].r);
        rowBytes[i * 4 + 1] = toByte(in[i].g);
        rowBytes[i * 4 + 2] = toByte(in[i].b);
        rowBytes[i * 4 + 3] = 255;
    }
    int last = end - 1;
    while (first <= last && wordAt(rowBytes + first * 4) == kWhite) ++first;
    if (first > last) return;
    while (wordAt(rowBytes + last * 4) == kWhite) --last;
    boxAddSpan(box, row, first, last + 1);
}

}  // namespace

PixelBox windowPixels(const Image& frame, const PixelBox& drawn, std::vector<std::uint8_t>& bytes, int threadCount) {
    const int width = std::max(frame.width, 0), height = std::max(frame.height, 0);
    bytes.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    const int firstColumn = std::max(drawn.minX, 0), endColumn = std::min(drawn.maxX, width - 1) + 1;
    const int firstRow = std::max(drawn.minY, 0), endRow = std::min(drawn.maxY, height - 1) + 1;
    if (firstColumn >= endColumn || firstRow >= endRow) return {};
    const std::size_t rows = static_cast<std::size_t>(endRow - firstRow);
    const std::size_t columns = static_cast<std::size_t>(endColumn - firstColumn);
    const std::size_t rowGrain = std::max<std::size_t>((std::size_t{1} << 16) / columns, 1);
    PixelBox box;
    std::mutex boxGuard;
    forEachRange(rows, threadCount, rowGrain, [&](std::size_t begin, std::size_t end) {
        PixelBox part;
        for (std::size_t i = begin; i < end; ++i) {
            const std::size_t row = static_cast<std::size_t>(firstRow) + i;
            std::uint8_t* rowBytes = bytes.data() + row * static_cast<std::size_t>(width) * 4;
            convertRow(frame, static_cast<int>(row), firstColumn, endColumn, rowBytes, part);
        }
        std::lock_guard lock(boxGuard);
        box = boxUnion(box, part);
    });
    return box;
}
