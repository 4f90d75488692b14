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
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>
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

BatchMode batchModeFor(const RenderContext& context) {
    if (!shadingKernels(context.simdPath)) return BatchMode::none;
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
void flushBatch(TriangleStream& fill) {
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

// Shading one pixel at a time (the reference, and every path for an empty texture): whole
// vertices are walked, as the fill convention describes.
namespace reference {

// Depth-tests and, if it passes, shades and writes one pixel from the span walker.
void shadeSpanPixel(const Vertex& span, int column, int row, const SceneLighting& lighting,
                    const RenderContext& context) {
    // Depth is not in divided form, so the test can run before the conversion.
    if (!depthTestAndSet(*context.depthBuffer, column, row, span.position.z)) return;
    Vertex pixelVertex = fromDividedForm(span);
    imageSetPixel(*context.colourBuffer, pixelColour(pixelVertex, lighting, context), column, row);
}

struct Walk {
    using Corner = Vertex;
    using Edge = EdgeWalker;
    static float y(const Corner& c) { return c.position.y; }
    static Edge edge(const Corner& start, const Corner& end) { return edgeFrom(start, end); }
    static void step(Edge& e) { vertexAdd(e.at, e.step); }
    static void skip(Edge& e, int count, int exactLimit) { advance(e.at, e.step, count, exactLimit); }

    static void row(const Edge& left, const Edge& right, int row, TriangleStream& fill) {
        const RenderContext& context = fill.context;
        int column = pixel::truncate(left.at.position.x);
        int endColumn = std::min(pixel::roundHalfUp(right.at.position.x), context.colourBuffer->width);
        if (column >= endColumn) return;
        Vertex p1 = fromDividedForm(left.at);
        Vertex p2 = fromDividedForm(right.at);
        Vertex spanStep = vertexStepDivided(p1, p2, p2.position.x - p1.position.x);
        Vertex span = left.at;
        if (column < 0) {
            advance(span, spanStep, -column, exactSkipLimit(context.colourBuffer->width));
            column = 0;
        }
        boxAddSpan(fill.written, row, column, endColumn);
        for (; column < endColumn; ++column) {
            shadeSpanPixel(span, column, row, fill.lighting, context);
            vertexAdd(span, spanStep);
        }
    }
};

}  // namespace reference

// The batched modes walk only what their pixels need: depth, x, and the fields the batch
// record holds, four floats to a vector. Every lane is the float operation that the
// whole-vertex walk does for its field, in the same order, so the walked values are bit for
// bit those of the reference walk.
namespace lanes {

typedef float Group __attribute__((vector_size(16)));
typedef int GroupBits __attribute__((vector_size(16)));

inline Group splat(float v) { return Group{v, v, v, v}; }

// A batched mode's walked floats: the batch record's fields (groups 0 .. G - 2), then x and
// depth (group G - 1). `Divided` is the index of u among the record's fields when the mode
// walks the texture coordinate (u, v and the view depth, consecutive, in divided form),
// otherwise -1.
template <int RecordGroups, int Divided, int FieldCount>
struct Layout {
    static constexpr int groups = RecordGroups + 1;
    static constexpr int divided = Divided;
    static constexpr int fieldCount = FieldCount;
    static constexpr int x = RecordGroups * 4, z = RecordGroups * 4 + 1;
};

template <class L>
struct Floats {
    Group g[L::groups];
    float get(int i) const { return g[i / 4][i % 4]; }
    void set(int i, float v) { g[i / 4][i % 4] = v; }
};

// Lanes that hold a field (all bits set) or padding (zero), so that padding steps by 0 as the
// record's padding always has.
template <class L>
Floats<L> fieldMask() {
    Floats<L> m;
    for (int i = 0; i < L::groups * 4; ++i) {
        bool used = i < L::fieldCount || i == L::x || i == L::z;
        m.set(i, std::bit_cast<float>(used ? -1 : 0));
    }
    return m;
}

template <class L>
Floats<L> stepTowards(const Floats<L>& from, const Floats<L>& to, float n) {
    static const Floats<L> mask = fieldMask<L>();
    Floats<L> r;
    const Group by = splat(n);
    for (int i = 0; i < L::groups; ++i)
        r.g[i] = reinterpret_cast<Group>(reinterpret_cast<GroupBits>((to.g[i] - from.g[i]) / by) &
                                         reinterpret_cast<GroupBits>(mask.g[i]));
    return r;
}

// A corner of the triangle: `start` is where an edge walker starting there begins
// (toDividedForm). What a step towards or from it subtracts is worked out only when a walker
// is stepped (tiny triangles mostly never are).
template <class L>
struct Corner {
    Floats<L> start;
    float y;
    const Vertex* vertex;
};

template <class L>
Corner<L> cornerOf(const Vertex& v, const float (&fields)[L::fieldCount]) {
    Corner<L> c;
    for (int i = 0; i < L::groups * 4; ++i) c.start.set(i, 0.0f);
    for (int i = 0; i < L::fieldCount; ++i) c.start.set(i, fields[i]);
    c.start.set(L::x, v.position.x);
    c.start.set(L::z, v.position.z);
    if constexpr (L::divided >= 0) {
        float r = 1.0f / v.viewDepth;
        c.start.set(L::divided, v.texCoord.x * r);
        c.start.set(L::divided + 1, v.texCoord.y * r);
        c.start.set(L::divided + 2, r);
    }
    c.y = v.position.y;
    c.vertex = &v;
    return c;
}

// What vertexStepDivided subtracts for a corner: u / viewDepth, v / viewDepth and
// 1 / viewDepth in place of the divided form.
template <class L>
Floats<L> ratioOfCorner(const Corner<L>& c) {
    Floats<L> r = c.start;
    if constexpr (L::divided >= 0) {
        const Vertex& v = *c.vertex;
        r.set(L::divided, v.texCoord.x / v.viewDepth);
        r.set(L::divided + 1, v.texCoord.y / v.viewDepth);
        r.set(L::divided + 2, 1.0f / v.viewDepth);
    }
    return r;
}

// What vertexStepDivided subtracts for a walker in divided form, after fromDividedForm: its
// texture coordinate divided by its view depth, and one over its view depth.
template <class L>
Floats<L> ratioOfWalker(const Floats<L>& at) {
    Floats<L> r = at;
    if constexpr (L::divided >= 0) {
        const float q = at.get(L::divided + 2);
        const float u = at.get(L::divided) / q, v = at.get(L::divided + 1) / q, viewDepth = 1.0f / q;
        r.set(L::divided, u / viewDepth);
        r.set(L::divided + 1, v / viewDepth);
        r.set(L::divided + 2, 1.0f / viewDepth);
    }
    return r;
}

// An edge walker whose step is worked out when it is first stepped, and whose steps are
// added when its position is next read: one by one, exactly as if added row by row.
template <class L>
struct Edge {
    Floats<L> at;
    Floats<L> step;
    const Corner<L>* from;
    const Corner<L>* to;
    int pending = 0;      // steps not yet added
    bool stepped = false;  // `step` is worked out
};

template <class L>
void add(Floats<L>& at, const Floats<L>& step) {
    for (int i = 0; i < L::groups; ++i) at.g[i] += step.g[i];
}

template <class L>
void advanceBy(Floats<L>& at, const Floats<L>& step, int count, int exactLimit) {
    if (count <= exactLimit) {
        for (int i = 0; i < count; ++i) add(at, step);
    } else {
        const Group n = splat(static_cast<float>(count));
        for (int i = 0; i < L::groups; ++i) at.g[i] = at.g[i] + step.g[i] * n;
    }
}

using PhongLayout = Layout<3, phongfield::uq, phongfield::count>;
using TexturedLayout = Layout<2, texturedfield::uq, texturedfield::count>;
using FlatLayout = Layout<1, -1, 4>;
static_assert(phongfield::vq == phongfield::uq + 1 && phongfield::q == phongfield::uq + 2);
static_assert(texturedfield::vq == texturedfield::uq + 1 && texturedfield::q == texturedfield::uq + 2);

Corner<PhongLayout> phongCorner(const Vertex& v) {
    const float fields[phongfield::count] = {v.normal.x, v.normal.y, v.normal.z, 0, 0, 0, v.worldPosition.x,
                                             v.worldPosition.y, v.worldPosition.z, v.tangent.x, v.tangent.y,
                                             v.tangent.z};
    return cornerOf<PhongLayout>(v, fields);
}

Corner<TexturedLayout> texturedCorner(const Vertex& v) {
    const float fields[texturedfield::count] = {v.colour.r, v.colour.g, v.colour.b, v.colour.a, 0, 0, 0};
    return cornerOf<TexturedLayout>(v, fields);
}

Corner<FlatLayout> flatCorner(const Vertex& v) {
    const float fields[4] = {v.colour.r, v.colour.g, v.colour.b, v.colour.a};
    return cornerOf<FlatLayout>(v, fields);
}

// Batches the pixels of one span that pass the depth test. The walked groups are kept in
// locals, so that the loop steps registers.
template <class L>
void walkBatchedSpan(TriangleStream& fill, const Floats<L>& start, const Floats<L>& step, int column,
                     int endColumn, int row) {
    constexpr int kRecordGroups = L::groups - 1;
    static_assert(kRecordGroups * 4 <= kRecordFloats);
    // Depth steps on its own: the same float addition as in its lane, and x is not needed.
    Group at[kRecordGroups], by[kRecordGroups];
    for (int i = 0; i < kRecordGroups; ++i) {
        at[i] = start.g[i];
        by[i] = step.g[i];
    }
    float z = start.get(L::z);
    const float zStep = step.get(L::z);
    DepthBuffer& depth = *fill.context.depthBuffer;
    float* depthRow = depth.values.data() + static_cast<size_t>(row) * static_cast<size_t>(depth.width);
    const int rowStart = row * fill.context.colourBuffer->width;
    PixelBatch& batch = fill.batch;
    int count = batch.count;
    for (; column < endColumn; ++column) {
        if (depthRow[column] >= z) {
            depthRow[column] = z;
            batch.pixel[count] = rowStart + column;
            std::memcpy(batch.record[count], at, kRecordGroups * sizeof(Group));
            if (++count == kBatchCapacity) {
                batch.count = count;
                flushBatch(fill);
                count = 0;
            }
        }
        for (int i = 0; i < kRecordGroups; ++i) at[i] += by[i];
        z += zStep;
    }
    batch.count = count;
}

// Gouraud without a texture: the colour is the walked colour itself, written at once.
void walkFlatSpan(TriangleStream& fill, const Floats<FlatLayout>& start, const Floats<FlatLayout>& step, int column,
                  int endColumn, int row) {
    static_assert(sizeof(Colour) == sizeof(Group));
    Group colour = start.g[0];
    const Group colourStep = step.g[0];
    float z = start.get(FlatLayout::z);
    const float zStep = step.get(FlatLayout::z);
    DepthBuffer& depth = *fill.context.depthBuffer;
    float* depthRow = depth.values.data() + static_cast<size_t>(row) * static_cast<size_t>(depth.width);
    Image& image = *fill.context.colourBuffer;
    Colour* colourRow = image.pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(image.width);
    for (; column < endColumn; ++column) {
        if (depthRow[column] >= z) {
            depthRow[column] = z;
            std::memcpy(&colourRow[column], &colour, sizeof colour);
        }
        colour += colourStep;
        z += zStep;
    }
}

template <class L>
struct Walk {
    using Corner = lanes::Corner<L>;
    using Edge = lanes::Edge<L>;
    static float y(const Corner& c) { return c.y; }
    static Edge edge(const Corner& start, const Corner& end) { return {start.start, {}, &start, &end}; }
    static void step(Edge& e) { ++e.pending; }
    static void workOutStep(Edge& e) {
        if (e.stepped) return;
        e.step = stepTowards(ratioOfCorner(*e.from), ratioOfCorner(*e.to), e.to->y - e.from->y);
        e.stepped = true;
    }
    static void settle(Edge& e) {
        if (e.pending == 0) return;
        workOutStep(e);
        for (; e.pending > 0; --e.pending) add(e.at, e.step);
    }
    static void skip(Edge& e, int count, int exactLimit) {
        settle(e);
        workOutStep(e);
        advanceBy(e.at, e.step, count, exactLimit);
    }

    static void row(Edge& left, Edge& right, int row, TriangleStream& fill) {
        settle(left);
        settle(right);
        const RenderContext& context = fill.context;
        const float leftX = left.at.get(L::x), rightX = right.at.get(L::x);
        int column = pixel::truncate(leftX);
        int endColumn = std::min(pixel::roundHalfUp(rightX), context.colourBuffer->width);
        if (column >= endColumn) return;
        Floats<L> span = left.at;
        Floats<L> spanStep{};
        // A single pixel needs no step: it is added only after a pixel.
        if (column < 0 || endColumn - column > 1)
            spanStep = stepTowards(ratioOfWalker(left.at), ratioOfWalker(right.at), rightX - leftX);
        if (column < 0) {
            advanceBy(span, spanStep, -column, exactSkipLimit(context.colourBuffer->width));
            column = 0;
        }
        // Only the columns the depth buffer holds too (the reference walk tests every column
        // against it and fails those outside).
        const DepthBuffer& depth = *context.depthBuffer;
        if (row >= depth.height) return;
        endColumn = std::min(endColumn, depth.width);
        boxAddSpan(fill.written, row, column, endColumn);
        if constexpr (std::is_same_v<L, FlatLayout>)
            walkFlatSpan(fill, span, spanStep, column, endColumn, row);
        else
            walkBatchedSpan<L>(fill, span, spanStep, column, endColumn, row);
    }
};

}  // namespace lanes

// Fills the rows of [firstRow, endRow) inside the band, and leaves both walkers advanced once
// per row up to the band's end. Rows below 0 are walked over (in one jump when absurdly
// many, the same way for every band), rows from 0 to the band one step at a time, exactly as
// a fill of the whole buffer steps through them.
template <class W>
void fillRows(typename W::Edge& left, typename W::Edge& right, int firstRow, int endRow, RowBand band,
              TriangleStream& fill) {
    const RenderContext& context = fill.context;
    int row = firstRow;
    if (row < 0 && endRow > row) {
        int skipped = std::min(endRow, 0) - row;
        W::skip(left, skipped, exactSkipLimit(context.colourBuffer->height));
        W::skip(right, skipped, exactSkipLimit(context.colourBuffer->height));
        row += skipped;
    }
    for (int bandStart = std::min(endRow, band.begin); row < bandStart; ++row) {
        W::step(left);
        W::step(right);
    }
    int visibleEnd = std::min({endRow, context.colourBuffer->height, band.end});
    for (; row < visibleEnd; ++row) {
        W::row(left, right, row, fill);
        W::step(left);
        W::step(right);
    }
    // Rows past the band are another band's, or above the buffer: nothing more to do here.
}

// Corners ordered by height: v[0] lowest, v[2] strictly higher, in the triangle's cyclic order.
template <class W>
void fillTriangleRows(const typename W::Corner v[3], RowBand band, TriangleStream& fill) {
    using Edge = typename W::Edge;
    const float y0 = W::y(v[0]), y1 = W::y(v[1]), y2 = W::y(v[2]);
    const int firstRow = pixel::roundHalfUp(y0);

    if (y0 == y1) {  // flat start
        Edge left = W::edge(v[0], v[2]), right = W::edge(v[1], v[2]);
        fillRows<W>(left, right, firstRow, pixel::roundHalfUp(y2), band, fill);
        return;
    }
    Edge left = W::edge(v[0], v[2]), right = W::edge(v[0], v[1]);
    if (y1 == y2) {  // flat end
        fillRows<W>(left, right, firstRow, pixel::roundHalfUp(y2), band, fill);
        return;
    }
    // General: the walker that reaches the middle vertex restarts there.
    int middleRow = pixel::roundHalfUp(std::min(y1, y2));
    fillRows<W>(left, right, firstRow, middleRow, band, fill);
    if (middleRow >= band.end) return;  // the second part's rows are all past the band
    if (y1 < y2)
        right = W::edge(v[1], v[2]);
    else
        left = W::edge(v[2], v[1]);
    fillRows<W>(left, right, middleRow, pixel::roundHalfUp(std::max(y1, y2)), band, fill);
}

bool samePixel(const Vertex& p, const Vertex& q) {
    return p.position.x == q.position.x && p.position.y == q.position.y;
}

// The number of cyclic rotations of (a, b, c) after which the first is lowest and the last
// strictly higher (rotation keeps the winding); -1 when none does that (all three on one row,
// or a NaN y).
int heightRotation(const Vertex* const v[3]) {
    for (int rotation = 0; rotation < 3; ++rotation) {
        const float y0 = v[rotation]->position.y, y1 = v[(rotation + 1) % 3]->position.y,
                    y2 = v[(rotation + 2) % 3]->position.y;
        if (y0 < y2 && y0 <= y1) return rotation;
    }
    return -1;
}

template <class W, class Make>
void fillWith(const Vertex* const v[3], int rotation, RowBand band, TriangleStream& fill, Make make) {
    const typename W::Corner corners[3] = {make(*v[rotation]), make(*v[(rotation + 1) % 3]),
                                           make(*v[(rotation + 2) % 3])};
    fillTriangleRows<W>(corners, band, fill);
}

}  // namespace

TriangleStream::TriangleStream(const SceneLighting& l, const RenderContext& c)
    : lighting(l), context(c), kernels(shadingKernels(c.simdPath)), mode(batchModeFor(c)) {
    batch.count = 0;
    if (mode != BatchMode::none) uniforms = uniformsFor(lighting, context);
}

void setTriangleState(TriangleStream& stream, const Material* material, const Image* textureMap,
                      const Image* normalMap, int phongShading) {
    RenderContext& c = stream.context;
    if (c.material == material && c.textureMap == textureMap && c.normalMap == normalMap &&
        c.phongShading == phongShading)
        return;
    flushBatch(stream);
    c.material = material;
    c.textureMap = textureMap;
    c.normalMap = normalMap;
    c.phongShading = phongShading;
    stream.mode = batchModeFor(c);
    if (stream.mode != BatchMode::none) stream.uniforms = uniformsFor(stream.lighting, c);
}

void flushTriangleStream(TriangleStream& stream) { flushBatch(stream); }

RowBand triangleRows(float ya, float yb, float yc) {
    if (std::isnan(ya) || std::isnan(yb) || std::isnan(yc)) return {0, 0};
    return {pixel::roundHalfUp(std::min({ya, yb, yc})), pixel::roundHalfUp(std::max({ya, yb, yc}))};
}

RowBand triangleRows(const Vertex& a, const Vertex& b, const Vertex& c) {
    return triangleRows(a.position.y, b.position.y, c.position.y);
}

void fillTriangle(const Vertex& a, const Vertex& b, const Vertex& c, RowBand band, TriangleStream& stream) {
    if (samePixel(a, b) || samePixel(b, c) || samePixel(a, c)) return;
    const Vertex* const v[3] = {&a, &b, &c};
    const int rotation = heightRotation(v);
    if (rotation < 0) return;
    switch (stream.mode) {
        case BatchMode::phong:
            fillWith<lanes::Walk<lanes::PhongLayout>>(v, rotation, band, stream, lanes::phongCorner);
            break;
        case BatchMode::textured:
            fillWith<lanes::Walk<lanes::TexturedLayout>>(v, rotation, band, stream, lanes::texturedCorner);
            break;
        case BatchMode::flatColour:
            fillWith<lanes::Walk<lanes::FlatLayout>>(v, rotation, band, stream, lanes::flatCorner);
            break;
        case BatchMode::none:
            fillWith<reference::Walk>(v, rotation, band, stream, [](const Vertex& corner) { return corner; });
            break;
    }
}

void fillTriangle(const Vertex& a, const Vertex& b, const Vertex& c, RowBand band, const SceneLighting& lighting,
                  const RenderContext& context) {
    TriangleStream stream(lighting, context);
    fillTriangle(a, b, c, band, stream);
    flushBatch(stream);
}

void drawTriangle(Vertex a, Vertex b, Vertex c, const SceneLighting& lighting, RenderContext& context) {
    ndcToPixel(a, context);
    ndcToPixel(b, context);
    ndcToPixel(c, context);
    fillTriangle(a, b, c, {0, context.colourBuffer->height}, lighting, context);
}
