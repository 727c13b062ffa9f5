// The ordered worker pool: slices done on several threads, handed back in
// order on the calling thread.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/common/run_in_order.h"

using namespace kdx;

namespace {

// A value other threads wait to see change. (Not std::atomic's own wait:
// under the MinGW runtime a wake-up from it was seen lost, and the test hung.)
template <class T>
class Watched {
public:
    explicit Watched(T value) : m_value(value) {}
    void set(T value) {
        {
            const std::lock_guard lock(m_mutex);
            m_value = value;
        }
        m_changed.notify_all();
    }
    T get() const {
        const std::lock_guard lock(m_mutex);
        return m_value;
    }
    void waitWhile(T value) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_value != value; });
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    T m_value;
};

} // namespace

TEST(RunInOrder, HandedOverInOrderWhateverTheThreads) {
    for (unsigned jobs : {1u, 2u, 4u}) {
        std::vector<int> done(50, 0);
        std::vector<size_t> delivered, finished;
        std::mutex finishing;
        std::atomic<int> running{0}, most{0};
        // With helpers, slice 0 finishes only after a later one has: a pool
        // that handed slices over as they finish would put that one first.
        Watched<bool> laterDone{false};
        RunInOrder(
            50, jobs,
            [&](size_t i) {
                const int now = ++running;
                most = std::max(most.load(), now);
                if (i == 0 && jobs > 1) laterDone.waitWhile(false);
                done[i] = 1;
                --running;
                {
                    std::lock_guard<std::mutex> lock(finishing);
                    finished.push_back(i);
                }
                if (i != 0) laterDone.set(true);
            },
            [&](size_t i) {
                EXPECT_EQ(done[i], 1) << "delivered before it was done";
                delivered.push_back(i);
                return true;
            });
        ASSERT_EQ(delivered.size(), 50u) << jobs;
        for (size_t i = 0; i < delivered.size(); ++i)
            EXPECT_EQ(delivered[i], i) << jobs;
        if (jobs > 1) {
            EXPECT_NE(finished.front(), 0u) << "slice 0 was held back";
        }
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

TEST(RunInOrder, AFailureOfTheReceiverStopsTheRunAndComesBack) {
    for (unsigned jobs : {1u, 3u}) {
        const std::thread::id caller = std::this_thread::get_id();
        Watched<bool> thrown{false};
        std::atomic<int> inWork{0};
        std::atomic<size_t> worked{0};
        std::vector<size_t> delivered;
        EXPECT_THROW(RunInOrder(
                         1000, jobs,
                         [&](size_t i) {
                             ++inWork;
                             ++worked;
                             // Helpers past the failing slice are still at it when it fails.
                             if (i > 4 && std::this_thread::get_id() != caller) thrown.waitWhile(false);
                             --inWork;
                         },
                         [&](size_t i) {
                             delivered.push_back(i);
                             if (i == 4) {
                                 thrown.set(true);
                                 throw std::runtime_error("receiver");
                             }
                             return true;
                         }),
                     std::runtime_error);
        EXPECT_EQ(delivered, (std::vector<size_t>{0, 1, 2, 3, 4})) << jobs;
        EXPECT_EQ(inWork.load(), 0) << "came back while a slice was being worked on";
        if (jobs == 1) {
            EXPECT_EQ(worked.load(), 5u) << "worked on after the failure";
        }
    }
}

TEST(RunInOrder, ACancelFromOutsideEndsTheWaitForASliceInProgress) {
    // Two slices on two threads, one each: the helper's runs until the
    // cancel, so the calling thread, done with its own (and with handing
    // over slice 0 when that was its own), waits on it.
    const std::thread::id caller = std::this_thread::get_id();
    std::atomic<bool> cancel{false};
    Watched<bool> callerDone{false}, cancelled{false};
    Watched<size_t> held{2};
    std::thread outside([&] {
        callerDone.waitWhile(false);
        cancel = true;
        cancelled.set(true);
    });
    std::vector<size_t> delivered;
    const size_t n = RunInOrder(
        2, 2,
        [&](size_t i) {
            if (std::this_thread::get_id() == caller) {
                held.waitWhile(2); // until the helper has the other slice
                if (i == 1) callerDone.set(true);
            } else {
                held.set(i);
                cancelled.waitWhile(false);
            }
        },
        [&](size_t i) {
            delivered.push_back(i);
            if (i == 0) callerDone.set(true);
            return true;
        },
        &cancel);
    outside.join();
    // Slice 0 is handed over only when the calling thread did it.
    EXPECT_EQ(delivered, held.get() == 1 ? std::vector<size_t>{0} : std::vector<size_t>{});
    EXPECT_EQ(n, delivered.size());
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
