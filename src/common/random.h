#pragma once
#include <cstdint>

namespace pravel {

// The one process-wide pseudo-random generator of the system: a 15-bit linear
// congruential generator, so that a run gives the same numbers on every
// platform. Every random draw of the models and optimisers comes from here.
constexpr int RAND15_MAX = 32767;

namespace detail {
// State of the generator; use rand15() and seed_random().
extern std::uint32_t g_random_state;
}  // namespace detail

// Next value, 0 .. 32767. Inline: the quality model draws millions a second.
inline int rand15() {
    detail::g_random_state = detail::g_random_state * 214013u + 2531011u;
    return static_cast<int>((detail::g_random_state >> 16) & 0x7FFFu);
}

// Restart the sequence from `seed`.
void seed_random(std::uint32_t seed);

// A coin flip is the parity of one value; a uniform real is value / 32767.
bool random_coin();
double random_unit();

}  // namespace pravel
