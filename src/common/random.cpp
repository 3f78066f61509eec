#include "common/random.h"

namespace pravel {

namespace {
std::uint32_t g_state = 1;
}

int rand15() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

void seed_random(std::uint32_t seed) { g_state = seed; }

bool random_coin() { return (rand15() % 2) != 0; }

double random_unit() { return static_cast<double>(rand15()) / RAND15_MAX; }

}  // namespace pravel
