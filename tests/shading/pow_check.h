// Checks shininessPow against the correctly rounded power (double pow rounded to float) over
// a range of float bases for one exponent.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "shading/shininess_pow.h"

struct PowCheck {
    long checked = 0;
    long notCorrectlyRounded = 0;
    long beyondOneUlp = 0;
    float firstNotCorrectlyRounded = 0;  // the smallest such base, 0 for none
};

// Every `stride`-th float from the smallest positive one up to 1.
inline PowCheck checkPowOverBases(float exponent, std::uint32_t stride) {
    PowCheck check;
    const std::uint32_t one = std::bit_cast<std::uint32_t>(1.0f);
    for (std::uint32_t bits = 1; bits <= one; bits += stride) {
        float base = std::bit_cast<float>(bits);
        float expected = static_cast<float>(std::pow(static_cast<double>(base), static_cast<double>(exponent)));
        float got = shininessPow(base, exponent);
        ++check.checked;
        if (std::bit_cast<std::uint32_t>(got) == std::bit_cast<std::uint32_t>(expected)) continue;
        if (check.notCorrectlyRounded++ == 0) check.firstNotCorrectlyRounded = base;
        std::int64_t distance = static_cast<std::int64_t>(std::bit_cast<std::uint32_t>(got)) -
                                static_cast<std::int64_t>(std::bit_cast<std::uint32_t>(expected));
        if (distance > 1 || distance < -1) ++check.beyondOneUlp;
    }
    return check;
}
