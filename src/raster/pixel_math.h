// Safe float-to-int conversions for pixel coordinates.
//
// Rows and columns come from float coordinates that may be huge, infinite or NaN when a scene
// is absurd. Converting those to int is undefined in C++, so every conversion goes through
// these helpers, which hold the result inside +-kPixelLimit (NaN goes to -kPixelLimit, which
// lies below every buffer and so draws nothing).
#pragma once

namespace pixel {

constexpr int kPixelLimit = 1 << 30;

// Truncation toward zero, held inside +-kPixelLimit.
inline int truncate(float v) {
    if (!(v > -static_cast<float>(kPixelLimit))) return -kPixelLimit;
    if (v >= static_cast<float>(kPixelLimit)) return kPixelLimit;
    return static_cast<int>(v);
}

// int(v + 0.5): half up for the non-negative coordinates of a normal viewport.
inline int roundHalfUp(float v) { return truncate(v + 0.5f); }

// How many steps a walker may be advanced one by one to reach the first visible row or
// column; beyond this (absurd viewports only) it jumps there in one multiplication.
constexpr int kExactSkipLimit = 1 << 16;

}  // namespace pixel
