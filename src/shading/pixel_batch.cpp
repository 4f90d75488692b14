#include "shading/pixel_batch.h"

#include <cstring>

// One table per kernel build (see CMakeLists.txt); each exists only where it was compiled.
#if defined(QUELMAR_KERNELS_X86)
extern const ShadingKernels sse2ShadingKernels;
extern const ShadingKernels avx2ShadingKernels;
extern const ShadingKernels avx512ShadingKernels;
#elif defined(QUELMAR_KERNELS_ARM)
extern const ShadingKernels neonShadingKernels;
#endif

namespace {
constexpr SimdPath kAllPaths[] = {SimdPath::scalar, SimdPath::sse2, SimdPath::avx2, SimdPath::avx512,
                                  SimdPath::neon};

bool machineRuns(SimdPath path) {
    switch (path) {
        case SimdPath::scalar: return true;
#if defined(QUELMAR_KERNELS_X86)
        case SimdPath::sse2: return true;
        case SimdPath::avx2: return __builtin_cpu_supports("avx2");
        case SimdPath::avx512: return __builtin_cpu_supports("avx512f");
#elif defined(QUELMAR_KERNELS_ARM)
        case SimdPath::neon: return true;
#endif
        default: return false;
    }
}
}  // namespace

TexelView texelView(const Image* image) {
    if (!image || image->width <= 0 || image->height <= 0) return {};
    return {image->pixels.data(), image->width, image->height};
}

const ShadingKernels* shadingKernels(SimdPath path) {
    if (!machineRuns(path)) return nullptr;
    switch (path) {
#if defined(QUELMAR_KERNELS_X86)
        case SimdPath::sse2: return &sse2ShadingKernels;
        case SimdPath::avx2: return &avx2ShadingKernels;
        case SimdPath::avx512: return &avx512ShadingKernels;
#elif defined(QUELMAR_KERNELS_ARM)
        case SimdPath::neon: return &neonShadingKernels;
#endif
        default: return nullptr;
    }
}

int runnableSimdPaths(SimdPath paths[5]) {
    int count = 0;
    for (SimdPath path : kAllPaths)
        if (machineRuns(path)) paths[count++] = path;
    return count;
}

SimdPath fastestSimdPath() {
    SimdPath paths[5];
    return paths[runnableSimdPaths(paths) - 1];
}

const char* simdPathName(SimdPath path) {
    switch (path) {
        case SimdPath::scalar: return "scalar";
        case SimdPath::sse2: return "sse2";
        case SimdPath::avx2: return "avx2";
        case SimdPath::avx512: return "avx512";
        case SimdPath::neon: return "neon";
    }
    return "scalar";
}

bool simdPathFromName(const char* name, SimdPath& path) {
    for (SimdPath candidate : kAllPaths) {
        if (std::strcmp(name, simdPathName(candidate)) == 0) {
            path = candidate;
            return true;
        }
    }
    return false;
}
