// The scanline triangle rasterizer.
#pragma once

#include "core/render_context.h"
#include "core/vertex.h"
#include "scene/scene.h"
#include "shading/pixel_batch.h"

// Fills one counter-clockwise triangle (positions in normalised device coordinates, z the
// depth) into the context's buffers, with perspective-correct texture coordinates, depth-tested,
// coloured by per-pixel lighting or by the interpolated vertex colour (blended half and half
// with the texture when texturing is on and a texture is present).
void drawTriangle(Vertex a, Vertex b, Vertex c, const SceneLighting& lighting, RenderContext& context);

// Rows [begin, end) of the colour buffer.
struct RowBand {
    int begin;
    int end;
};

// How a run of triangles' pixels are coloured: one at a time by the reference code (no
// kernels), or collected into a batch that a SIMD kernel shades, or (Gouraud without a
// texture) written at once with the walked colour.
enum class BatchMode { none, phong, textured, flatColour };

// The state that consecutive triangles of one band share: their shading state and the batch
// their pixels go into. The batch is shaded when the state changes, when it is full and when
// the band ends, not at every triangle's end. A batch may hold a pixel twice: the kernels
// write in batch order, so the later triangle's colour wins, as in a triangle-by-triangle
// fill. The depth test runs at once, during the walk.
struct TriangleStream {
    // Not an aggregate: the batch's arrays are written before they are read, never cleared.
    TriangleStream(const SceneLighting& l, const RenderContext& c);
    const SceneLighting& lighting;
    RenderContext context;  // the buffers and flags, and the current triangles' material and maps
    const ShadingKernels* kernels = nullptr;
    BatchMode mode = BatchMode::none;
    ShadeUniforms uniforms;
    PixelBatch batch;
    PixelBox written;  // every pixel the stream's spans covered, whether or not it passed the depth test
};

// Makes this the state of the triangles that follow; a change shades the pixels batched so far.
void setTriangleState(TriangleStream& stream, const Material* material, const Image* textureMap,
                      const Image* normalMap, int phongShading);

// Fills a triangle already in pixel coordinates, only the rows of `band`, with the stream's
// state. Rows are stepped from the triangle's first row, so a band's pixels are exactly those a
// whole-buffer fill gives it.
void fillTriangle(const Vertex& a, const Vertex& b, const Vertex& c, RowBand band, TriangleStream& stream);

// Shades and writes the pixels batched so far.
void flushTriangleStream(TriangleStream& stream);

// One triangle on its own, with the context's state.
void fillTriangle(const Vertex& a, const Vertex& b, const Vertex& c, RowBand band, const SceneLighting& lighting,
                  const RenderContext& context);

// The rows a pixel-space triangle can cover, as [begin, end); empty for NaN coordinates.
RowBand triangleRows(const Vertex& a, const Vertex& b, const Vertex& c);
// The same, given only the corners' heights in pixels (position.y).
RowBand triangleRows(float ya, float yb, float yc);
