#pragma once
#include <cstdint>

namespace pravel {

// The one process-wide pseudo-random generator of the system: a 15-bit linear
// congruential generator, so that a run gives the same numbers on every
// platform. Every random draw of the models and optimisers comes from here.
constexpr int RAND15_MAX = 32767;

// Next value, 0 .. 32767.
int rand15();

// Restart the sequence from `seed`.
void seed_random(std::uint32_t seed);

// A coin flip is the parity of one value; a uniform real is value / 32767.
bool random_coin();
double random_unit();

}  // namespace pravel
