// tintbox-random-actions SEED COUNT: a long randomized run of person and host actions.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "random_actions.hpp"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tintbox-random-actions SEED COUNT\n");
        return 2;
    }
    char* end = nullptr;
    const unsigned long long seed = std::strtoull(argv[1], &end, 10);
    const bool seed_ok = *end == '\0';
    const unsigned long long count = std::strtoull(argv[2], &end, 10);
    if (!seed_ok || *end != '\0') {
        std::fprintf(stderr, "SEED and COUNT must be whole numbers\n");
        return 2;
    }
    const auto result = tintbox::run_random_actions(seed, count);
    if (!result.failure.empty()) {
        std::printf("failed after %llu actions: %s\nlast actions:\n%s",
                    static_cast<unsigned long long>(result.actions), result.failure.c_str(),
                    result.last_actions.c_str());
        return 1;
    }
    std::printf("%llu actions, every invariant held\n",
                static_cast<unsigned long long>(result.actions));
    return 0;
}
