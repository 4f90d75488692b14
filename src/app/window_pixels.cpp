#include "app/window_pixels.h"

#include <cstddef>

#include "core/image_file.h"
#include "core/parallel.h"

void windowPixels(const Image& frame, std::vector<std::uint8_t>& bytes, int threadCount) {
    const std::size_t count = static_cast<std::size_t>(frame.width > 0 ? frame.width : 0) *
                              static_cast<std::size_t>(frame.height > 0 ? frame.height : 0);
    bytes.resize(count * 4);
    constexpr std::size_t kGrain = 1 << 16;  // pixels below which another thread does not pay
    forEachRange(count, threadCount, kGrain, [&frame, &bytes](std::size_t begin, std::size_t end) {
        std::uint8_t* out = bytes.data() + begin * 4;
        for (std::size_t i = begin; i < end; ++i, out += 4) {
            const Colour& p = frame.pixels[i];
            out[0] = toByte(p.r);
            out[1] = toByte(p.g);
            out[2] = toByte(p.b);
            out[3] = 255;
        }
    });
}
