// The frame as the window shows it: 8-bit RGBA, lowest row first, each channel clamped and
// rounded exactly as the PNG writer does (toByte), so that the window and quelmar-render's PNG
// hold the same bytes. The software OpenGL's own conversion of float pixels rounds a few values
// the other way and allocates a buffer of the frame's size on every draw, which at large window
// sizes costs more than the frame itself.
#pragma once

#include <cstdint>
#include <vector>

#include "core/image.h"

// A rectangle of image pixels, columns minX .. maxX and rows minY .. maxY; empty when
// maxX < minX.
struct PixelBox {
    int minX = 0, minY = 0, maxX = -1, maxY = -1;
};

inline bool boxEmpty(const PixelBox& box) { return box.maxX < box.minX || box.maxY < box.minY; }

// Fills `bytes` (resized to width x height x 4; its storage is reused from frame to frame) on up
// to `threadCount` threads. Alpha is 255: the window has none. Returns the smallest box holding
// every pixel whose bytes are not white (255, 255, 255): outside it the window can simply be
// cleared to white, which in a large window around a small viewport saves handing most of the
// frame to OpenGL.
PixelBox windowPixels(const Image& frame, std::vector<std::uint8_t>& bytes, int threadCount);
