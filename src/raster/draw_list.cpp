#include "raster/draw_list.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "core/parallel.h"
#include "raster/depth.h"
#include "raster/triangle.h"

int queueVertex(DrawList& list, Vertex vertex, const RenderContext& context) {
    ndcToPixel(vertex, context);
    list.vertices.push_back(vertex);
    return static_cast<int>(list.vertices.size()) - 1;
}

namespace {

bool sameState(const TriangleState& state, const RenderContext& context) {
    return state.material == context.material && state.textureMap == context.textureMap &&
           state.normalMap == context.normalMap && state.phongShading == context.phongShading;
}

// The index of the context's state in the list: the last one, added when the state changed.
std::uint32_t currentState(DrawList& list, const RenderContext& context) {
    if (list.states.empty() || !sameState(list.states.back(), context))
        list.states.push_back({context.material, context.textureMap, context.normalMap, context.phongShading});
    return static_cast<std::uint32_t>(list.states.size() - 1);
}

// A part's triangle as it stands in the joined list.
TriangleCommand moved(TriangleCommand t, int firstMoved, int shift, std::uint32_t stateShift) {
    for (int& corner : t.corners)
        if (corner >= firstMoved) corner += shift;
    t.state += stateShift;
    return t;
}

}  // namespace

void queueTriangle(DrawList& list, int a, int b, int c, const RenderContext& context) {
    const QueuedVertices& v = list.vertices;
    const int corners[3] = {a, b, c};
    queueTriangle(list, corners,
                  triangleRows(v[static_cast<size_t>(a)], v[static_cast<size_t>(b)], v[static_cast<size_t>(c)]), context);
}

void queueTriangle(DrawList& list, const int corners[3], RowBand rows, const RenderContext& context) {
    if (rows.begin >= rows.end) return;  // covers no row, in any band
    list.triangles.push_back({{corners[0], corners[1], corners[2]}, currentState(list, context)});
    list.rows.push_back(rows);
}

void queueTriangle(DrawList& list, const Vertex& a, const Vertex& b, const Vertex& c, const RenderContext& context) {
    int ia = queueVertex(list, a, context);
    int ib = queueVertex(list, b, context);
    int ic = queueVertex(list, c, context);
    queueTriangle(list, ia, ib, ic, context);
}

void drawListClear(DrawList& list) {
    list.vertices.clear();
    list.triangles.clear();
    list.states.clear();
    list.rows.clear();
}

void drawListAppendParts(DrawList& list, std::span<const DrawList* const> parts, int firstMoved) {
    std::vector<std::size_t> vertexAt(parts.size() + 1), triangleAt(parts.size() + 1);
    std::vector<std::uint32_t> stateAt(parts.size());
    vertexAt[0] = list.vertices.size();
    triangleAt[0] = list.triangles.size();
    for (std::size_t p = 0; p < parts.size(); ++p) {
        vertexAt[p + 1] = vertexAt[p] + parts[p]->vertices.size();
        triangleAt[p + 1] = triangleAt[p] + parts[p]->triangles.size();
        // The states are few (one per material change), so they are joined here.
        stateAt[p] = static_cast<std::uint32_t>(list.states.size());
        list.states.insert(list.states.end(), parts[p]->states.begin(), parts[p]->states.end());
    }
    list.vertices.resize(vertexAt.back());
    list.triangles.resize(triangleAt.back());
    list.rows.resize(triangleAt.back());
    forEachPart(parts.size(), parts.size(), [&](std::size_t p, std::size_t, std::size_t) {
        const DrawList& part = *parts[p];
        std::copy(part.vertices.begin(), part.vertices.end(), list.vertices.begin() + static_cast<std::ptrdiff_t>(vertexAt[p]));
        std::copy(part.rows.begin(), part.rows.end(), list.rows.begin() + static_cast<std::ptrdiff_t>(triangleAt[p]));
        const int shift = static_cast<int>(vertexAt[p] - vertexAt[0]);
        TriangleCommand* out = list.triangles.data() + triangleAt[p];
        for (const TriangleCommand& t : part.triangles) *out++ = moved(t, firstMoved, shift, stateAt[p]);
    });
}

namespace {

// Bands of a few rows, handed out to the threads as they come free, keep the load even when
// the picture is busy in one part only (a sky above a detailed floor).
constexpr int kRowsPerBand = 16;

void clearBand(RowBand band, const RenderContext& context, std::optional<BufferClear> clear) {
    if (!clear) return;
    imageFillRows(*context.colourBuffer, band.begin, band.end, clear->colour);
    depthBufferClearRows(*context.depthBuffer, band.begin, band.end);
}

void fillQueued(const DrawList& list, std::size_t i, RowBand band, TriangleStream& stream) {
    const TriangleCommand& t = list.triangles[i];
    const TriangleState& state = triangleState(list, t);
    setTriangleState(stream, state.material, state.textureMap, state.normalMap, state.phongShading);
    const QueuedVertices& v = list.vertices;
    fillTriangle(v[static_cast<size_t>(t.corners[0])], v[static_cast<size_t>(t.corners[1])],
                 v[static_cast<size_t>(t.corners[2])], band, stream);
}

// The whole buffer as one band, on the calling thread. Returns the box of pixels written.
PixelBox drawAll(const DrawList& list, RowBand band, const SceneLighting& lighting, const RenderContext& context,
                 std::optional<BufferClear> clear) {
    clearBand(band, context, clear);
    TriangleStream stream(lighting, context);
    for (std::size_t i = 0; i < list.rows.size(); ++i) fillQueued(list, i, band, stream);
    flushTriangleStream(stream);
    return stream.written;
}

// A band's triangles, as the bins of the queue's parts give them, in queue order. Returns the
// box of pixels written.
PixelBox drawBand(const DrawList& list, int bandIndex, RowBand band, const SceneLighting& lighting,
                  const RenderContext& context, std::optional<BufferClear> clear) {
    clearBand(band, context, clear);
    TriangleStream stream(lighting, context);
    const std::size_t bandCount = list.bins.size() / std::max<std::size_t>(list.binParts, 1);
    for (std::size_t part = 0; part < list.binParts; ++part)
        for (std::uint32_t i : list.bins[part * bandCount + static_cast<std::size_t>(bandIndex)])
            fillQueued(list, i, band, stream);
    flushTriangleStream(stream);
    return stream.written;
}

// Sorts the queue's triangles into the bands they reach, once per frame: the queue is cut into
// `parts` runs binned side by side, each into bins of its own, so that a band reading the runs'
// bins in order meets its triangles in queue order.
void binTriangles(DrawList& list, int bandCount, int rowsPerBand, int parts) {
    const std::size_t bands = static_cast<std::size_t>(bandCount);
    list.binParts = static_cast<std::size_t>(parts);
    if (list.bins.size() < list.binParts * bands) list.bins.resize(list.binParts * bands);
    forEachPart(list.rows.size(), list.binParts, [&](std::size_t part, std::size_t begin, std::size_t end) {
        std::vector<std::uint32_t>* bins = &list.bins[part * bands];
        for (std::size_t b = 0; b < bands; ++b) bins[b].clear();
        for (std::size_t i = begin; i < end; ++i) {
            const RowBand rows = list.rows[i];
            const int first = std::max(rows.begin, 0) / rowsPerBand;
            const int last = std::min((rows.end - 1) / rowsPerBand, bandCount - 1);
            if (rows.end <= 0) continue;  // below the buffer
            for (int b = first; b <= last; ++b) bins[b].push_back(static_cast<std::uint32_t>(i));
        }
    });
}

}  // namespace

PixelBox drawTriangleList(DrawList& list, const SceneLighting& lighting, const RenderContext& context,
                          int threadCount, std::optional<BufferClear> clear) {
    // The depth buffer may have rows the colour buffer lacks; they are cleared all the same.
    const int height = context.colourBuffer->height;
    const int clearHeight = clear ? std::max(height, context.depthBuffer->height) : height;
    const int bandCount = (clearHeight + kRowsPerBand - 1) / kRowsPerBand;
    threadCount = std::clamp(threadCount, 1, std::max(bandCount, 1));
    if (threadCount == 1) {
        // One band for the whole buffer: a triangle taller than a band would otherwise be set up
        // and walked down to each band again, which costs one thread more than the cache saves.
        return drawAll(list, {0, clearHeight}, lighting, context, clear);
    }
    binTriangles(list, bandCount, kRowsPerBand, threadCount);
    std::atomic<int> nextBand{0};
    PixelBox written;
    std::mutex writtenGuard;
    auto worker = [&] {
        PixelBox mine;
        for (int b = nextBand++; b < bandCount; b = nextBand++)
            mine = boxUnion(mine, drawBand(list, b, {b * kRowsPerBand, std::min((b + 1) * kRowsPerBand, clearHeight)},
                                           lighting, context, clear));
        std::lock_guard lock(writtenGuard);
        written = boxUnion(written, mine);
    };
    {
        std::vector<std::jthread> helpers;
        for (int i = 1; i < threadCount; ++i) helpers.emplace_back(worker);
        worker();
    }  // the helpers joined
    return written;
}

int defaultThreadCount() {
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}
