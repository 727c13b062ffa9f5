#include "core/common/run_in_order.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace kdx {

namespace {

// The state shared by the threads of one run: slices are taken in order from
// a counter, each done by exactly one thread, and published through its flag.
class Run {
public:
    Run(size_t count, const std::function<void(size_t)>& work, const std::atomic<bool>* cancel)
        : m_count(count), m_work(work), m_cancel(cancel), m_done(std::make_unique<std::atomic<bool>[]>(count)) {}

    bool stopped() const {
        return m_stop.load(std::memory_order_relaxed) || (m_cancel && m_cancel->load(std::memory_order_relaxed));
    }

    // Does the next untaken slice; false when none is left or the run stopped.
    bool step() {
        if (stopped()) return false;
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
    // False when the run stopped first.
    bool waitFor(size_t i) {
        while (!m_done[i].load(std::memory_order_acquire)) {
            if (step()) continue;
            if (stopped()) return false;
            // Every slice is taken; the one waited for is still being done.
            // The time-out only notices a cancel flag set from outside.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(50),
                            [&] { return m_done[i].load(std::memory_order_acquire) || stopped(); });
        }
        return !stopped();
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

    void rethrow() {
        if (m_error) std::rethrow_exception(m_error);
    }

private:
    const size_t m_count;
    const std::function<void(size_t)>& m_work;
    const std::atomic<bool>* m_cancel;
    std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<size_t> m_next{0};
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::exception_ptr m_error;
};

} // namespace

size_t RunInOrder(size_t count, unsigned jobs, const std::function<void(size_t)>& work,
                  const std::function<bool(size_t)>& deliver, const std::atomic<bool>* cancel) {
    if (count == 0) return 0;
    Run run(count, work, cancel);
    std::vector<std::thread> threads;
    const size_t helpers = std::min<size_t>(std::max(jobs, 1u), count) - 1;
    for (size_t t = 0; t < helpers; ++t) {
        try {
            threads.emplace_back([&run] { run.worker(); });
        } catch (const std::system_error&) {
            break; // fewer threads: the calling thread does the rest
        }
    }
    size_t delivered = 0;
    try {
        while (delivered < count && run.waitFor(delivered)) {
            const bool more = deliver(delivered);
            ++delivered;
            if (!more) break;
        }
    } catch (...) {
        run.fail(std::current_exception());
    }
    run.stop();
    for (std::thread& t : threads)
        t.join();
    run.rethrow();
    return delivered;
}

} // namespace kdx
