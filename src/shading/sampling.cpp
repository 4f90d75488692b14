#include "shading/sampling.h"

#include <cmath>

namespace {
// The fractional part of a coordinate, truncating towards zero; 0 for coordinates whose whole
// part has no defined texel (infinite, or too large for an int), and NaN stays NaN.
float fractionalPart(float c) {
    if (std::isnan(c)) return c;
    if (!(std::fabs(c) < 2147483648.0f)) return 0.0f;
    return c - static_cast<float>(static_cast<int>(c));  // exact truncation in this range, and no libm call
}

// Texel position along one axis, held at the first texel centre: a NaN counts as below 0.
float texelPosition(float fraction, int size) {
    float p = fraction * static_cast<float>(size) - 0.5f;
    return p >= 0.0f ? p : 0.0f;
}
}  // namespace

Colour sampleTexture(const Image* image, float u, float v) {
    if (!image || image->width <= 0 || image->height <= 0) return makeColour(0, 0, 0, 1);
    float x = texelPosition(fractionalPart(u), image->width);
    float y = texelPosition(fractionalPart(v), image->height);
    int ix = static_cast<int>(x);
    int iy = static_cast<int>(y);
    float fx = x - static_cast<float>(ix);
    float fy = y - static_cast<float>(iy);
    // x < width - 0.5 for a fraction below 1, but keep the guarantee against rounding.
    if (ix >= image->width) ix = image->width - 1;
    if (iy >= image->height) iy = image->height - 1;
    int ix1 = ix + 1 >= image->width ? 0 : ix + 1;
    int iy1 = iy + 1 >= image->height ? 0 : iy + 1;
    Colour rowA = colourLerp(imagePixel(*image, ix, iy), imagePixel(*image, ix1, iy), fx);
    Colour rowB = colourLerp(imagePixel(*image, ix, iy1), imagePixel(*image, ix1, iy1), fx);
    return colourLerp(rowA, rowB, fy);
}
