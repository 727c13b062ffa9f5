// The cost of adding a large folder tree to a list: scanning it, merging the
// paths and reading every row's times, next to `find` printing the
// modification time of every entry of the same tree (one stat per entry,
// the least any reading of all times can do).
//
// The tree (100 x 10 folders of 100 small files each, 100,000 files whose
// names are no photos and hold no time) is made once per run in the
// temporary folder, or in $KAIRODEX_BENCH_DIR, and removed at exit. With
// KAIRODEX_BENCH_KEEP=1 it stays and a complete tree is reused by the next run
// (for profiling the reading without the making).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/adding/merge.h"
#include "core/adding/read_entries.h"
#include "core/adding/scanner.h"

namespace {

namespace fs = std::filesystem;

constexpr int TopFolders = 100;
constexpr int SubFolders = 10;
constexpr int FilesPerFolder = 100;
constexpr size_t FileCount = size_t{TopFolders} * SubFolders * FilesPerFolder;

class Tree {
public:
    Tree() {
        const char* base = std::getenv("KAIRODEX_BENCH_DIR");
        m_root = (base ? fs::path(base) : fs::temp_directory_path()) / "kairodex-adding-bench";
        m_path = m_root.string();
        const char* keep = std::getenv("KAIRODEX_BENCH_KEEP");
        m_keep = keep && std::string(keep) == "1";
        // The marker lies beside the tree so that it is not scanned with it.
        m_marker = m_root.string() + ".complete";
        if (m_keep && fs::exists(m_marker)) return;
        fs::remove(m_marker);
        fs::remove_all(m_root);
        char name[64];
        for (int t = 0; t < TopFolders; ++t) {
            for (int s = 0; s < SubFolders; ++s) {
                std::snprintf(name, sizeof name, "part%03d/group%02d", t, s);
                const fs::path folder = m_root / name;
                fs::create_directories(folder);
                for (int f = 0; f < FilesPerFolder; ++f) {
                    std::snprintf(name, sizeof name, "note-%c%c-%03d.txt", 'a' + t % 26, 'a' + s, f);
                    std::ofstream(folder / name) << "x";
                }
            }
        }
        std::ofstream(m_marker) << FileCount;
    }
    ~Tree() {
        if (m_keep) return;
        std::error_code ec;
        fs::remove_all(m_root, ec);
        fs::remove(m_marker, ec);
    }
    const std::string& path() const { return m_path; }

private:
    fs::path m_root;
    fs::path m_marker;
    std::string m_path;
    bool m_keep = false;
};

const Tree& TheTree() {
    static const Tree tree;
    return tree;
}

std::vector<std::string> ScanTree() {
    std::vector<std::string> paths;
    kdx::ScanDirectory(TheTree().path(), "*.*", paths, kdx::ScanFlags{.subFolders = true});
    return paths;
}

// User and system seconds of the finished child processes.
double ChildrenCpuSeconds() {
    rusage r{};
    getrusage(RUSAGE_CHILDREN, &r);
    return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) +
           static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

// Wall time as the benchmark's time; the CPU time of find (on a busy machine
// the fairer figure to compare) as the counter find_cpu_ms.
void BM_FindPrintf(benchmark::State& state) {
    const std::string command = "find '" + TheTree().path() + "' -printf '%T@ %p\\n' > /dev/null";
    double cpu = 0;
    for (auto _ : state) {
        const double cpuBefore = ChildrenCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (std::system(command.c_str()) != 0) state.SkipWithError("find failed");
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        cpu += ChildrenCpuSeconds() - cpuBefore;
    }
    state.counters["find_cpu_ms"] = 1000 * cpu / static_cast<double>(state.iterations());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_FindPrintf)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Scan(benchmark::State& state) {
    TheTree();
    for (auto _ : state) {
        std::vector<std::string> paths = ScanTree();
        if (paths.size() != FileCount) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(paths.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_Merge(benchmark::State& state) {
    const std::vector<std::string> scanned = ScanTree();
    for (auto _ : state) {
        std::vector<std::string> pending = kdx::MergeNewPaths(kdx::PathSet{}, scanned);
        benchmark::DoNotOptimize(pending.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_Merge)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_Read(benchmark::State& state) {
    const std::vector<std::string> pending = kdx::MergeNewPaths(kdx::PathSet{}, ScanTree());
    for (auto _ : state) {
        std::vector<kdx::FileEntry> rows = kdx::ReadEntries(pending, {}, 1, static_cast<unsigned>(state.range(0)));
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_Read)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// The whole add: what the window waits for between the dialog and the rows.
void BM_WholeAdd(benchmark::State& state) {
    TheTree();
    for (auto _ : state) {
        std::vector<std::string> pending = kdx::MergeNewPaths(kdx::PathSet{}, ScanTree());
        std::vector<kdx::FileEntry> rows = kdx::ReadEntries(pending, {}, 1, static_cast<unsigned>(state.range(0)));
        if (rows.size() != FileCount) state.SkipWithError("wrong count");
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_WholeAdd)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
