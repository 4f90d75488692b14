#include "raster/draw_list.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "raster/depth.h"
#include "raster/triangle.h"

void queueTriangle(DrawList& list, const Vertex& a, const Vertex& b, const Vertex& c, const RenderContext& context) {
    TriangleCommand command{{a, b, c}, 0, 0, context.material, context.textureMap, context.normalMap,
                            context.phongShading};
    for (Vertex& v : command.vertices) ndcToPixel(v, context);
    RowBand rows = triangleRows(command.vertices);
    if (rows.begin >= rows.end) return;  // covers no row, in any band
    command.firstRow = rows.begin;
    command.endRow = rows.end;
    list.triangles.push_back(command);
}

namespace {

// Bands of a few rows, handed out to the threads as they come free, keep the load even when
// the picture is busy in one part only (a sky above a detailed floor).
constexpr int kRowsPerBand = 16;

void drawBand(const DrawList& list, RowBand band, const SceneLighting& lighting, RenderContext context) {
    for (const TriangleCommand& t : list.triangles) {
        if (t.endRow <= band.begin || t.firstRow >= band.end) continue;
        context.material = t.material;
        context.textureMap = t.textureMap;
        context.normalMap = t.normalMap;
        context.phongShading = t.phongShading;
        fillTriangle(t.vertices, band, lighting, context);
    }
}

}  // namespace

void drawTriangleList(const DrawList& list, const SceneLighting& lighting, const RenderContext& context,
                      int threadCount) {
    const int height = context.colourBuffer->height;
    const int bandCount = (height + kRowsPerBand - 1) / kRowsPerBand;
    threadCount = std::clamp(threadCount, 1, std::max(bandCount, 1));
    if (threadCount == 1) {
        drawBand(list, {0, height}, lighting, context);
        return;
    }
    std::atomic<int> nextBand{0};
    auto worker = [&] {
        for (int b = nextBand++; b < bandCount; b = nextBand++)
            drawBand(list, {b * kRowsPerBand, std::min((b + 1) * kRowsPerBand, height)}, lighting, context);
    };
    std::vector<std::jthread> helpers;
    for (int i = 1; i < threadCount; ++i) helpers.emplace_back(worker);
    worker();
}

int defaultThreadCount() {
    unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 64u));
}
