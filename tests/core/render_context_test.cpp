#include <gtest/gtest.h>

#include "core/render_context.h"

TEST(RenderContext, FlagsToggleTowardsOne) {
    int flag = 1;
    toggleFlag(flag);
    EXPECT_EQ(flag, 0);
    toggleFlag(flag);
    EXPECT_EQ(flag, 1);
    for (int odd : {2, -1}) {
        flag = odd;
        toggleFlag(flag);
        EXPECT_EQ(flag, 1) << "from " << odd;
    }
}
