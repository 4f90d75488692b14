#include "support/image_compare.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "core/image_file.h"

namespace {

// The colour buffer's row of a picture line counted from the top.
int rowOf(const Image& image, int y) { return image.height - 1 - y; }

int levelDifference(const Colour& a, const Colour& b) {
    int r = std::abs(toByte(a.r) - toByte(b.r));
    int g = std::abs(toByte(a.g) - toByte(b.g));
    int bl = std::abs(toByte(a.b) - toByte(b.b));
    int al = std::abs(toByte(a.a) - toByte(b.a));
    return std::max({r, g, bl, al});
}

std::string levels(const Colour& c) {
    std::ostringstream text;
    text << "(" << int(toByte(c.r)) << ", " << int(toByte(c.g)) << ", " << int(toByte(c.b)) << ", "
         << int(toByte(c.a)) << ")";
    return text.str();
}

std::string describePixel(const char* label, const PixelDifference& pixel, const Image& actual,
                          const Image& expected) {
    std::ostringstream text;
    text << label << " at x " << pixel.x << ", y " << pixel.y << " from the top-left: rendered "
         << levels(imagePixel(actual, pixel.x, rowOf(actual, pixel.y))) << ", reference "
         << levels(imagePixel(expected, pixel.x, rowOf(expected, pixel.y))) << " (off by "
         << pixel.levelDifference << ")";
    return text.str();
}

}  // namespace

ImageComparison compareImages(const Image& actual, const Image& expected, int tolerance) {
    ImageComparison result;
    if (actual.width != expected.width || actual.height != expected.height) {
        result.sameSize = false;
        return result;
    }
    for (int y = 0; y < actual.height; ++y) {
        for (int x = 0; x < actual.width; ++x) {
            int difference = levelDifference(imagePixel(actual, x, rowOf(actual, y)),
                                              imagePixel(expected, x, rowOf(expected, y)));
            if (difference <= tolerance) continue;
            PixelDifference here{x, y, difference};
            if (result.differingPixels == 0) result.first = here;
            if (difference > result.maxLevelDifference) {
                result.maxLevelDifference = difference;
                result.worst = here;
            }
            ++result.differingPixels;
        }
    }
    return result;
}

bool imagesMatch(const ImageComparison& comparison) {
    return comparison.sameSize && comparison.differingPixels == 0;
}

std::string describeComparison(const ImageComparison& comparison, const Image& actual, const Image& expected) {
    std::ostringstream text;
    if (!comparison.sameSize) {
        text << "the rendered picture is " << actual.width << " x " << actual.height << ", the reference "
             << expected.width << " x " << expected.height;
        return text.str();
    }
    if (comparison.differingPixels == 0) return "the pictures match";
    text << comparison.differingPixels << " of " << actual.width * actual.height
         << " pixels differ, by up to " << comparison.maxLevelDifference << " levels of 255;\n  "
         << describePixel("first", comparison.first, actual, expected) << ";\n  "
         << describePixel("worst", comparison.worst, actual, expected);
    return text.str();
}

Image differencePicture(const Image& actual, const Image& expected, int tolerance) {
    Image picture = imageCreate(expected.width, expected.height);
    const bool comparable = actual.width == expected.width && actual.height == expected.height;
    for (int row = 0; row < expected.height; ++row) {
        for (int column = 0; column < expected.width; ++column) {
            const Colour& reference = imagePixel(expected, column, row);
            Colour shown;
            if (comparable && levelDifference(imagePixel(actual, column, row), reference) > tolerance) {
                shown = makeColour(1, 0, 0, 1);
            } else {
                float luma = 0.299f * reference.r + 0.587f * reference.g + 0.114f * reference.b;
                float faded = 0.55f + 0.35f * std::clamp(luma, 0.0f, 1.0f);
                shown = makeColour(faded, faded, faded, 1);
            }
            imageSetPixelByIndex(picture, shown, column + row * expected.width);
        }
    }
    return picture;
}
