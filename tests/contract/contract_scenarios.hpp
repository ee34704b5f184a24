// The person-level scenarios that every front end must pass, as one table of rows, and
// the runner that plays a row through a Driver. Standard library only.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "contract_driver.hpp"

namespace tintbox::contract {

// A row being played: the driver, and what the steps found wrong.
struct Play {
    Driver& driver;
    int changes_counted = 0;  // Change events up to the last count a step checked
    std::vector<std::string> failures;
};

// One step of a scenario: what it does, in words for the failure report, and the doing.
// A step records a wrong result in the play and goes on.
struct Step {
    std::string what;
    std::function<void(Play& play, const std::function<void(const std::string&)>& fail)> run;
};

struct Scenario {
    std::string name;
    std::vector<Capability> needs;
    std::vector<Step> steps;
};

// Every scenario, in the order they run.
const std::vector<Scenario>& scenarios();

// The row's name in letters, digits and underscores, for a test framework's list.
std::string identifier(const Scenario& scenario);

struct Outcome {
    std::string not_run;                // why the row could not run here, "" when it ran
    std::vector<std::string> failures;  // one line per wrong result
};

// Plays one row against a fresh driver (black, focus outside, no picture).
Outcome run(Driver& driver, const Scenario& scenario);

// What a front end's test does with a row: run it and judge it, counting a row named in
// `known_failing` as passing only while it still fails (so that its mark is removed as
// soon as the front end is fixed). Returns the lines to report; none means passed.
std::vector<std::string> judge(const Outcome& outcome, const std::string& name,
                               const std::vector<std::string>& known_failing);

}  // namespace tintbox::contract
