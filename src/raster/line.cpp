// One-pixel-wide lines, walked along the major axis.
//
// The walk always runs towards the larger major coordinate, so a line and its reverse cover
// the same pixels. The major coordinate advances by exactly 1.0 per pixel and every other
// attribute linearly with it; positions are truncated, not rounded, to columns and rows.
// A line from 0 to n along its major axis has ceil(n + 0.5) pixels: both whole-number ends.
#include "raster/line.h"

#include <algorithm>
#include <cmath>

#include "raster/depth.h"
#include "raster/pixel_math.h"
#include "shading/sampling.h"

namespace {

// Widens `written` by the pixel when it is drawn.
void plot(const Vertex& walker, RenderContext& context, PixelBox& written) {
    int column = pixel::truncate(walker.position.x);
    int row = pixel::truncate(walker.position.y);
    if (!depthTestAndSet(*context.depthBuffer, column, row, walker.position.z)) return;
    boxAddSpan(written, row, column, column + 1);
    Colour colour = walker.colour;
    // No test for a texture here: without one the sampler's opaque black is blended in.
    if (context.texturing == 1)
        colour = colourLerp(colour, sampleTexture(context.textureMap, walker.texCoord.x, walker.texCoord.y), 0.5f);
    imageSetPixel(*context.colourBuffer, colour, column, row);
}

}  // namespace

PixelBox drawLine(Vertex a, Vertex b, RenderContext& context) {
    ndcToPixel(a, context);
    ndcToPixel(b, context);
    float dx = b.position.x - a.position.x;
    float dy = b.position.y - a.position.y;
    bool yMajor = std::fabs(dy) > std::fabs(dx);
    auto major = [yMajor](const Vertex& v) { return yMajor ? v.position.y : v.position.x; };
    if (major(b) < major(a)) vertexSwap(a, b);
    float n = major(b) - major(a);
    PixelBox written;
    if (!(n + 0.5f > 0.0f)) return written;  // only a NaN gets here
    Vertex step = vertexStep(a, b, n);
    Vertex walker = a;

    // Pixels before the buffer's first row or column are walked over without drawing (in one
    // jump when absurdly many); the walk ends at the buffer's far edge, since the major
    // coordinate only grows, and after at most `limit` more pixels whatever the coordinates.
    const float pixelCount = n + 0.5f;
    const int limit = yMajor ? context.colourBuffer->height : context.colourBuffer->width;
    int k = 0;
    const int before = -pixel::truncate(major(walker));
    const long long lastK = static_cast<long long>(std::max(before, 0)) + limit + 1;
    if (before > pixel::kExactSkipLimit) {
        if (static_cast<float>(before) >= pixelCount) return written;
        float skip = static_cast<float>(before);
        walker = vertexCombine(walker, step, [skip](float w, float s) { return w + s * skip; });
        k = before;
    }
    for (; static_cast<float>(k) < pixelCount && k <= lastK; ++k) {
        if (pixel::truncate(major(walker)) >= limit) break;
        plot(walker, context, written);
        vertexAdd(walker, step);
    }
    return written;
}
