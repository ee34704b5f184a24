// A small test harness for the Windows test programs (no test framework is built for
// mingw-w64): named test cases, checks that report the failing expression and go on.
#pragma once

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace tintbox::windows::testing {

struct TestCase {
    const char* name;
    std::function<void()> run;
};

inline std::vector<TestCase>& test_cases() {
    static std::vector<TestCase> cases;
    return cases;
}

inline int& failure_count() {
    static int count = 0;
    return count;
}

inline void fail(const char* file, int line, const std::string& what) {
    std::printf("%s:%d: FAIL %s\n", file, line, what.c_str());
    ++failure_count();
}

template <typename A, typename B>
void check_equal(const A& actual, const B& expected, const char* actual_text,
                 const char* expected_text, const char* file, int line) {
    if (!(actual == expected)) {
        std::ostringstream message;
        message << actual_text << " is " << std::showbase << std::hex << actual << ", expected "
                << expected_text << " = " << expected;
        fail(file, line, message.str());
    }
}

struct Registration {
    Registration(const char* name, std::function<void()> run) {
        test_cases().push_back({name, std::move(run)});
    }
};

// Runs every test case (or those whose name contains argv[1]); the exit status is the
// number of failed checks.
inline int run_all(int argc, char** argv) {
    const std::string filter = argc > 1 ? argv[1] : "";
    int ran = 0;
    for (const TestCase& test : test_cases()) {
        if (std::string(test.name).find(filter) == std::string::npos) {
            continue;
        }
        const int before = failure_count();
        test.run();
        ++ran;
        std::printf("%s %s\n", failure_count() == before ? "ok  " : "FAIL", test.name);
    }
    std::printf("%d test cases, %d failed checks\n", ran, failure_count());
    std::fflush(stdout);
    return failure_count() == 0 ? 0 : 1;
}

}  // namespace tintbox::windows::testing

#define TEST_CONCAT2(a, b) a##b
#define TEST_CONCAT(a, b) TEST_CONCAT2(a, b)
#define TEST(name)                                                                         \
    static void TEST_CONCAT(test_, name)();                                                \
    static const ::tintbox::windows::testing::Registration TEST_CONCAT(registered_, name)( \
        #name, TEST_CONCAT(test_, name));                                                  \
    static void TEST_CONCAT(test_, name)()

#define CHECK(condition)                                                       \
    do {                                                                       \
        if (!(condition)) {                                                    \
            ::tintbox::windows::testing::fail(__FILE__, __LINE__, #condition); \
        }                                                                      \
    } while (0)

#define CHECK_EQ(actual, expected)                                                               \
    ::tintbox::windows::testing::check_equal((actual), (expected), #actual, #expected, __FILE__, \
                                             __LINE__)
