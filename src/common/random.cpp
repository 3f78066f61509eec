#include "common/random.h"

namespace pravel {

namespace detail {
std::uint32_t g_random_state = 1;
}

void seed_random(std::uint32_t seed) { detail::g_random_state = seed; }

bool random_coin() { return (rand15() % 2) != 0; }

double random_unit() { return static_cast<double>(rand15()) / RAND15_MAX; }

}  // namespace pravel
