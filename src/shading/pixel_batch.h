// Pixels collected by the span walk for shading many at a time (SIMD lanes), and the kernels
// that shade them.
//
// The walk stores one record per pixel, the interpolants it steps in a fixed order; a kernel
// then works through the batch a vector of lanes at a time (turning records into one vector
// per interpolant), every lane doing exactly the operations of the
// one-pixel reference (shadePixel, sampleTexture, colourLerp) in the same order, so a lane's
// colour is bit for bit the reference colour. Kernels write each colour to the colour-buffer
// index the walk recorded.
#pragma once

#include "core/image.h"
#include "core/math.h"
#include "core/simd_path.h"
#include "scene/scene.h"

inline constexpr int kBatchCapacity = 64;

// Fields of a per-pixel (Phong) batch: the interpolated normal, the texture coordinate and its
// divisor still in divided form (u/z, v/z, 1/z), the world position and the tangent.
namespace phongfield {
enum : int { normalX, normalY, normalZ, uq, vq, q, worldX, worldY, worldZ, tangentX, tangentY, tangentZ, count };
}
// Fields of a textured Gouraud batch: the interpolated colour and the divided texture coordinate.
namespace texturedfield {
enum : int { red, green, blue, alpha, uq, vq, q, count };
}

// Records are whole groups of four floats, so that the walk stores and the kernels load them
// four at a time; the floats past a mode's fields are padding.
inline constexpr int kRecordFloats = 12;
static_assert(phongfield::count <= kRecordFloats && texturedfield::count <= kRecordFloats);

struct PixelBatch {
    int count = 0;
    alignas(64) int pixel[kBatchCapacity];  // index into the colour buffer's pixels
    alignas(64) float record[kBatchCapacity][kRecordFloats];
};

// An image as the kernels read it; no pixels (null) stands for no image, which samples black.
struct TexelView {
    const Colour* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// The view of an image, or of none (also for an image without pixels).
TexelView texelView(const Image* image);

// What every pixel of one triangle shares. Lights are passed as a plain array so that the
// kernels touch no library code.
struct ShadeUniforms {
    const Light* lights = nullptr;
    int lightCount = 0;
    Vec3 eyePosition{};
    Attenuation attenuation{};
    Colour ambient{};  // the scene's ambience times the material's ambient colour
    Colour diffuse{};
    Colour specular{};
    float shininess = 0;
    bool textured = false;  // the diffuse colour comes from `texture` (texturing on, a texture given)
    TexelView texture;
    bool normalMapped = false;  // the normal comes from `normalMap` (normal mapping on, a map given)
    TexelView normalMap;
};

// Each kernel shades the batch's pixels [begin, end), reading whole vectors of records (the
// batch is padded to a multiple of 16 past its count).
struct ShadingKernels {
    int lanes;
    // Per-pixel lighting of a Phong batch.
    void (*shadePhong)(const PixelBatch& batch, int begin, int end, const ShadeUniforms& uniforms, Colour* pixels);
    // The Gouraud colour blended half and half with the texture (which has pixels).
    void (*shadeTextured)(const PixelBatch& batch, int begin, int end, const TexelView& texture, Colour* pixels);
    // Kernels with fewer lanes, the same bits, on an instruction set every machine that runs
    // these has: for a batch's last few pixels, so that a wide vector is not mostly idle.
    const ShadingKernels* narrower;
};

// The kernels of a SIMD path, or none for the scalar path and for paths not built into this
// program.
const ShadingKernels* shadingKernels(SimdPath path);

// The paths this build has and this machine can run, scalar first, widest last.
int runnableSimdPaths(SimdPath paths[5]);
SimdPath fastestSimdPath();
const char* simdPathName(SimdPath path);
// False when the name is not one of simdPathName's.
bool simdPathFromName(const char* name, SimdPath& path);
