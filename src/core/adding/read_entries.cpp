#include "core/adding/read_entries.h"

#include <algorithm>

#include "core/common/run_in_order.h"

namespace kdx {

namespace {

// Rows one thread takes at a time: enough to make the hand-over cost nothing
// per row, few enough that the threads finish close together.
constexpr size_t ChunkRows = 128;

void FillEntry(FileEntry& e, const std::string& path, const NameTimeOptions& options, int32_t seqNo) {
    e.SeqNo = seqNo;
    e.Name = path;
    EntryTimes times;
    ReadFileTimes(path, options, times);
    AssignTimes(e, std::move(times));
}

size_t Run(const std::vector<std::string>& paths, const NameTimeOptions& options, int32_t firstSeqNo, unsigned jobs,
           size_t batchSize, std::vector<FileEntry>& rows, const EntryBatchFn& onBatch,
           const std::atomic<bool>* cancel) {
    const size_t total = paths.size();
    batchSize = std::max<size_t>(batchSize, 1);
    size_t delivered = 0;
    RunInOrder((total + ChunkRows - 1) / ChunkRows, jobs,
               [&](size_t chunk) {
                   const size_t end = std::min(total, (chunk + 1) * ChunkRows);
                   for (size_t i = chunk * ChunkRows; i < end; ++i)
                       FillEntry(rows[i], paths[i], options, firstSeqNo + static_cast<int32_t>(i));
               },
               [&](size_t chunk) {
                   // The rows read so far go out in whole batches, the last one short.
                   const size_t ready = std::min(total, (chunk + 1) * ChunkRows);
                   while (delivered < ready && (ready - delivered >= batchSize || ready == total)) {
                       const size_t end = std::min(ready, delivered + batchSize);
                       const bool more =
                           onBatch(std::span<FileEntry>(rows.data() + delivered, end - delivered), delivered);
                       delivered = end;
                       if (!more) return false;
                   }
                   return true;
               },
               cancel);
    return delivered;
}

} // namespace

FileEntry ReadEntry(const std::string& path, const NameTimeOptions& options, int32_t seqNo) {
    FileEntry e;
    FillEntry(e, path, options, seqNo);
    return e;
}

size_t ReadEntriesInBatches(const std::vector<std::string>& paths, const NameTimeOptions& options, int32_t firstSeqNo,
                            unsigned jobs, size_t batchSize, const EntryBatchFn& onBatch,
                            const std::atomic<bool>* cancel) {
    std::vector<FileEntry> rows(paths.size());
    return Run(paths, options, firstSeqNo, jobs, batchSize, rows, onBatch, cancel);
}

std::vector<FileEntry> ReadEntries(const std::vector<std::string>& paths, const NameTimeOptions& options,
                                   int32_t firstSeqNo, unsigned jobs, const ProgressFn& progress,
                                   const std::atomic<bool>* cancel) {
    std::vector<FileEntry> rows(paths.size());
    const size_t done = Run(
        paths, options, firstSeqNo, jobs, DefaultEntryBatch, rows,
        [&](std::span<FileEntry> batch, size_t first) {
            if (progress) progress(first + batch.size(), paths.size());
            return true;
        },
        cancel);
    rows.resize(done);
    return rows;
}

} // namespace kdx
