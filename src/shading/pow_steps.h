// The power function of the specular term as one sequence of double-precision operations,
// written once for a plain double and for vectors of doubles (GCC vector extensions), so that
// the scalar shading and every SIMD lane compute the same float on every machine.
//
// x^y = 2^(y log2 x). log2 x: x = 2^e m, m in [1, 2); with c = 1 + i/64 for the top six bits
// of m, m / c = 1 + r, r in [0, 1/64], taken exactly as m * (1/c) - 1 with 1/c cut to 28 bits;
// log2 x = e + log2 c + P(r). 2^t: t = k/64 + f, |f| <= 1/128, 2^t = 2^(k div 64) 2^((k mod
// 64)/64) Q(f). Only additions, subtractions and multiplications, in a fixed order, plus
// integer operations on the bit patterns: no fused multiply-add, no libm, no conversions that
// could differ between machines. The relative error before the final rounding to float is
// about 2^-50, so the float is within an ulp of the exact power and almost always the
// correctly rounded one.
#pragma once

#include <cstdint>

#include "shading/pow_tables.h"

namespace powsteps {

// Beyond these the float result is 0 or infinite anyway; clamping keeps the scale's exponent
// in range. A NaN passes through the comparisons unchanged.
inline constexpr double kExponentLimit = 200.0;

// Adding 1.5 * 2^52 rounds a double of magnitude below 2^51 to an integer (to nearest, ties to
// even) and leaves that integer in the low bits of the sum's pattern.
inline constexpr double kRoundingShift = 0x1.8p52;
inline constexpr std::int64_t kRoundingShiftBits = 0x4338000000000000;

// Everything here is forced inline: the vector kernels are compiled once per instruction set,
// and an out-of-line copy (in an unoptimised build) could otherwise be shared between them.
#define QUELMAR_POW_INLINE [[gnu::always_inline]] inline

template <class To, class From>
QUELMAR_POW_INLINE To bitsAs(const From& from) {
    return __builtin_bit_cast(To, from);
}

// t held to [low, high] per lane, a NaN left as it is.
template <class D>
QUELMAR_POW_INLINE D clampKeepingNaN(D t, D low, D high) {
    t = t < low ? low : t;
    return t > high ? high : t;
}

// D: double or a vector of doubles; I: the matching 64-bit integer type. `lookup(table, i)`
// reads table[i] per lane; `clamp(t, low, high)` is clampKeepingNaN (vector code may split it
// into register-wide pieces). `x` is positive and finite (a float widened to double), `y` any.
template <class D, class I, class Lookup, class Clamp>
QUELMAR_POW_INLINE D power(D x, D y, Lookup lookup, Clamp clamp) {
    using namespace powtables;
    const I bits = bitsAs<I>(x);
    const I index = (bits >> (52 - kBits)) & ((1 << kBits) - 1);
    // e as a double without an int-to-double conversion: 2^52 + biased e, minus 2^52 + 1023.
    const D e = bitsAs<D>((bits >> 52) | 0x4330000000000000) - (0x1p52 + 1023.0);
    const D m = bitsAs<D>((bits & 0x000fffffffffffff) | 0x3ff0000000000000);
    const D r = m * lookup(kReciprocal, index) - 1.0;
    // The polynomials in Estrin's order: shorter chains of dependent operations than Horner's.
    const D r2 = r * r, r4 = r2 * r2;
    const D p = r * (((kLog2Poly[1] + kLog2Poly[2] * r) + r2 * (kLog2Poly[3] + kLog2Poly[4] * r)) +
                     r4 * ((kLog2Poly[5] + kLog2Poly[6] * r) + r2 * kLog2Poly[7]));
    const D log2x = (e + lookup(kLog2Centre, index)) + p;

    const D low = D{} - kExponentLimit, high = D{} + kExponentLimit;
    const D t = clamp(y * log2x, low, high);
    const D shifted = t * 64.0 + kRoundingShift;
    const I k = bitsAs<I>(shifted) - kRoundingShiftBits;
    const D f = t - (shifted - kRoundingShift) * 0x1p-6;
    const D f2 = f * f, f4 = f2 * f2;
    const D q = ((kExp2Poly[0] + kExp2Poly[1] * f) + f2 * (kExp2Poly[2] + kExp2Poly[3] * f)) +
                f4 * (kExp2Poly[4] + kExp2Poly[5] * f);
    const D scale = bitsAs<D>(((k >> kBits) + 1023) << 52);
    return (lookup(kExp2Step, k & ((1 << kBits) - 1)) * q) * scale;
}

}  // namespace powsteps
