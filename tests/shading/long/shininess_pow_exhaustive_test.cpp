// Every float base in (0, 1] for a few exponents: minutes of work, so under the `long` label,
// outside the default test run (ctest --preset long).
#include <gtest/gtest.h>

#include "../pow_check.h"

TEST(ShininessPowExhaustive, EveryBaseWithinOneUlp) {
    long total = 0, notCorrectlyRounded = 0;
    for (float exponent : {1.0f, 8.0f, 24.0f, 100.5f}) {
        PowCheck check = checkPowOverBases(exponent, 1);
        EXPECT_EQ(check.beyondOneUlp, 0) << "exponent " << exponent;
        std::printf("exponent %g: %ld of %ld bases not correctly rounded\n", exponent, check.notCorrectlyRounded,
                    check.checked);
        total += check.checked;
        notCorrectlyRounded += check.notCorrectlyRounded;
    }
    std::printf("all: %ld of %ld not correctly rounded\n", notCorrectlyRounded, total);
}
