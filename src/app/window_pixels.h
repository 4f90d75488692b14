// The frame as the window shows it: 8-bit RGBA, lowest row first, each channel clamped and
// rounded exactly as the PNG writer does (toByte), so that the window and quelmar-render's PNG
// hold the same bytes. The software OpenGL's own conversion of float pixels rounds a few values
// the other way and allocates a buffer of the frame's size on every draw, which at large window
// sizes costs more than the frame itself.
#pragma once

#include <cstdint>
#include <vector>

#include "core/image.h"

// Fills the pixels of the box `drawn` in `bytes` (resized to width x height x 4; its storage is
// reused from frame to frame), on up to `threadCount` threads. Alpha is 255: the window has none.
// Bytes outside the box are left as they were: the caller knows those pixels to be white (the
// frame driver reports the box it drew in), so a small viewport in a large window costs only
// its own pixels. Returns the smallest box holding every pixel whose bytes are not white (255,
// 255, 255): outside it the window can simply be cleared to white.
PixelBox windowPixels(const Image& frame, const PixelBox& drawn, std::vector<std::uint8_t>& bytes, int threadCount);
