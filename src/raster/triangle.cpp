// Scanline triangle filling.
//
// The three vertices are ordered by y (cyclically, so the winding survives), the triangle is
// split at its middle vertex into at most two parts, and two edge walkers advance one row at a
// time while a span walker fills each row from left to right. Walkers are whole vertices in
// divided form, so the texture coordinate comes out perspective-correct and everything else
// linear in screen space. Fill convention: rows int(yMin + 0.5) .. int(yMax + 0.5) - 1 and,
// on each row, columns int(left x) .. int(right x + 0.5) - 1, with the edges taken from the
// incremental walk; attributes are those of the walk at the column, not re-centred.
#include "raster/triangle.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "raster/depth.h"
#include "raster/pixel_math.h"
#include "shading/phong.h"
#include "shading/sampling.h"

namespace {

struct EdgeWalker {
    Vertex at;    // divided form
    Vertex step;  // per row
};

EdgeWalker edgeFrom(const Vertex& start, const Vertex& end) {
    return {toDividedForm(start), vertexStepDivided(start, end, end.position.y - start.position.y)};
}

// How many columns (rows) before the buffer a walker is stepped over one by one, as a walk of
// every pixel would, before it jumps instead: as many as the buffer has columns (rows). Below
// that every picture is bit for bit that of the full walk; beyond it (a viewport reaching far
// past the window, as a scene file may ask) a row costs at most twice the buffer's width and a
// triangle a small multiple of filling the whole buffer, however far the viewport reaches.
int exactSkipLimit(int bufferExtent) { return std::min(bufferExtent, pixel::kExactSkipLimit); }

// Advances a walker by `count` steps: one by one as the walk itself would, or in one jump when
// the count is beyond `exactLimit` (only for geometry far outside the buffer).
void advance(Vertex& walker, const Vertex& step, int count, int exactLimit) {
    if (count <= exactLimit) {
        for (int i = 0; i < count; ++i) vertexAdd(walker, step);
    } else {
        float n = static_cast<float>(count);
        walker = vertexCombine(walker, step, [n](float w, float s) { return w + s * n; });
    }
}

Colour pixelColour(Vertex& pixelVertex, const SceneLighting& lighting, const RenderContext& context) {
    if (context.phongShading == 1) return shadePixel(pixelVertex, lighting, context);
    if (context.texturing == 1 && context.textureMap) {
        Colour texel = sampleTexture(context.textureMap, pixelVertex.texCoord.x, pixelVertex.texCoord.y);
        return colourLerp(pixelVertex.colour, texel, 0.5f);
    }
    return pixelVertex.colour;
}

// Depth-tests and, if it passes, shades and writes one pixel from the span walker.
void shadeSpanPixel(const Vertex& span, int column, int row, const SceneLighting& lighting,
                    const RenderContext& context) {
    // Depth is not in divided form, so the test can run before the conversion.
    if (!depthTestAndSet(*context.depthBuffer, column, row, span.position.z)) return;
    Vertex pixelVertex = fromDividedForm(span);
    imageSetPixel(*context.colourBuffer, pixelColour(pixelVertex, lighting, context), column, row);
}

void fillRow(const EdgeWalker& left, const EdgeWalker& right, int row, const SceneLighting& lighting,
             const RenderContext& context) {
    int firstColumn = pixel::truncate(left.at.position.x);
    int endColumn = std::min(pixel::roundHalfUp(right.at.position.x), context.colourBuffer->width);
    if (firstColumn >= endColumn) return;
    Vertex p1 = fromDividedForm(left.at);
    Vertex p2 = fromDividedForm(right.at);
    Vertex spanStep = vertexStepDivided(p1, p2, p2.position.x - p1.position.x);
    Vertex span = left.at;
    int column = firstColumn;
    if (column < 0) {
        advance(span, spanStep, -column, exactSkipLimit(context.colourBuffer->width));
        column = 0;
    }
    for (; column < endColumn; ++column) {
        shadeSpanPixel(span, column, row, lighting, context);
        vertexAdd(span, spanStep);
    }
}

// Fills the rows of [firstRow, endRow) inside the band, and leaves both walkers advanced once
// per row up to the band's end. Rows below 0 are walked over (in one jump when absurdly
// many, the same way for every band), rows from 0 to the band one step at a time, exactly as
// a fill of the whole buffer steps through them.
void fillRows(EdgeWalker& left, EdgeWalker& right, int firstRow, int endRow, RowBand band,
              const SceneLighting& lighting, const RenderContext& context) {
    int row = firstRow;
    if (row < 0 && endRow > row) {
        int skipped = std::min(endRow, 0) - row;
        advance(left.at, left.step, skipped, exactSkipLimit(context.colourBuffer->height));
        advance(right.at, right.step, skipped, exactSkipLimit(context.colourBuffer->height));
        row += skipped;
    }
    for (int bandStart = std::min(endRow, band.begin); row < bandStart; ++row) {
        vertexAdd(left.at, left.step);
        vertexAdd(right.at, right.step);
    }
    int visibleEnd = std::min({endRow, context.colourBuffer->height, band.end});
    for (; row < visibleEnd; ++row) {
        fillRow(left, right, row, lighting, context);
        vertexAdd(left.at, left.step);
        vertexAdd(right.at, right.step);
    }
    // Rows past the band are another band's, or above the buffer: nothing more to do here.
}

bool samePixel(const Vertex& p, const Vertex& q) {
    return p.position.x == q.position.x && p.position.y == q.position.y;
}

// Rotates (a, b, c) cyclically until v[0] is lowest and v[2] strictly higher; false when no
// rotation does that (all three on one row, or a NaN y).
bool orderByHeight(Vertex v[3]) {
    for (int rotation = 0; rotation < 3; ++rotation) {
        if (v[0].position.y < v[2].position.y && v[0].position.y <= v[1].position.y) return true;
        std::rotate(v, v + 1, v + 3);
    }
    return false;
}

}  // namespace

RowBand triangleRows(const Vertex& a, const Vertex& b, const Vertex& c) {
    const float ya = a.position.y, yb = b.position.y, yc = c.position.y;
    if (std::isnan(ya) || std::isnan(yb) || std::isnan(yc)) return {0, 0};
    return {pixel::roundHalfUp(std::min({ya, yb, yc})), pixel::roundHalfUp(std::max({ya, yb, yc}))};
}

void fillTriangle(const Vertex& a, const Vertex& b, const Vertex& c, RowBand band, const SceneLighting& lighting,
                  const RenderContext& context) {
    if (samePixel(a, b) || samePixel(b, c) || samePixel(a, c)) return;
    Vertex v[3] = {a, b, c};
    if (!orderByHeight(v)) return;
    const float y0 = v[0].position.y, y1 = v[1].position.y, y2 = v[2].position.y;
    const int firstRow = pixel::roundHalfUp(y0);

    if (y0 == y1) {  // flat start
        EdgeWalker left = edgeFrom(v[0], v[2]), right = edgeFrom(v[1], v[2]);
        fillRows(left, right, firstRow, pixel::roundHalfUp(y2), band, lighting, context);
        return;
    }
    EdgeWalker left = edgeFrom(v[0], v[2]), right = edgeFrom(v[0], v[1]);
    if (y1 == y2) {  // flat end
        fillRows(left, right, firstRow, pixel::roundHalfUp(y2), band, lighting, context);
        return;
    }
    // General: the walker that reaches the middle vertex restarts there.
    int middleRow = pixel::roundHalfUp(std::min(y1, y2));
    fillRows(left, right, firstRow, middleRow, band, lighting, context);
    if (y1 < y2)
        right = edgeFrom(v[1], v[2]);
    else
        left = edgeFrom(v[2], v[1]);
    fillRows(left, right, middleRow, pixel::roundHalfUp(std::max(y1, y2)), band, lighting, context);
}

void drawTriangle(Vertex a, Vertex b, Vertex c, const SceneLighting& lighting, RenderContext& context) {
    ndcToPixel(a, context);
    ndcToPixel(b, context);
    ndcToPixel(c, context);
    fillTriangle(a, b, c, {0, context.colourBuffer->height}, lighting, context);
}
