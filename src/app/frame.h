// The frame driver: one complete frame of a given window size.
#pragma once

#include "core/image.h"
#include "core/math.h"
#include "core/render_context.h"
#include "pipeline/scene_pass.h"
#include "raster/depth.h"
#include "scene/scene.h"

// Memory one frame hands on to the next: the depth buffer and the scene pass's arrays; and what
// the last frame drew.
struct FrameMemory {
    DepthBuffer depth;
    ScenePassMemory scenePass;
    // A box holding every pixel the last frame drew on: all pixels outside it are white, so that
    // a display need only look inside it.
    PixelBox drawn;
};

// Makes colour and depth buffers of width x height, clears them to white and 1.0, runs the
// scene pass and draws the viewport's black border. Returns the colour buffer, built in the
// storage of `previous` (the frame shown before, or an empty image). Both buffers reuse the
// storage they hold unless it is more than four times what the frame needs, which is given back
// so that memory follows the window down after a very large one. Up to `threadCount`
// threads rasterize (0: one per core); the picture does not depend on it.
Image renderFrame(Scene& scene, RenderContext& context, const Matrix4& projection, int width, int height,
                  int threadCount, FrameMemory& memory, Image previous = {});

// One frame on its own, with memory of its own.
Image renderFrame(Scene& scene, RenderContext& context, const Matrix4& projection, int width, int height,
                  int threadCount = 0);

// The projection the window's reshape builds: the current camera's field of view and planes,
// and the aspect ratio of the scene's viewport (never the window's).
Matrix4 reshapeProjection(Scene& scene, const RenderContext& context);
