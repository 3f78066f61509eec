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
// The state the calling thread draws from: the process-wide state unless the
// thread has bound a stream of its own (RandomStream).
extern thread_local constinit std::uint32_t* t_random_state;
}  // namespace detail

inline constexpr std::uint32_t kRandomMultiplier = 214013u;
inline constexpr std::uint32_t kRandomIncrement = 2531011u;

// Next value, 0 .. 32767. Inline: the quality model draws millions a second.
inline int rand15() {
    std::uint32_t& state = *detail::t_random_state;
    state = state * kRandomMultiplier + kRandomIncrement;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

// The next N values at once, as N calls of rand15() would give them and
// leaving the same state: each value is worked out from the state before the
// block (the map of k steps is x -> A_k x + C_k), so that the values do not
// wait for one another.
namespace detail {
// The maps of 0..N steps: x -> a[k] x + c[k].
template <int N>
struct RandomSteps {
    std::uint32_t a[N + 1];
    std::uint32_t c[N + 1];
};
template <int N>
inline constexpr RandomSteps<N> kRandomSteps = [] {
    RandomSteps<N> s{};
    s.a[0] = 1;
    s.c[0] = 0;
    for (int k = 1; k <= N; ++k) {
        s.a[k] = s.a[k - 1] * kRandomMultiplier;
        s.c[k] = s.c[k - 1] * kRandomMultiplier + kRandomIncrement;
    }
    return s;
}();
}  // namespace detail

template <int N>
inline void rand15_block(int* out) {
    constexpr const detail::RandomSteps<N>& steps = detail::kRandomSteps<N>;
    std::uint32_t& state = *detail::t_random_state;
    const std::uint32_t s = state;
    for (int k = 1; k <= N; ++k) out[k - 1] = static_cast<int>(((s * steps.a[k] + steps.c[k]) >> 16) & 0x7FFFu);
    state = s * steps.a[N] + steps.c[N];
}

// Passes over the next N values: the state N calls of rand15() would leave.
template <int N>
inline void rand15_skip() {
    constexpr const detail::RandomSteps<N>& steps = detail::kRandomSteps<N>;
    std::uint32_t& state = *detail::t_random_state;
    state = state * steps.a[N] + steps.c[N];
}

// These act on the state the calling thread draws from: the process-wide one
// unless the thread has bound a RandomStream.
// Restart the sequence from `seed`.
void seed_random(std::uint32_t seed);

// The generator's state, and setting it back: what a run that draws on several
// threads leaves behind is the state a run on one thread would have left.
std::uint32_t random_state();
void set_random_state(std::uint32_t state);

// The state `steps` draws after `state`, in O(log steps) operations.
std::uint32_t random_state_after(std::uint32_t state, std::uint64_t steps);

// A coin flip is the parity of one value; a uniform real is value / 32767.
bool random_coin();
double random_unit();

// While it lives, the draws of the constructing thread advance a state of its
// own instead of the process-wide one: a worker that evaluates a part of a
// run binds one, placed (random_state_after) where that part's draws begin in
// the sequence of the whole run. Other threads are not affected.
class RandomStream {
public:
    explicit RandomStream(std::uint32_t state) : state_(state), previous_(detail::t_random_state) {
        detail::t_random_state = &state_;
    }
    ~RandomStream() { detail::t_random_state = previous_; }
    RandomStream(const RandomStream&) = delete;
    RandomStream& operator=(const RandomStream&) = delete;

    std::uint32_t state() const { return state_; }
    void set_state(std::uint32_t state) { state_ = state; }

private:
    std::uint32_t state_;
    std::uint32_t* previous_;
};

}  // namespace pravel
