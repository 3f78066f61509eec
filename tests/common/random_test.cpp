// Jumping the generator ahead lands where stepping it does, and a thread's
// stream of its own leaves the process-wide state alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "common/random.h"

namespace pravel {
namespace {

std::uint32_t stepped(std::uint32_t state, std::uint64_t steps) {
    RandomStream stream(state);
    for (std::uint64_t k = 0; k < steps; ++k) rand15();
    return stream.state();
}

TEST(RandomJump, LandsWhereSteppingLands) {
    const std::uint32_t states[] = {0u, 1u, 4711u, 0x80000000u, 0xFFFFFFFFu};
    const std::uint64_t steps[] = {0, 1, 2, 3, 7, 64, 1000, 65537, 1234567};
    for (std::uint32_t s : states) {
        for (std::uint64_t n : steps) {
            EXPECT_EQ(random_state_after(s, n), stepped(s, n)) << "state " << s << ", " << n << " steps";
        }
    }
}

TEST(RandomJump, SplitJumpsAddUpAndThePeriodIsTwoToThe32) {
    const std::uint32_t s = 20261209u;
    EXPECT_EQ(random_state_after(random_state_after(s, 123456789), 987654321), random_state_after(s, 1111111110));
    EXPECT_EQ(random_state_after(s, 1ull << 32), s);
    EXPECT_EQ(random_state_after(s, (1ull << 32) + 5), random_state_after(s, 5));
    EXPECT_NE(random_state_after(s, 1ull << 31), s);
}

TEST(Random, BlocksAndSkipsAreTheValuesOfSingleDraws) {
    for (const std::uint32_t seed : {0u, 1u, 4242u, 0xFFFFFFFFu}) {
        seed_random(seed);
        int single[10];
        for (int& v : single) v = rand15();
        const std::uint32_t after = random_state();

        seed_random(seed);
        int block[10];
        rand15_block<10>(block);
        for (int k = 0; k < 10; ++k) EXPECT_EQ(block[k], single[k]) << "seed " << seed << ", value " << k;
        EXPECT_EQ(random_state(), after);

        seed_random(seed);
        rand15_skip<10>();
        EXPECT_EQ(random_state(), after);
        seed_random(seed);
        rand15_skip<1>();
        EXPECT_EQ(rand15(), single[1]);
    }
}

TEST(RandomStream, DrawsOfAStreamLeaveTheSharedStateAndOtherThreadsAlone) {
    seed_random(99);
    const int first = rand15();
    seed_random(99);
    std::uint32_t worker_state = 0;
    std::vector<int> worker_values;
    std::thread worker([&] {
        RandomStream stream(99);
        for (int k = 0; k < 5; ++k) worker_values.push_back(rand15());
        worker_state = stream.state();
    });
    worker.join();
    EXPECT_EQ(random_state(), 99u) << "the worker's draws went to its own stream";
    EXPECT_EQ(worker_values.front(), first);
    EXPECT_EQ(worker_state, random_state_after(99, 5));
    {
        // Bound and unbound again on this thread.
        RandomStream stream(7);
        rand15();
        EXPECT_EQ(random_state(), random_state_after(7, 1));
    }
    EXPECT_EQ(random_state(), 99u);
    EXPECT_EQ(rand15(), first);
}

}  // namespace
}  // namespace pravel
