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

// The 8-bit value a float channel becomes in a PNG.
unsigned char toByte(float channel);
