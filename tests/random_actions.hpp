// Random person and host actions on one control, with the control's invariants checked
// after every action. Used by a short test with a fixed seed and by the
// tintbox-random-actions command for long runs.
#pragma once

#include <cstdint>
#include <string>

namespace tintbox {

struct RandomRunResult {
    std::uint64_t actions = 0;
    std::string failure;       // empty when every invariant held after every action
    std::string last_actions;  // the actions leading to the failure
};

RandomRunResult run_random_actions(std::uint64_t seed, std::uint64_t count);

}  // namespace tintbox
