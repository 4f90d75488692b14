// RenderContext: the rendering state that travels from the frame driver through the scene
// pass and the triangulation into the rasterizers and the lighting.
//
// It names the buffers of the frame being drawn, the texture, normal map and material of the
// surface being drawn, the three user-controlled shading flags and the viewport rectangle.
// It owns nothing: the buffers belong to the frame driver, the images and materials to the
// scene. A flag counts as on only when it equals 1.
#pragma once

#include "core/image.h"
#include "core/simd_path.h"

// Named here only through pointers: the scene layer defines it above this one.
struct DepthBuffer;
struct Material;

struct RenderContext {
    Image* colourBuffer = nullptr;
    DepthBuffer* depthBuffer = nullptr;
    const Image* textureMap = nullptr;  // none means untextured
    const Image* normalMap = nullptr;   // none means no normal mapping
    // The material of the polygon being drawn. It points into the scene's material list, which
    // does not change after loading, so it reads exactly like a copy without copying names.
    const Material* material = nullptr;
    int phongShading = 0;  // 1 = per-pixel lighting, 0 = per-vertex (Gouraud)
    int texturing = 0;
    int normalMapping = 0;
    float viewportMinX = 0;  // window pixels, y growing upward from the lowest row
    float viewportMinY = 0;
    float viewportMaxX = 0;
    float viewportMaxY = 0;
    // How pixels are shaded: one at a time, or in batches on one of the machine's SIMD
    // instruction sets. The picture is the same on every path; the application picks one this
    // machine runs.
    SimdPath simdPath = SimdPath::scalar;
};

// Toggling turns 1 into 0 and anything else into 1.
inline void toggleFlag(int& flag) { flag = flag == 1 ? 0 : 1; }
