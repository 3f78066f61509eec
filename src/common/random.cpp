#include "common/random.h"

namespace pravel {

namespace detail {
std::uint32_t g_random_state = 1;
thread_local constinit std::uint32_t* t_random_state = &g_random_state;
}  // namespace detail

void seed_random(std::uint32_t seed) { *detail::t_random_state = seed; }

std::uint32_t random_state() { return *detail::t_random_state; }

void set_random_state(std::uint32_t state) { *detail::t_random_state = state; }

std::uint32_t random_state_after(std::uint32_t state, std::uint64_t steps) {
    // One step is the affine map x -> a x + c (mod 2^32); `steps` of them are
    // composed by repeated squaring of the map.
    std::uint32_t multiplier = 1;   // the composed map so far: x -> multiplier x + increment
    std::uint32_t increment = 0;
    std::uint32_t a = kRandomMultiplier;  // the map of 2^k steps
    std::uint32_t c = kRandomIncrement;
    while (steps > 0) {
        if (steps & 1u) {
            multiplier *= a;
            increment = increment * a + c;
        }
        c = c * a + c;
        a = a * a;
        steps >>= 1;
    }
    return state * multiplier + increment;
}

bool random_coin() { return (rand15() % 2) != 0; }

double random_unit() { return static_cast<double>(rand15()) / RAND15_MAX; }

}  // namespace pravel
