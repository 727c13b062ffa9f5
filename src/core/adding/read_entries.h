#pragma once

// Building the rows for many new paths: one FileEntry per path, its times
// read on several threads, handed over in the order of the paths.

#include <atomic>
#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/common/report.h"
#include "core/lists/file_entry.h"

namespace kdx {

// One row for path: SeqNo as given, Name the path exactly as it is (a folder
// keeps its trailing separator), the five texts from ReadFileTimes. A path
// whose entry is gone still gets its row, with empty times.
FileEntry ReadEntry(const std::string& path, const NameTimeOptions& options, int32_t seqNo);

// Receives the rows for paths[first, first + batch.size()) on the calling
// thread, batches in order; it may move the rows out. Returning false stops
// the reading.
using EntryBatchFn = std::function<bool(std::span<FileEntry> batch, size_t first)>;

// Rows per batch: small enough that a window appending them between two
// repaints stays responsive, large enough to keep the threads busy.
inline constexpr size_t DefaultEntryBatch = 2048;

// Reads the rows for paths with up to `jobs` threads (the calling thread
// among them; 0 counts as 1) and hands them over batch by batch while the
// other threads read ahead. Row i gets SeqNo firstSeqNo + i, so firstSeqNo is
// the list's row count plus one. Stops early when *cancel becomes true or the
// callback returns false. Returns the number of rows handed over; an
// exception from the callback or from reading propagates once the threads
// are stopped.
size_t ReadEntriesInBatches(const std::vector<std::string>& paths, const NameTimeOptions& options, int32_t firstSeqNo,
                            unsigned jobs, size_t batchSize, const EntryBatchFn& onBatch,
                            const std::atomic<bool>* cancel = nullptr);

// All rows at once, in the order of paths. progress (may be empty) is called
// on the calling thread after every batch with the rows done and the total.
// When cancelled, the result holds the rows of the batches finished so far.
std::vector<FileEntry> ReadEntries(const std::vector<std::string>& paths, const NameTimeOptions& options,
                                   int32_t firstSeqNo, unsigned jobs, const ProgressFn& progress = {},
                                   const std::atomic<bool>* cancel = nullptr);

} // namespace kdx
