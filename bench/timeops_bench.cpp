// The cost of writing one time stamp per file over many files, next to a
// bare utimensat loop over the same files (the least any writer can do).
//
// Each benchmark sets the modification time of every file of a flat folder
// of small files made once per run in the temporary folder and removed at
// exit. Per-file cost is reported as ns_per_file.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/journal/journal.h"
#include "core/lists/file_entry.h"
#include "core/timeops/set_times.h"
#include "core/timeops/writer.h"

namespace {

namespace fs = std::filesystem;

class Folder {
public:
    explicit Folder(size_t count) {
        m_root = fs::temp_directory_path() / ("kairodex-timeops-bench-" + std::to_string(count));
        fs::remove_all(m_root);
        fs::create_directories(m_root);
        char name[32];
        for (size_t i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, "note-%06zu.txt", i);
            const std::string p = (m_root / name).string();
            const int fd = ::open(p.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd >= 0) ::close(fd);
            m_paths.push_back(p);
        }
        for (const std::string& p : m_paths) {
            kdx::FileEntry e;
            e.Name = p;
            kdx::EntryTimes t;
            kdx::ReadFileTimes(p, {}, t);
            kdx::AssignTimes(e, std::move(t));
            m_rows.push_back(std::move(e));
            m_all.push_back(m_all.size());
        }
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    const std::vector<std::string>& paths() const { return m_paths; }
    std::vector<kdx::FileEntry>& rows() { return m_rows; }
    const std::vector<size_t>& all() const { return m_all; }

private:
    fs::path m_root;
    std::vector<std::string> m_paths;
    std::vector<kdx::FileEntry> m_rows;
    std::vector<size_t> m_all;
};

Folder& FolderOf(size_t count) {
    static std::map<size_t, std::unique_ptr<Folder>> folders;
    auto& f = folders[count];
    if (!f) f = std::make_unique<Folder>(count);
    return *f;
}

void Report(benchmark::State& state, size_t files) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * files));
    state.counters["ns_per_file"] =
        benchmark::Counter(static_cast<double>(state.iterations() * files),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

const kdx::DateTime kFixed = *kdx::ParseTimeText("2011-02-02 02:02:02");

// The floor: one utimensat per file with the stamp already known.
void BM_BareUtimensat(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    struct timespec times[2];
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = 1296583322;
    times[1].tv_nsec = 0;
    for (auto _ : state) {
        for (const std::string& p : f.paths())
            benchmark::DoNotOptimize(::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW));
    }
    Report(state, f.paths().size());
}

// The floor for copying a file's own stamp: statx for the birth time, then
// utimensat.
void BM_BareStatxUtimensat(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (const std::string& p : f.paths()) {
            struct statx sx;
            if (::statx(AT_FDCWD, p.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &sx) != 0) continue;
            struct timespec times[2];
            times[0].tv_nsec = UTIME_OMIT;
            times[1].tv_sec = sx.stx_btime.tv_sec;
            times[1].tv_nsec = 0;
            benchmark::DoNotOptimize(::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW));
        }
    }
    Report(state, f.paths().size());
}

// What re-reading a row costs, next to the stat it needs: the fixed-value
// command re-reads every row it changed (all five texts).
void BM_BareStatx(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (const std::string& p : f.paths()) {
            struct statx sx;
            benchmark::DoNotOptimize(
                ::statx(AT_FDCWD, p.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &sx));
        }
    }
    Report(state, f.paths().size());
}

void BM_ReadFileTimes(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    kdx::EntryTimes t;
    for (auto _ : state) {
        for (const std::string& p : f.paths())
            benchmark::DoNotOptimize(kdx::ReadFileTimes(p, {}, t));
    }
    Report(state, f.paths().size());
}

void BM_WriteFileTimeFixed(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (const std::string& p : f.paths())
            benchmark::DoNotOptimize(kdx::WriteFileTime(p, kdx::TimeKind::LastWrite, kFixed, true, true));
    }
    Report(state, f.paths().size());
}

// The whole "fixed value" command, including re-reading every row.
void BM_SetTimesFromPickers(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    kdx::PickerValues v;
    v.kinds = kdx::TimeKinds::FromChecks(false, true, false);
    v.lastWrite.value = kFixed;
    for (auto _ : state)
        benchmark::DoNotOptimize(kdx::SetTimesFromPickers(f.rows(), f.all(), v));
    Report(state, f.paths().size());
}

// The same command recorded in the undo journal (in the temporary folder).
void BM_SetTimesFromPickersJournaled(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    const std::string journal = (fs::temp_directory_path() / "kairodex-timeops-bench-journal").string();
    ::setenv("KAIRODEX_JOURNAL", journal.c_str(), 1);
    kdx::PickerValues v;
    v.kinds = kdx::TimeKinds::FromChecks(false, true, false);
    v.lastWrite.value = kFixed;
    for (auto _ : state) {
        auto record = kdx::Journal::Begin("bench");
        if (!record) {
            state.SkipWithError(record.error().reason.c_str());
            break;
        }
        kdx::WriteHooks hooks;
        hooks.journal = record->get();
        hooks.jobs = static_cast<unsigned>(state.range(1));
        const auto failures = kdx::SetTimesFromPickers(f.rows(), f.all(), v, hooks);
        if (!failures || !failures->empty()) {
            state.SkipWithError("a file was not written");
            break;
        }
        benchmark::DoNotOptimize((*record)->finish());
    }
    std::error_code ec;
    fs::remove_all(journal, ec);
    Report(state, f.paths().size());
}

// Source A: each file's own creation time into its modification time.
void BM_SetTimesFromCreation(benchmark::State& state) {
    Folder& f = FolderOf(static_cast<size_t>(state.range(0)));
    kdx::SourceOptions o;
    o.kinds = kdx::TimeKinds::FromChecks(false, true, false);
    for (auto _ : state)
        benchmark::DoNotOptimize(kdx::SetTimesFromSource(f.rows(), f.all(), kdx::TimeSource::Creation, o));
    Report(state, f.paths().size());
}

#define FILES Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->MinTime(2.0)
BENCHMARK(BM_BareUtimensat)->FILES;
BENCHMARK(BM_BareStatxUtimensat)->FILES;
BENCHMARK(BM_BareStatx)->FILES;
BENCHMARK(BM_ReadFileTimes)->FILES;
BENCHMARK(BM_WriteFileTimeFixed)->FILES;
BENCHMARK(BM_SetTimesFromPickers)->FILES;
BENCHMARK(BM_SetTimesFromPickersJournaled)
    ->Args({10'000, 1})
    ->Args({100'000, 1})
    ->Args({10'000, 2})
    ->Args({100'000, 2})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_SetTimesFromCreation)->FILES;

} // namespace
