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
#include <cstring>
#include <utility>

#include "raster/depth.h"
#include "raster/pixel_math.h"
#include "shading/phong.h"
#include "shading/pixel_batch.h"
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

// How one triangle's pixels are coloured: one at a time by the reference code (no kernels),
// or collected into a batch that a SIMD kernel shades. The batch never holds a pixel twice
// (a triangle covers each pixel once), so colours may be written when it is full or the
// triangle ends.
enum class BatchMode { none, phong, textured, flatColour };

struct TriangleFill {
    // Not an aggregate: the batch's arrays are written before they are read, never cleared.
    TriangleFill(const SceneLighting& l, const RenderContext& c) : lighting(l), context(c) {}
    const SceneLighting& lighting;
    const RenderContext& context;
    const ShadingKernels* kernels = nullptr;
    BatchMode mode = BatchMode::none;
    ShadeUniforms uniforms;
    PixelBatch batch;
};

BatchMode batchModeFor(const RenderContext& context) {
    if (context.phongShading == 1) return BatchMode::phong;
    const Image* texture = context.textureMap;
    if (context.texturing == 1 && texture && texture->width > 0 && texture->height > 0) return BatchMode::textured;
    if (context.texturing == 1 && texture) return BatchMode::none;  // an empty image samples black: rare, scalar
    return BatchMode::flatColour;
}

ShadeUniforms uniformsFor(const SceneLighting& lighting, const RenderContext& context) {
    const Material& material = context.material ? *context.material : defaultMaterial();
    ShadeUniforms u;
    u.lights = lighting.lights.data();
    u.lightCount = static_cast<int>(lighting.lights.size());
    u.eyePosition = lighting.eyePosition;
    u.attenuation = lighting.attenuation;
    u.ambient = colourModulate(lighting.ambience, material.ambient);
    u.diffuse = material.diffuse;
    u.specular = material.specular;
    u.shininess = material.shininess;
    u.textured = context.texturing == 1 && context.textureMap;
    u.texture = texelView(context.textureMap);
    u.normalMapped = context.normalMapping == 1 && context.normalMap;
    u.normalMap = texelView(context.normalMap);
    return u;
}

// Shades and writes the batched pixels. The batch is first padded to whole vectors with
// copies of its last pixel, so that no lane reads an unset value.
void flushBatch(TriangleFill& fill) {
    PixelBatch& batch = fill.batch;
    if (batch.count == 0) return;
    int padded = std::min((batch.count + 15) / 16 * 16, kBatchCapacity);
    int fields = fill.mode == BatchMode::phong ? int{phongfield::count} : int{texturedfield::count};
    int walked = (fields + 3) / 4 * 4;  // the floats the walk stored
    const float* last = batch.record[batch.count - 1];
    for (int i = batch.count; i < padded; ++i) std::copy(last, last + walked, batch.record[i]);
    Colour* pixels = fill.context.colourBuffer->pixels.data();
    // Whole vectors on the widest kernels; a tail that would leave most of a vector idle goes
    // to narrower ones. Ranges are shaded in order, so every pixel gets its last colour.
    int begin = 0;
    for (const ShadingKernels* kernels = fill.kernels; begin < batch.count; kernels = kernels->narrower) {
        int remaining = batch.count - begin;
        int end = begin + remaining / kernels->lanes * kernels->lanes;
        if (!kernels->narrower || remaining % kernels->lanes > kernels->lanes / 2) end = batch.count;
        if (end == begin) continue;
        if (fill.mode == BatchMode::phong)
            kernels->shadePhong(batch, begin, end, fill.uniforms, pixels);
        else
            kernels->shadeTextured(batch, begin, end, fill.uniforms.texture, pixels);
        begin = end;
    }
    batch.count = 0;
}

// The fields a batch mode walks, in the batch's record order, zero beyond them; depth is
// walked besides them.
void loadWalkFields(BatchMode mode, const Vertex& v, float out[kRecordFloats]) {
    std::fill(out, out + kRecordFloats, 0.0f);
    if (mode == BatchMode::phong) {
        const float fields[phongfield::count] = {v.normal.x, v.normal.y, v.normal.z, v.texCoord.x,
                                                 v.texCoord.y, v.viewDepth, v.worldPosition.x, v.worldPosition.y,
                                                 v.worldPosition.z, v.tangent.x, v.tangent.y, v.tangent.z};
        std::copy(fields, fields + phongfield::count, out);
        return;
    }
    const float fields[texturedfield::count] = {v.colour.r, v.colour.g, v.colour.b, v.colour.a,
                                                v.texCoord.x, v.texCoord.y, v.viewDepth};
    std::copy(fields, fields + texturedfield::count, out);
}

// Four walked fields at a time: the lanes are independent float additions, each the one the
// whole-vertex walk does for its field.
typedef float FieldGroup __attribute__((vector_size(16)));

// Walks one span stepping only depth and the batch's fields (rounded up to whole groups of
// four, the padding stepping 0 by 0), each exactly as the whole-vertex walk steps it, and
// batches the pixels that pass the depth test.
template <int FieldCount>
void walkBatchedSpan(TriangleFill& fill, const Vertex& start, const Vertex& step, int column, int endColumn,
                     int row) {
    constexpr int kGroups = (FieldCount + 3) / 4;
    float startFields[kRecordFloats], stepFields[kRecordFloats];
    loadWalkFields(fill.mode, start, startFields);
    loadWalkFields(fill.mode, step, stepFields);
    FieldGroup at[kGroups], by[kGroups];
    std::memcpy(at, startFields, sizeof at);
    std::memcpy(by, stepFields, sizeof by);
    float z = start.position.z;
    const float zStep = step.position.z;
    DepthBuffer& depth = *fill.context.depthBuffer;
    float* depthRow = depth.values.data() + static_cast<size_t>(row) * static_cast<size_t>(depth.width);
    const int rowStart = row * fill.context.colourBuffer->width;
    PixelBatch& batch = fill.batch;
    int count = batch.count;
    for (; column < endColumn; ++column) {
        if (depthRow[column] >= z) {
            depthRow[column] = z;
            batch.pixel[count] = rowStart + column;
            std::memcpy(batch.record[count], at, sizeof at);
            if (++count == kBatchCapacity) {
                batch.count = count;
                flushBatch(fill);
                count = 0;
            }
        }
        z += zStep;
        for (int g = 0; g < kGroups; ++g) at[g] += by[g];
    }
    batch.count = count;
}

// Gouraud without a texture: the colour is the walked colour itself, written at once.
void walkFlatColourSpan(TriangleFill& fill, const Vertex& start, const Vertex& step, int column, int endColumn,
                        int row) {
    float z = start.position.z;
    Colour colour = start.colour;
    DepthBuffer& depth = *fill.context.depthBuffer;
    float* depthRow = depth.values.data() + static_cast<size_t>(row) * static_cast<size_t>(depth.width);
    Image& image = *fill.context.colourBuffer;
    Colour* colourRow = image.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(image.width);
    for (; column < endColumn; ++column) {
        if (depthRow[column] >= z) {
            depthRow[column] = z;
            colourRow[column] = colour;
        }
        z += step.position.z;
        colour = {colour.r + step.colour.r, colour.g + step.colour.g, colour.b + step.colour.b,
                  colour.a + step.colour.a};
    }
}

// Depth-tests and, if it passes, shades and writes one pixel from the span walker.
void shadeSpanPixel(const Vertex& span, int column, int row, const SceneLighting& lighting,
                    const RenderContext& context) {
    // Depth is not in divided form, so the test can run before the conversion.
    if (!depthTestAndSet(*context.depthBuffer, column, row, span.position.z)) return;
    Vertex pixelVertex = fromDividedForm(span);
    imageSetPixel(*context.colourBuffer, pixelColour(pixelVertex, lighting, context), column, row);
}

// The batched walks of a row: the columns the depth buffer holds too (the reference walk
// tests every column against it and fails those outside).
void fillRowBatched(TriangleFill& fill, const Vertex& span, const Vertex& spanStep, int column, int endColumn,
                    int row) {
    const DepthBuffer& depth = *fill.context.depthBuffer;
    if (row >= depth.height) return;
    endColumn = std::min(endColumn, depth.width);
    switch (fill.mode) {
        case BatchMode::phong:
            walkBatchedSpan<phongfield::count>(fill, span, spanStep, column, endColumn, row);
            break;
        case BatchMode::textured:
            walkBatchedSpan<texturedfield::count>(fill, span, spanStep, column, endColumn, row);
            break;
        default: walkFlatColourSpan(fill, span, spanStep, column, endColumn, row); break;
    }
}

void fillRow(const EdgeWalker& left, const EdgeWalker& right, int row, TriangleFill& fill) {
    const RenderContext& context = fill.context;
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
    if (fill.mode != BatchMode::none) {
        fillRowBatched(fill, span, spanStep, column, endColumn, row);
        return;
    }
    for (; column < endColumn; ++column) {
        shadeSpanPixel(span, column, row, fill.lighting, context);
        vertexAdd(span, spanStep);
    }
}

// Fills the rows of [firstRow, endRow) inside the band, and leaves both walkers advanced once
// per row up to the band's end. Rows below 0 are walked over (in one jump when absurdly
// many, the same way for every band), rows from 0 to the band one step at a time, exactly as
// a fill of the whole buffer steps through them.
void fillRows(EdgeWalker& left, EdgeWalker& right, int firstRow, int endRow, RowBand band, TriangleFill& fill) {
    const RenderContext& context = fill.context;
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
        fillRow(left, right, row, fill);
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

void fillTriangleRows(const Vertex v[3], int firstRow, RowBand band, TriangleFill& fill) {
    const float y0 = v[0].position.y, y1 = v[1].position.y, y2 = v[2].position.y;

    if (y0 == y1) {  // flat start
        EdgeWalker left = edgeFrom(v[0], v[2]), right = edgeFrom(v[1], v[2]);
        fillRows(left, right, firstRow, pixel::roundHalfUp(y2), band, fill);
        return;
    }
    EdgeWalker left = edgeFrom(v[0], v[2]), right = edgeFrom(v[0], v[1]);
    if (y1 == y2) {  // flat end
        fillRows(left, right, firstRow, pixel::roundHalfUp(y2), band, fill);
        return;
    }
    // General: the walker that reaches the middle vertex restarts there.
    int middleRow = pixel::roundHalfUp(std::min(y1, y2));
    fillRows(left, right, firstRow, middleRow, band, fill);
    if (y1 < y2)
        right = edgeFrom(v[1], v[2]);
    else
        left = edgeFrom(v[2], v[1]);
    fillRows(left, right, middleRow, pixel::roundHalfUp(std::max(y1, y2)), band, fill);
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
    const int firstRow = pixel::roundHalfUp(v[0].position.y);
    TriangleFill fill(lighting, context);
    fill.kernels = shadingKernels(context.simdPath);
    if (fill.kernels) fill.mode = batchModeFor(context);
    if (fill.mode != BatchMode::none) fill.uniforms = uniformsFor(lighting, context);
    fillTriangleRows(v, firstRow, band, fill);
    flushBatch(fill);
}

void drawTriangle(Vertex a, Vertex b, Vertex c, const SceneLighting& lighting, RenderContext& context) {
    ndcToPixel(a, context);
    ndcToPixel(b, context);
    ndcToPixel(c, context);
    fillTriangle(a, b, c, {0, context.colourBuffer->height}, lighting, context);
}
