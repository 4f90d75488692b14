// The scene pass: every mesh from object space to pixels, then the light-blue background.
#pragma once

#include <optional>
#include <vector>

#include "core/math.h"
#include "core/render_context.h"
#include "pipeline/clipping.h"
#include "raster/draw_list.h"
#include "scene/scene.h"

// Working memory the pass keeps from one frame to the next, so that a steady stream of frames
// does not allocate (and fault in) its large arrays again every time.
struct ScenePassMemory {
    DrawList triangles;                       // the frame's queued triangles
    // A mesh's vertices, from the first, as culling and queueing read them: the position in clip
    // space, the planes it lies outside of, the position divided by w, and its y in pixels.
    std::vector<Vec4> clipPositions;
    std::vector<unsigned char> outsideMasks;
    std::vector<Vec4> divided;
    std::vector<float> heights;
    struct Run {
        ClipPart clipped;
        DrawList queued;
    };
    std::vector<Run> runs;  // one mesh's triangles, clipped and queued by several threads
};

// Draws the whole scene into the context's buffers from the current camera, with the given
// projection, rasterizing with up to `threadCount` threads (the picture is the same for any
// count). Updates the current camera's folded angles and basis and the eye position.
// With a clear, the buffers are cleared (colour and depth 1.0) as they are drawn into; their
// contents before do not matter. Returns a box holding every pixel the pass may have written
// (see drawTriangleList).
PixelBox renderScene(Scene& scene, RenderContext& context, const Matrix4& projection, int threadCount,
                     ScenePassMemory& memory, std::optional<BufferClear> clear = std::nullopt);
