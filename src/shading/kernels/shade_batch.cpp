// The batch shading kernels, written once with GCC vector types and compiled once per
// instruction set (the build sets QUELMAR_LANES, QUELMAR_KERNEL_TABLE and the target flags).
//
// Each function is the one-pixel reference rewritten lane-wise: the same additions,
// subtractions, multiplications, divisions and square roots in the same order, comparisons
// turned into blends, truncating conversions. Nothing here may be fused, approximated or
// reordered (the build keeps -ffp-contract=off), and nothing here calls an inline function of
// another file: a copy built for a wider instruction set could otherwise end up shared with
// code that runs on any machine. The batch is padded to whole vectors by the caller; only the
// colours of [begin, end) are written.
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#elif defined(__ARM_NEON)
#include <arm_neon.h>
#endif

#include "shading/pixel_batch.h"
#include "shading/pow_steps.h"

#ifndef QUELMAR_LANES
#error "QUELMAR_LANES must be set by the build"
#endif

namespace {

constexpr int kLanes = QUELMAR_LANES;
typedef float VF __attribute__((vector_size(4 * kLanes)));
typedef std::int32_t VI __attribute__((vector_size(4 * kLanes)));
typedef double VD __attribute__((vector_size(8 * kLanes)));
typedef std::int64_t VL __attribute__((vector_size(8 * kLanes)));

static_assert(kBatchCapacity % kLanes == 0);

// x in every lane: x - 0 is x for every float, signed zeros and NaNs included.
inline VF splat(float x) { return x - VF{}; }
inline VI splatInt(std::int32_t x) { return x + VI{}; }

inline VF select(VI mask, VF a, VF b) { return mask ? a : b; }

inline bool anyLane(VI mask) {
    std::int32_t any = 0;
    for (int i = 0; i < kLanes; ++i) any |= mask[i];
    return any != 0;
}

// IEEE square root per lane (correctly rounded, as std::sqrt).
inline VF squareRoot(VF v) {
#if QUELMAR_LANES == 16 && defined(__AVX512F__)
    return (VF)_mm512_mask_sqrt_ps((__m512)v, 0xffff, (__m512)v);  // all lanes; avoids an undefined source
#elif QUELMAR_LANES == 8 && defined(__AVX__)
    return (VF)_mm256_sqrt_ps((__m256)v);
#elif QUELMAR_LANES == 4 && defined(__SSE2__)
    return (VF)_mm_sqrt_ps((__m128)v);
#elif QUELMAR_LANES == 4 && defined(__ARM_NEON)
    return (VF)vsqrtq_f32((float32x4_t)v);
#else
    VF r;
    for (int i = 0; i < kLanes; ++i) r[i] = __builtin_sqrtf(v[i]);
    return r;
#endif
}

inline VI truncateToInt(VF v) { return __builtin_convertvector(v, VI); }
inline VF toFloat(VI v) { return __builtin_convertvector(v, VF); }

struct V3 {
    VF x, y, z;
};

struct VColour {
    VF r, g, b, a;
};

inline VF length(const V3& v) { return squareRoot(v.x * v.x + v.y * v.y + v.z * v.z); }

inline void normalize(V3& v) {
    VF l = length(v);
    v.x /= l;
    v.y /= l;
    v.z /= l;
}

inline VF dot(const V3& p, const V3& q) { return p.x * q.x + p.y * q.y + p.z * q.z; }

inline VColour splatColour(Colour c) { return {splat(c.r), splat(c.g), splat(c.b), splat(c.a)}; }

inline VF limitAlpha(VF a) { return select(a > 1.0f, splat(1.0f), a); }

inline VColour add(const VColour& p, const VColour& q) {
    return {p.r + q.r, p.g + q.g, p.b + q.b, limitAlpha(p.a + q.a)};
}

inline VColour lerp(const VColour& p, const VColour& q, VF t) {
    VF s = 1.0f - t;
    return {s * p.r + t * q.r, s * p.g + t * q.g, s * p.b + t * q.b, s * p.a + t * q.a};
}

// ---- texture sampling (see sampling.cpp) ----

VF fractionalPart(VF c) {
    VI bits = (VI)c & 0x7fffffff;
    VI inRange = (VF)bits < 2147483648.0f;  // false for NaN
    VF safe = select(inRange, c, splat(0.0f));
    VF fraction = c - toFloat(truncateToInt(safe));
    return select(inRange, fraction, select(c != c, c, splat(0.0f)));
}

VF texelPosition(VF fraction, int size) {
    VF p = fraction * static_cast<float>(size) - 0.5f;
    return select(p >= 0.0f, p, splat(0.0f));
}

// ---- gathering texels: one 4-float load per lane, then 4 x 4 transposes ----

typedef float V4 __attribute__((vector_size(16)));

inline V4 loadFour(const float* p) {
    V4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Index lists for __builtin_shufflevector that repeat a 4-lane pattern in every block of four
// lanes; W stands for "the same lane of the second operand".
#define W kLanes
#if QUELMAR_LANES == 4
#define PER_BLOCK(a, b, c, d) a, b, c, d
#elif QUELMAR_LANES == 8
#define PER_BLOCK(a, b, c, d) a, b, c, d, a + 4, b + 4, c + 4, d + 4
#elif QUELMAR_LANES == 16
#define PER_BLOCK(a, b, c, d) \
    a, b, c, d, a + 4, b + 4, c + 4, d + 4, a + 8, b + 8, c + 8, d + 8, a + 12, b + 12, c + 12, d + 12
#endif

// Lane 4j + k's four floats for k = `offset`, in block j of the result, for every block j.
// `at(i)` is where lane i's four floats are.
template <class At>
inline VF quadsOfBlocks(At at, int offset) {
#if QUELMAR_LANES == 4
    return loadFour(at(offset));
#elif QUELMAR_LANES == 8
    return __builtin_shufflevector(loadFour(at(offset)), loadFour(at(4 + offset)), 0, 1, 2, 3, 4, 5, 6, 7);
#elif QUELMAR_LANES == 16
    typedef float V8 __attribute__((vector_size(32)));
    V8 low = __builtin_shufflevector(loadFour(at(offset)), loadFour(at(4 + offset)), 0, 1, 2, 3, 4, 5, 6, 7);
    V8 high = __builtin_shufflevector(loadFour(at(8 + offset)), loadFour(at(12 + offset)), 0, 1, 2, 3, 4, 5, 6, 7);
    return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
#endif
}

// Four consecutive floats of every lane, one vector per float (a transpose).
template <class At>
VColour loadQuads(At at) {
    VF t0 = quadsOfBlocks(at, 0), t1 = quadsOfBlocks(at, 1), t2 = quadsOfBlocks(at, 2), t3 = quadsOfBlocks(at, 3);
    VF rg01 = __builtin_shufflevector(t0, t1, PER_BLOCK(0, W, 1, W + 1));  // r0 r1 g0 g1
    VF ba01 = __builtin_shufflevector(t0, t1, PER_BLOCK(2, W + 2, 3, W + 3));
    VF rg23 = __builtin_shufflevector(t2, t3, PER_BLOCK(0, W, 1, W + 1));
    VF ba23 = __builtin_shufflevector(t2, t3, PER_BLOCK(2, W + 2, 3, W + 3));
    return {__builtin_shufflevector(rg01, rg23, PER_BLOCK(0, 1, W, W + 1)),
            __builtin_shufflevector(rg01, rg23, PER_BLOCK(2, 3, W + 2, W + 3)),
            __builtin_shufflevector(ba01, ba23, PER_BLOCK(0, 1, W, W + 1)),
            __builtin_shufflevector(ba01, ba23, PER_BLOCK(2, 3, W + 2, W + 3))};
}

// The texel at index[i] for every lane i, one vector per channel.
VColour gatherTexels(const TexelView& image, VI index) {
    const Colour* pixels = image.pixels;
    return loadQuads([&](int lane) { return &pixels[index[lane]].r; });
}
#undef PER_BLOCK
#undef W

// The image has pixels (the caller checks).
VColour sample(const TexelView& image, VF u, VF v) {
    VF x = texelPosition(fractionalPart(u), image.width);
    VF y = texelPosition(fractionalPart(v), image.height);
    VI ix = truncateToInt(x);
    VI iy = truncateToInt(y);
    VF fx = x - toFloat(ix);
    VF fy = y - toFloat(iy);
    const VI width = splatInt(image.width), height = splatInt(image.height);
    ix = ix >= width ? width - 1 : ix;
    iy = iy >= height ? height - 1 : iy;
    VI ix1 = ix + 1 >= width ? splatInt(0) : ix + 1;
    VI iy1 = iy + 1 >= height ? splatInt(0) : iy + 1;
    VI row0 = iy * width, row1 = iy1 * width;
    VColour rowA = lerp(gatherTexels(image, ix + row0), gatherTexels(image, ix1 + row0), fx);
    VColour rowB = lerp(gatherTexels(image, ix + row1), gatherTexels(image, ix1 + row1), fx);
    return lerp(rowA, rowB, fy);
}

VColour sampleOrBlack(const TexelView& image, VF u, VF v) {
    if (!image.pixels) return {splat(0.0f), splat(0.0f), splat(0.0f), splat(1.0f)};
    return sample(image, u, v);
}

// ---- the specular power (see shininess_pow.cpp) ----

// Doubles fill twice the registers floats do; GCC takes comparisons and blends of such wide
// vectors apart lane by lane, so the clamp works on register-wide halves.
#if QUELMAR_LANES == 4
#define LOW_HALF 0, 1
#define HIGH_HALF 2, 3
#define WHOLE 0, 1, 2, 3
#elif QUELMAR_LANES == 8
#define LOW_HALF 0, 1, 2, 3
#define HIGH_HALF 4, 5, 6, 7
#define WHOLE 0, 1, 2, 3, 4, 5, 6, 7
#elif QUELMAR_LANES == 16
#define LOW_HALF 0, 1, 2, 3, 4, 5, 6, 7
#define HIGH_HALF 8, 9, 10, 11, 12, 13, 14, 15
#define WHOLE 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15
#endif
VD clampHalves(VD t, VD low, VD high) {
    typedef double HalfD __attribute__((vector_size(4 * kLanes)));
    HalfD a = powsteps::clampKeepingNaN<HalfD>(__builtin_shufflevector(t, t, LOW_HALF),
                                               __builtin_shufflevector(low, low, LOW_HALF),
                                               __builtin_shufflevector(high, high, LOW_HALF));
    HalfD b = powsteps::clampKeepingNaN<HalfD>(__builtin_shufflevector(t, t, HIGH_HALF),
                                               __builtin_shufflevector(low, low, HIGH_HALF),
                                               __builtin_shufflevector(high, high, HIGH_HALF));
    return __builtin_shufflevector(a, b, WHOLE);
}
#undef LOW_HALF
#undef HIGH_HALF
#undef WHOLE

VF power(VF base, float exponent) {
    auto lookup = [](const double* table, VL index) {
        VD out;
        for (int i = 0; i < kLanes; ++i) out[i] = table[index[i]];
        return out;
    };
    // Lanes whose base is not positive are not used; give them a harmless one.
    VI usable = base > 0.0f;
    VF x = select(usable, base, splat(1.0f));
    VD wide = powsteps::power<VD, VL>(__builtin_convertvector(x, VD), (double)exponent - VD{}, lookup, clampHalves);
    VF result = __builtin_convertvector(wide, VF);
    result = select(x == 1.0f, splat(1.0f), result);
    if (exponent == 0.0f) result = splat(1.0f);
    return select(result != result, splat(__builtin_nanf("")), result);
}

// ---- per-pixel lighting (see phong.cpp and lighting.cpp) ----

struct PhongLanes {
    V3 normal, world, tangent;
    VF u, v;
};

// Floats 4g .. 4g + 3 of the records of lanes first .. first + kLanes - 1.
VColour loadRecordGroup(const PixelBatch& batch, int first, int group) {
    return loadQuads([&](int lane) { return &batch.record[first + lane][4 * group]; });
}

PhongLanes loadPhong(const PixelBatch& batch, int first) {
    static_assert(phongfield::normalX == 0 && phongfield::uq == 3 && phongfield::worldY == 7 &&
                  phongfield::tangentZ == 11);
    VColour g0 = loadRecordGroup(batch, first, 0);  // normal x, y, z; u/z
    VColour g1 = loadRecordGroup(batch, first, 1);  // v/z, 1/z; world x, y
    VColour g2 = loadRecordGroup(batch, first, 2);  // world z; tangent x, y, z
    return {{g0.r, g0.g, g0.b}, {g1.b, g1.a, g2.r}, {g2.g, g2.b, g2.a}, g0.a / g1.g, g1.r / g1.g};
}

// The normal-map texel turned into world space through the pixel's tangent frame (tangent,
// normal x tangent, normal), then normalised.
V3 mappedNormal(const PhongLanes& p, const TexelView& normalMap) {
    V3 tangent = p.tangent;
    normalize(tangent);
    VColour texel = sampleOrBlack(normalMap, p.u, p.v);
    V3 tangentSpace{2.0f * texel.r - 1.0f, 2.0f * texel.g - 1.0f, 2.0f * texel.b - 1.0f};
    normalize(tangentSpace);
    const V3& n = p.normal;
    V3 bitangent{n.y * p.tangent.z - n.z * p.tangent.y, n.z * p.tangent.x - n.x * p.tangent.z,
                 n.x * p.tangent.y - n.y * p.tangent.x};
    normalize(bitangent);
    // The frame's fourth column and the tangent-space w are both 0: each row ends in + 0 * 0.
    const float zero = 0.0f * 0.0f;
    V3 normal{tangent.x * tangentSpace.x + bitangent.x * tangentSpace.y + n.x * tangentSpace.z + zero,
              tangent.y * tangentSpace.x + bitangent.y * tangentSpace.y + n.y * tangentSpace.z + zero,
              tangent.z * tangentSpace.x + bitangent.z * tangentSpace.y + n.z * tangentSpace.z + zero};
    normalize(normal);
    return normal;
}

VColour shadePoint(const PhongLanes& p, V3 normal, const ShadeUniforms& s) {
    const V3& point = p.world;
    VColour diffuseBase = s.textured ? sampleOrBlack(s.texture, p.u, p.v) : splatColour(s.diffuse);
    V3 toEye{s.eyePosition.x - point.x, s.eyePosition.y - point.y, s.eyePosition.z - point.z};
    normalize(toEye);
    const VColour specularColour = splatColour(s.specular);
    VColour sum{splat(0.0f), splat(0.0f), splat(0.0f), splat(0.0f)};
    for (int i = 0; i < s.lightCount; ++i) {
        const Light& light = s.lights[i];
        V3 toLight{light.position.x - point.x, light.position.y - point.y, light.position.z - point.z};
        VF distance = length(toLight);
        normalize(toLight);
        VF nDotL = dot(toLight, normal);
        VI lit = nDotL > 0.0f;  // facing the light (false for NaN)
        if (!anyLane(lit)) continue;
        VColour diffuse{diffuseBase.r * nDotL, diffuseBase.g * nDotL, diffuseBase.b * nDotL, diffuseBase.a};
        VF twice = 2.0f * nDotL;
        V3 reflected{normal.x * twice - toLight.x, normal.y * twice - toLight.y, normal.z * twice - toLight.z};
        VF rDotV = dot(reflected, toEye);
        VI highlight = rDotV > 0.0f;
        VF strength = power(rDotV, s.shininess);
        VColour specular{select(highlight, specularColour.r * strength, splat(0.0f)),
                         select(highlight, specularColour.g * strength, splat(0.0f)),
                         select(highlight, specularColour.b * strength, splat(0.0f)),
                         select(highlight, specularColour.a, splat(1.0f))};
        VColour c = add(diffuse, specular);
        c = {c.r * light.colour.r, c.g * light.colour.g, c.b * light.colour.b, c.a * light.colour.a};
        const Attenuation& a = s.attenuation;
        VF attenuation = 1.0f / ((distance * a.quadratic) * distance + distance * a.linear + a.constant);
        c = {c.r * attenuation, c.g * attenuation, c.b * attenuation, c.a};
        VColour next = add(sum, c);
        sum = {select(lit, next.r, sum.r), select(lit, next.g, sum.g), select(lit, next.b, sum.b),
               select(lit, next.a, sum.a)};
    }
    return add(splatColour(s.ambient), sum);
}

// In lane order: a pixel batched twice ends with its later colour.
void storeColours(const VColour& c, const PixelBatch& batch, int first, int end, Colour* pixels) {
    const int lanes = end - first < kLanes ? end - first : kLanes;
    for (int i = 0; i < lanes; ++i) pixels[batch.pixel[first + i]] = Colour{c.r[i], c.g[i], c.b[i], c.a[i]};
}

void shadePhong(const PixelBatch& batch, int begin, int end, const ShadeUniforms& uniforms, Colour* pixels) {
    for (int first = begin; first < end; first += kLanes) {
        PhongLanes p = loadPhong(batch, first);
        V3 normal;
        if (uniforms.normalMapped) {
            normal = mappedNormal(p, uniforms.normalMap);
        } else {
            normal = p.normal;
            normalize(normal);
        }
        storeColours(shadePoint(p, normal, uniforms), batch, first, end, pixels);
    }
}

void shadeTextured(const PixelBatch& batch, int begin, int end, const TexelView& texture, Colour* pixels) {
    static_assert(texturedfield::red == 0 && texturedfield::uq == 4 && texturedfield::q == 6);
    for (int first = begin; first < end; first += kLanes) {
        VColour colour = loadRecordGroup(batch, first, 0);
        VColour divided = loadRecordGroup(batch, first, 1);  // u/z, v/z, 1/z, padding
        VColour texel = sample(texture, divided.r / divided.b, divided.g / divided.b);
        storeColours(lerp(colour, texel, splat(0.5f)), batch, first, end, pixels);
    }
}

}  // namespace

#ifdef QUELMAR_NARROWER_TABLE
extern const ShadingKernels QUELMAR_NARROWER_TABLE;
#define QUELMAR_NARROWER &QUELMAR_NARROWER_TABLE
#else
#define QUELMAR_NARROWER nullptr
#endif
extern const ShadingKernels QUELMAR_KERNEL_TABLE;
const ShadingKernels QUELMAR_KERNEL_TABLE{kLanes, shadePhong, shadeTextured, QUELMAR_NARROWER};
