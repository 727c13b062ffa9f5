#include "core/adding/read_entries.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

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

// The work shared by the threads of one reading: chunks are taken in order
// from a counter, each row is written by exactly one thread into its own
// slot, and a finished chunk is published through its flag.
class Reading {
public:
    Reading(const std::vector<std::string>& paths, const NameTimeOptions& options, int32_t firstSeqNo,
            std::vector<FileEntry>& rows, const std::atomic<bool>* cancel)
        : m_paths(paths), m_options(options), m_firstSeqNo(firstSeqNo), m_rows(rows), m_cancel(cancel),
          m_chunkCount((paths.size() + ChunkRows - 1) / ChunkRows),
          m_done(std::make_unique<std::atomic<bool>[]>(m_chunkCount)) {}

    size_t chunkCount() const { return m_chunkCount; }

    bool stopped() const {
        return m_stop.load(std::memory_order_relaxed) || (m_cancel && m_cancel->load(std::memory_order_relaxed));
    }

    void stop() {
        m_stop.store(true);
        wake();
    }

    // Reads the next untaken chunk; false when none is left or reading stopped.
    bool work() {
        if (stopped()) return false;
        const size_t c = m_nextChunk.fetch_add(1, std::memory_order_relaxed);
        if (c >= m_chunkCount) return false;
        const size_t end = std::min(m_paths.size(), (c + 1) * ChunkRows);
        for (size_t i = c * ChunkRows; i < end; ++i)
            FillEntry(m_rows[i], m_paths[i], m_options, m_firstSeqNo + static_cast<int32_t>(i));
        m_done[c].store(true, std::memory_order_release);
        wake();
        return true;
    }

    void worker() {
        try {
            while (work()) {
            }
        } catch (...) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!m_error) m_error = std::current_exception();
            }
            stop();
        }
    }

    // Makes chunks up to (not including) `chunks` ready, reading some itself
    // while there is work left to take. False when reading stopped first.
    bool waitFor(size_t chunks) {
        while (m_confirmed < chunks) {
            if (m_done[m_confirmed].load(std::memory_order_acquire)) {
                ++m_confirmed;
                continue;
            }
            if (work()) continue;
            if (stopped()) return false;
            // Every chunk is taken; one we wait for is still being read. The
            // time-out only guards against a cancel flag set from outside.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::milliseconds(50),
                            [&] { return m_done[m_confirmed].load(std::memory_order_acquire) || stopped(); });
        }
        return true;
    }

    void rethrow() {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_error) std::rethrow_exception(m_error);
    }

private:
    void wake() {
        { std::lock_guard<std::mutex> lock(m_mutex); }
        m_wake.notify_all();
    }

    const std::vector<std::string>& m_paths;
    const NameTimeOptions& m_options;
    const int32_t m_firstSeqNo;
    std::vector<FileEntry>& m_rows;
    const std::atomic<bool>* m_cancel;
    const size_t m_chunkCount;
    std::unique_ptr<std::atomic<bool>[]> m_done;
    std::atomic<size_t> m_nextChunk{0};
    std::atomic<bool> m_stop{false};
    size_t m_confirmed = 0; // calling thread only
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::exception_ptr m_error;
};

// Stops and joins the helper threads however the calling thread leaves.
class Helpers {
public:
    explicit Helpers(Reading& reading) : m_reading(reading) {}
    ~Helpers() {
        m_reading.stop();
        for (std::thread& t : m_threads)
            t.join();
    }
    void start(unsigned count) {
        for (unsigned i = 0; i < count; ++i) {
            try {
                m_threads.emplace_back([this] { m_reading.worker(); });
            } catch (const std::system_error&) {
                return; // fewer threads: the calling thread still reads everything left
            }
        }
    }

private:
    Reading& m_reading;
    std::vector<std::thread> m_threads;
};

size_t Run(const std::vector<std::string>& paths, const NameTimeOptions& options, int32_t firstSeqNo, unsigned jobs,
           size_t batchSize, std::vector<FileEntry>& rows, const EntryBatchFn& onBatch,
           const std::atomic<bool>* cancel) {
    const size_t total = paths.size();
    if (total == 0) return 0;
    batchSize = std::max<size_t>(batchSize, 1);
    Reading reading(paths, options, firstSeqNo, rows, cancel);
    size_t delivered = 0;
    {
        Helpers helpers(reading);
        const size_t threads = std::min<size_t>(std::max(jobs, 1u), reading.chunkCount());
        helpers.start(static_cast<unsigned>(threads - 1));
        while (delivered < total && !reading.stopped()) {
            const size_t end = std::min(total, delivered + batchSize);
            if (!reading.waitFor((end + ChunkRows - 1) / ChunkRows)) break;
            if (!onBatch(std::span<FileEntry>(rows.data() + delivered, end - delivered), delivered)) {
                delivered = end;
                break;
            }
            delivered = end;
        }
    }
    reading.rethrow();
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
