#include "app/frame.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "pipeline/camera.h"
#include "pipeline/scene_pass.h"
#include "raster/depth.h"
#include "raster/draw_list.h"
#include "raster/line.h"

namespace {

const Colour kFrameClear = makeColour(1, 1, 1, 1);  // white

// The viewport rectangle's one-pixel black border, at depth 0 over everything, drawn with no
// texture so that it stays black whatever the last mesh used. Returns the box of the pixels
// written.
PixelBox drawViewportBorder(RenderContext& context) {
    context.textureMap = nullptr;
    context.normalMap = nullptr;
    const float x0 = context.viewportMinX, y0 = context.viewportMinY;
    const float x1 = context.viewportMaxX, y1 = context.viewportMaxY;
    const float corners[4][2] = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    Vertex a = zeroVertex(), b = zeroVertex();
    PixelBox written;
    for (int edge = 0; edge < 4; ++edge) {
        const float* from = corners[edge];
        const float* to = corners[(edge + 1) % 4];
        a.position.x = from[0];
        a.position.y = from[1];
        b.position.x = to[0];
        b.position.y = to[1];
        a.colour = b.colour = makeColour(0, 0, 0, 1);
        pixelToNdc(a, context);
        pixelToNdc(b, context);
        written = boxUnion(written, drawLine(a, b, context));
    }
    return written;
}

// A buffer holding more than four times what this frame needs gives its storage back, so that
// after one very large window the process does not keep that memory for good; smaller
// differences keep the storage for reuse.
template <typename T>
void releaseIfMuchLarger(std::vector<T>& values, int width, int height) {
    std::size_t needed = static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
    if (values.capacity() / 4 > needed) values = std::vector<T>();
}

}  // namespace

Image renderFrame(Scene& scene, RenderContext& context, const Matrix4& projection, int width, int height,
                  int threadCount, FrameMemory& memory, Image previous) {
    Image colour = std::move(previous);  // its storage, not its pixels
    releaseIfMuchLarger(colour.pixels, width, height);
    releaseIfMuchLarger(memory.depth.values, width, height);
    imageResize(colour, width, height);  // cleared by the scene pass, band by band
    DepthBuffer& depth = memory.depth;
    depthBufferResize(depth, width, height);
    context.colourBuffer = &colour;
    context.depthBuffer = &depth;
    context.textureMap = nullptr;
    context.normalMap = nullptr;
    const PixelBox scenePixels =
        renderScene(scene, context, projection, threadCount > 0 ? threadCount : defaultThreadCount(),
                    memory.scenePass, BufferClear{kFrameClear});
    memory.drawn = boxUnion(scenePixels, drawViewportBorder(context));
    // The colour buffer leaves with the caller; leave no pointer to it behind.
    context.colourBuffer = nullptr;
    context.depthBuffer = nullptr;
    return colour;
}

Image renderFrame(Scene& scene, RenderContext& context, const Matrix4& projection, int width, int height,
                  int threadCount) {
    FrameMemory memory;
    return renderFrame(scene, context, projection, width, height, threadCount, memory);
}

Matrix4 reshapeProjection(Scene& scene, const RenderContext& context) {
    float aspect = (context.viewportMaxX - context.viewportMinX) / (context.viewportMaxY - context.viewportMinY);
    return matrixPerspective(currentFieldOfView(scene.cameras), aspect, currentNearPlane(scene.cameras),
                             currentFarPlane(scene.cameras));
}
