#include "shading/shininess_pow.h"

#include <cstdint>
#include <limits>

#include "shading/pow_steps.h"

float shininessPow(float base, float exponent) {
    if (exponent == 0.0f || base == 1.0f) return 1.0f;
    auto lookup = [](const double* table, std::int64_t i) { return table[i]; };
    float result = static_cast<float>(
        powsteps::power<double, std::int64_t>(static_cast<double>(base), static_cast<double>(exponent), lookup,
                                              powsteps::clampKeepingNaN<double>));
    // One NaN for every path: which operand's NaN survives an operation is not fixed.
    return result != result ? std::numeric_limits<float>::quiet_NaN() : result;
}
