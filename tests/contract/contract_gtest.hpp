// The contract suite as GoogleTest rows, for the front ends whose tests use GoogleTest:
// a row the front end cannot do is skipped with its reason, never passed.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "contract_scenarios.hpp"

namespace tintbox::contract {

inline void check_row(Driver& driver, std::size_t row,
                      const std::vector<std::string>& known_failing) {
    const Scenario& scenario = scenarios()[row];
    const Outcome outcome = run(driver, scenario);
    if (!outcome.not_run.empty()) {
        GTEST_SKIP() << outcome.not_run;
    }
    for (const std::string& line : judge(outcome, scenario.name, known_failing)) {
        ADD_FAILURE() << line;
    }
}

inline std::string row_name(const testing::TestParamInfo<std::size_t>& row) {
    return identifier(scenarios()[row.param]);
}

}  // namespace tintbox::contract
