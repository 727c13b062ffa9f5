#pragma once

// Work split into slices that several threads take in turn, handed back on
// the calling thread strictly in slice order: rows and output come out in
// the same order whatever the number of threads.

#include <atomic>
#include <cstddef>
#include <functional>

namespace kdx {

// Calls work(i) for every slice i in [0, count) on up to `jobs` threads (the
// calling thread among them; 0 counts as 1), and deliver(i) on the calling
// thread for 0, 1, 2, ... as soon as slice i is done. The run stops early
// when deliver returns false or *cancel becomes true. Returns the number of
// slices delivered. An exception from work or deliver stops the run and is
// rethrown once every thread has stopped; nothing after the failed slice is
// delivered.
size_t RunInOrder(size_t count, unsigned jobs, const std::function<void(size_t)>& work,
                  const std::function<bool(size_t)>& deliver, const std::atomic<bool>* cancel = nullptr);

} // namespace kdx
