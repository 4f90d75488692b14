// Comparing a rendered picture with a stored reference picture, for the reference-image tests.
//
// Pictures are compared in the 8-bit levels a PNG holds (0..255 per channel, alpha included),
// since that is what the references store. Positions are given as a picture viewer shows them:
// x from the left, y from the top (the renderer's row 0 is the picture's lowest row).
#pragma once

#include <string>

#include "core/image.h"

struct PixelDifference {
    int x = -1;
    int y = -1;             // from the top
    int levelDifference = 0;  // the largest of the four channel differences, in 8-bit levels
};

struct ImageComparison {
    bool sameSize = true;
    int differingPixels = 0;  // pixels with some channel off by more than the tolerance
    int maxLevelDifference = 0;
    PixelDifference first;  // the first differing pixel in reading order (rows from the top)
    PixelDifference worst;  // the first pixel with the largest difference
};

// Pixels count as differing when some channel is off by more than `tolerance` levels.
ImageComparison compareImages(const Image& actual, const Image& expected, int tolerance = 0);

bool imagesMatch(const ImageComparison& comparison);

// One paragraph for a failure message: the sizes, or how many pixels differ, by how much, and
// where the first and the worst one are, with both colours at each.
std::string describeComparison(const ImageComparison& comparison, const Image& actual, const Image& expected);

// A picture that shows where two pictures of the same size differ: the differing pixels in pure
// red over a faded grey copy of the expected picture.
Image differencePicture(const Image& actual, const Image& expected, int tolerance = 0);
