#include "shading/shininess_pow.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "pow_check.h"

namespace {
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
}  // namespace

// A sample of every float base in (0, 1] (and a little above 1, as r.v may round there) for the
// exponents a scene may use; the whole range runs in the long tests.
TEST(ShininessPow, WithinOneUlpOfTheCorrectlyRoundedPower) {
    for (float exponent : {1.0f, 8.0f, 24.0f, 0.5f, 128.0f, 3.7f, -2.0f, 1e-3f}) {
        PowCheck check = checkPowOverBases(exponent, 4099);
        EXPECT_EQ(check.beyondOneUlp, 0) << "exponent " << exponent;
        EXPECT_LE(check.notCorrectlyRounded, check.checked / 10000) << "exponent " << exponent;
    }
    for (float base : {1.0000001f, 1.0000002f, 1.0001f}) {
        EXPECT_EQ(shininessPow(base, 24.0f), static_cast<float>(std::pow(double{base}, 24.0))) << base;
    }
}

// The exact bits of millions of powers, against a stored hash: the power is a fixed function, so
// any change to its tables, polynomials or order of operations shows here, even one that moves
// a handful of results by an ulp (which the within-one-ulp check above cannot see). If a change
// of the power is intended, check it with the long test (ctest --preset long) before storing
// the new hash.
TEST(ShininessPow, DenseResultsMatchTheStoredHash) {
    std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a over the results' bit patterns
    long results = 0;
    auto add = [&](float base, float exponent) {
        hash = (hash ^ std::bit_cast<std::uint32_t>(shininessPow(base, exponent))) * 0x100000001b3u;
        ++results;
    };
    const std::uint32_t one = std::bit_cast<std::uint32_t>(1.0f);
    for (float exponent : {24.0f, 3.7f})  // every 211th float base in (0, 1]
        for (std::uint32_t bits = 1; bits <= one; bits += 211) add(std::bit_cast<float>(bits), exponent);
    for (int k = 0; k < 80; ++k) {  // 80 exponents from 1/4 to 480, whole and fractional, and their negatives
        const float exponent = std::ldexp(1.0f + static_cast<float>(k % 8) / 8.0f, k / 8 - 2);
        for (std::uint32_t bits = 1; bits <= one; bits += 65537) {
            add(std::bit_cast<float>(bits), exponent);
            add(std::bit_cast<float>(bits), -exponent);
        }
    }
    // Where a lost bit of log2 x shows most: bases at the top of each of the table's 64 intervals
    // (the polynomial's last terms weigh most there) to large exponents (which multiply the error).
    for (float exponent : {100.5f, 255.0f, 480.0f})
        for (std::uint32_t interval = 1; interval <= 64; ++interval) {
            const std::uint32_t next = std::bit_cast<std::uint32_t>(0.5f) + (interval << 17);
            for (std::uint32_t k = 1; k <= 8192; ++k) add(std::bit_cast<float>(next - k), exponent);
        }
    // The one result of the exhaustive test that is not correctly rounded (...6c is).
    EXPECT_EQ(shininessPow(0x1.91b85ap-1f, 100.5f), 0x1.c6ff6ep-36f);
    EXPECT_EQ(results, 14271960);
    EXPECT_EQ(hash, 0xd268f44f97092cfbu) << std::hex << "hash " << hash;
}

// The values IEEE pow gives for the exponents a scene file can hold: 0, negative, infinite,
// NaN, and results beyond the float range.
TEST(ShininessPow, SpecialValuesAsIeeePow) {
    for (float base : {1e-30f, 0.5f, 1.0f, 1e-45f}) EXPECT_EQ(shininessPow(base, 0.0f), 1.0f);
    for (float exponent : {kInf, -kInf, kNaN, 24.0f, -1e30f}) EXPECT_EQ(shininessPow(1.0f, exponent), 1.0f);
    EXPECT_EQ(shininessPow(0.5f, kInf), 0.0f);
    EXPECT_EQ(shininessPow(0.5f, -kInf), kInf);
    EXPECT_TRUE(std::isnan(shininessPow(0.5f, kNaN)));
    EXPECT_EQ(shininessPow(0.5f, 1e6f), 0.0f);
    EXPECT_EQ(shininessPow(0.5f, -1e6f), kInf);
    EXPECT_EQ(shininessPow(0.5f, -127.0f), 0x1p127f);
    EXPECT_EQ(shininessPow(0.5f, 149.0f), 0x1p-149f);  // the smallest denormal
    EXPECT_EQ(shininessPow(0.5f, 140.5f), std::pow(0.5f, 140.5f));
    EXPECT_EQ(shininessPow(1e-45f, 1.0f), 1e-45f);  // a denormal base
    EXPECT_EQ(shininessPow(0.25f, 0.5f), 0.5f);
}
