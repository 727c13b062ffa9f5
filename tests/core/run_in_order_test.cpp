// The ordered worker pool: slices done on several threads, handed back in
// order on the calling thread.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/common/run_in_order.h"

using namespace kdx;

TEST(RunInOrder, HandedOverInOrderWhateverTheThreads) {
    for (unsigned jobs : {1u, 2u, 4u}) {
        std::vector<int> done(50, 0);
        std::vector<size_t> delivered;
        std::atomic<int> running{0}, most{0};
        RunInOrder(
            50, jobs,
            [&](size_t i) {
                const int now = ++running;
                most = std::max(most.load(), now);
                // Later slices finish first now and then.
                if (i % 7 == 0) std::this_thread::yield();
                done[i] = 1;
                --running;
            },
            [&](size_t i) {
                EXPECT_EQ(done[i], 1) << "delivered before it was done";
                delivered.push_back(i);
                return true;
            });
        ASSERT_EQ(delivered.size(), 50u) << jobs;
        for (size_t i = 0; i < delivered.size(); ++i)
            EXPECT_EQ(delivered[i], i) << jobs;
        EXPECT_LE(most.load(), static_cast<int>(jobs));
    }
    size_t calls = 0;
    RunInOrder(
        0, 4, [&](size_t) { ++calls; },
        [&](size_t) {
            ++calls;
            return true;
        });
    EXPECT_EQ(calls, 0u);
}

TEST(RunInOrder, AFailureStopsTheRunAndComesBack) {
    for (unsigned jobs : {1u, 3u}) {
        std::vector<size_t> delivered;
        EXPECT_THROW(RunInOrder(
                         100, jobs,
                         [](size_t i) {
                             if (i == 10) throw std::runtime_error("slice 10");
                         },
                         [&](size_t i) {
                             delivered.push_back(i);
                             return true;
                         }),
                     std::runtime_error);
        // Alone, the calling thread hands over every slice before the failed
        // one; with helpers the failure may come first, but never anything
        // after it.
        if (jobs == 1) {
            EXPECT_EQ(delivered.size(), 10u);
        }
        for (size_t i = 0; i < delivered.size(); ++i)
            EXPECT_EQ(delivered[i], i) << "nothing after the failed slice is handed over";
        EXPECT_LE(delivered.size(), 10u);
    }
}

TEST(RunInOrder, StopsWhenTheReceiverOrACancelSaysSo) {
    for (unsigned jobs : {1u, 3u}) {
        EXPECT_EQ(RunInOrder(
                      1000, jobs, [](size_t) {}, [](size_t i) { return i < 4; }),
                  5u);

        std::atomic<bool> cancel{false};
        std::vector<size_t> delivered;
        const size_t n = RunInOrder(
            1000, jobs, [](size_t) {},
            [&](size_t i) {
                delivered.push_back(i);
                if (i == 9) cancel = true;
                return true;
            },
            &cancel);
        EXPECT_EQ(n, 10u);
        EXPECT_EQ(delivered.size(), 10u);
    }
}
