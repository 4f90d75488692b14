// A frame's triangles, queued in drawing order, then rasterized in row bands in parallel.
//
// The scene pass queues every triangle with the rendering state it would have been drawn
// with (material, texture, normal map, shading mode). drawTriangleList then splits the colour
// buffer into bands of rows; each band is owned by one thread, which walks the triangles that
// reach it in queue order and fills only its own rows, replaying the same incremental edge walk
// from the triangle's first row. Every pixel therefore sees the same triangles in the same order with
// the same interpolated values as in a sequential frame: the picture is bit for bit the same
// whatever the number of threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "core/render_context.h"
#include "core/vertex.h"
#include "raster/triangle.h"
#include "scene/scene.h"

// The rendering state a triangle is drawn with. The triangles of one mesh and material share
// one, so that a queued triangle carries only a small index to it.
struct TriangleState {
    const Material* material;
    const Image* textureMap;
    const Image* normalMap;
    int phongShading;
};

struct TriangleCommand {
    int corners[3];       // indices into the list's vertices
    std::uint32_t state;  // index into the list's states
};

// Storage whose growth leaves the new elements unset, for arrays whose every element is
// written before it is read: a frame's queue grows by a whole mesh's vertices at once, and
// clearing them first would write the whole array twice.
template <class T>
struct UnsetGrowthAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = UnsetGrowthAllocator<U>;
    };
    UnsetGrowthAllocator() = default;
    template <class U>
    UnsetGrowthAllocator(const UnsetGrowthAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using QueuedVertices = std::vector<Vertex, UnsetGrowthAllocator<Vertex>>;

// The vertices are shared: a mesh's vertices are queued once, in pixel coordinates, and its
// triangles name their corners by index.
struct DrawList {
    QueuedVertices vertices;  // pixel coordinates of the viewport
    std::vector<TriangleCommand, UnsetGrowthAllocator<TriangleCommand>> triangles;
    std::vector<TriangleState> states;  // in queue order, a new one whenever the state changes
    // The rows each triangle can cover, apart from the rest, so that every band runs through a
    // short array to find its triangles.
    std::vector<RowBand, UnsetGrowthAllocator<RowBand>> rows;
    // Per frame, when several threads draw: the triangles of each band, as indices in queue
    // order, binned by `binParts` runs of the queue side by side (run r's bins for band b at
    // r * bandCount + b).
    std::vector<std::vector<std::uint32_t>> bins;
    std::size_t binParts = 0;
};

inline const TriangleState& triangleState(const DrawList& list, const TriangleCommand& triangle) {
    return list.states[triangle.state];
}

// Queues a vertex given in normalised device coordinates; returns its index.
int queueVertex(DrawList& list, Vertex vertex, const RenderContext& context);

// Queues a triangle of queued vertices with the context's current state (material, maps and
// shading mode), unless it covers no row at all.
void queueTriangle(DrawList& list, int a, int b, int c, const RenderContext& context);

// Queues a triangle whose corners are named by index, given the rows it covers (triangleRows of
// its corners), unless it covers none: `list` may hold only part of the queue, to be joined to
// it with drawListAppendParts.
void queueTriangle(DrawList& list, const int corners[3], RowBand rows, const RenderContext& context);

// Queues a triangle of three new vertices (normalised device coordinates).
void queueTriangle(DrawList& list, const Vertex& a, const Vertex& b, const Vertex& c, const RenderContext& context);

void drawListClear(DrawList& list);

// Appends the vertices, triangles and states of `parts`, lists queued on their own, to `list`
// in order, copied side by side on a thread per part. In each part's triangles, corners from
// `firstMoved` on (the part's own vertices) are moved up by the vertices of the parts before it,
// and state indices by the states before it.
void drawListAppendParts(DrawList& list, std::span<const DrawList* const> parts, int firstMoved);

// What the buffers are cleared to before anything is drawn: the colour, and depth 1.0.
struct BufferClear {
    Colour colour;
};

// Rasterizes every queued triangle, in order, into the context's buffers, with up to
// `threadCount` threads (1 draws on the calling thread alone). With a clear, each band of rows
// of both buffers is cleared right before the triangles are drawn into it, by the thread that
// draws it, so that the clear is shared out and the band is still in the cache when drawn.
// Returns a box holding every pixel the triangles may have written: outside it, the colour
// buffer holds the clear colour (or, without a clear, what it held before).
PixelBox drawTriangleList(DrawList& list, const SceneLighting& lighting, const RenderContext& context,
                          int threadCount, std::optional<BufferClear> clear = std::nullopt);

// The number of threads a frame uses by default: one per core.
int defaultThreadCount();
