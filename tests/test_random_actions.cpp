#include <gtest/gtest.h>

#include "random_actions.hpp"

TEST(RandomActions, KeepEveryInvariantAfterEachAction) {
    const auto result = tintbox::run_random_actions(20261208, 30000);
    EXPECT_EQ(result.failure, "") << "after " << result.actions << " actions; the last ones:\n"
                                  << result.last_actions;
}
