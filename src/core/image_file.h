// Writing finished frames to files, and reading PNG pictures back (for comparisons).
#pragma once

#include <optional>
#include <string>

#include "core/image.h"

// 8-bit RGB PNG, opaque, as the window shows the frame: each colour channel clamped to 0..1 and
// rounded, alpha left out; rows written top to bottom. False (with the reason in `why`) on
// failure.
bool writePng(const Image& image, const std::string& path, std::string& why);

// Portable Float Map: RGB floats, little-endian, rows bottom to top as the format stores them;
// the exact colour buffer without alpha.
bool writePfm(const Image& image, const std::string& path, std::string& why);

// Reads an 8-bit RGB or RGBA PNG into an image (row 0 lowest, as drawn); nothing on failure.
std::optional<Image> readPng(const std::string& path, std::string& why);

// The 8-bit value a float channel becomes in a PNG: 0 for negative values and NaN, 255 from 1.0
// up, otherwise rounded to nearest with halves up. Written without branches so that a loop over
// a frame runs in vectors: clamping first gives 255.5 for 1.0 and above, which truncates to
// 255, and 0.5 for the rest below 0, which truncates to 0.
inline unsigned char toByte(float channel) {
    const float clamped = channel > 0.0f ? (channel < 1.0f ? channel : 1.0f) : 0.0f;
    return static_cast<unsigned char>(clamped * 255.0f + 0.5f);
}
