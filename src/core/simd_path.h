// The instruction sets the pixel shading can run on. Every path draws the same bits; they
// differ only in how many pixels one instruction works on.
#pragma once

enum class SimdPath {
    scalar,  // one pixel at a time: the reference that defines the picture
    sse2,    // x86-64: 4 lanes (every x86-64 has it)
    avx2,    // x86-64: 8 lanes
    avx512,  // x86-64: 16 lanes
    neon,    // arm64: 4 lanes
};
