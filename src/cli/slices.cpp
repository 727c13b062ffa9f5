#include "cli/slices.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kdx::cli {

namespace {

class Run {
public:
    Run(size_t count, const std::function<void(size_t)>& work)
        : m_count(count), m_work(work), m_done(std::make_unique<std::atomic<bool>[]>(count)) {}

    // Does the next untaken slice; false when none is left or the run stopped.
    bool step() {
        if (m_stop.load(std::memory_order_relaxed)) return false;
        const size_t i = m_next.fetch_add(1, std::memory_order_relaxed);
        if (i >= m_count) return false;
        try {
            m_work(i);
        } catch (...) {
            fail(std::current_exception());
            return false;
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done[i].store(true, std::memory_order_release);
        }
        m_wake.notify_all();
        return true;
    }

    void worker() {
        while (step()) {
        }
    }

    // Waits until slice i is done, doing slices itself while any are left.
    bool waitFor(size_t i) {
        while (!m_done[i].load(std::memory_order_acquire)) {
            if (step()) continue;
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_done[i].load(std::memory_order_acquire) || stopped(); });
            if (stopped() && !m_done[i].load(std::memory_order_acquire)) return false;
        }
        return true;
    }

    void fail(std::exception_ptr e) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_error) m_error = e;
            m_stop.store(true);
        }
        m_wake.notify_all();
    }

    void stop() {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop.store(true);
        }
        m_wake.notify_all();
    }

    bool stopped() const { return m_stop.load(std::memory_order_relaxed); }

    void rethrow() {
        if (m_error) std::rethrow_exception(m_error);
    }

private:
    const size_t m_count;
    const std::function<void(size_t)>& m_work;
    std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<size_t> m_next{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::exception_ptr m_error;
};

} // namespace

void RunSlicesInOrder(size_t count, unsigned jobs, const std::function<void(size_t)>& work,
                      const std::function<void(size_t)>& deliver) {
    if (count == 0) return;
    Run run(count, work);
    std::vector<std::thread> threads;
    const size_t helpers = std::min<size_t>(std::max(jobs, 1u), count) - 1;
    for (size_t t = 0; t < helpers; ++t) {
        try {
            threads.emplace_back([&run] { run.worker(); });
        } catch (const std::system_error&) {
            break; // fewer threads: the calling thread does the rest
        }
    }
    try {
        for (size_t i = 0; i < count; ++i) {
            if (!run.waitFor(i)) break;
            deliver(i);
        }
    } catch (...) {
        run.fail(std::current_exception());
    }
    run.stop();
    for (std::thread& t : threads)
        t.join();
    run.rethrow();
}

} // namespace kdx::cli
