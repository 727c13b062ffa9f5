// The cost of the whole-list operations on a list of 100,000 rows with
// realistic paths and times: writing and reading a snapshot, the hostile
// worst case of a file made only of empty row chunks, replacing a piece of
// every path (ASCII and Chinese paths), and the clipboard text.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/lists/list_text.h"
#include "core/lists/snapshot.h"

namespace {

constexpr size_t RowCount = 100'000;

std::vector<kdx::FileEntry> MakeRows(bool chinese) {
    std::vector<kdx::FileEntry> rows(RowCount);
    char name[128];
    for (size_t i = 0; i < rows.size(); ++i) {
        if (chinese)
            std::snprintf(name, sizeof name, "/home/用户/照片/二零二零年/第%03zu组/图片-%06zu.jpg", i / 1000, i);
        else
            std::snprintf(name, sizeof name, "/home/user/Pictures/2020/group%03zu/IMG_%06zu.JPG", i / 1000, i);
        rows[i].Name = name;
        rows[i].CreateTime = "2020-10-31 18:18:18";
        rows[i].WriteTime = "2020-11-01 08:00:00";
        rows[i].AccessTime = "2021-01-01 12:34:56";
        rows[i].PhotoTime = i % 2 ? " " : "2020-10-31 18:18:17";
        rows[i].NameTime = " ";
    }
    return rows;
}

const std::vector<bool> Selection(RowCount, false);

void BM_EncodeSnapshot(benchmark::State& state) {
    const auto rows = MakeRows(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(kdx::EncodeSnapshot(rows, Selection));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * RowCount));
}
BENCHMARK(BM_EncodeSnapshot)->Unit(benchmark::kMillisecond);

void BM_DecodeSnapshot(benchmark::State& state) {
    const std::string bytes = kdx::EncodeSnapshot(MakeRows(false), Selection);
    for (auto _ : state)
        benchmark::DoNotOptimize(kdx::DecodeSnapshot(bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * RowCount));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_DecodeSnapshot)->Unit(benchmark::kMillisecond);

// The most rows per byte a file can hold: 8-byte empty row chunks, as many
// as the row limit allows (80 MB).
void BM_DecodeEmptyRowsAtTheLimit(benchmark::State& state) {
    std::string bytes = std::string("\x45\x20\x56\x00\x54\x00\x02\x00\x20\x00\x46\x20\xFF\xFF\xFF\xFF", 16);
    const std::string empty("\x01\x00\x00\x00\x00\x00\x00\x00", 8);
    bytes.reserve(bytes.size() + kdx::MaxSnapshotRows * empty.size());
    for (size_t i = 0; i < kdx::MaxSnapshotRows; ++i)
        bytes += empty;
    for (auto _ : state)
        benchmark::DoNotOptimize(kdx::DecodeSnapshot(bytes));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kdx::MaxSnapshotRows));
}
BENCHMARK(BM_DecodeEmptyRowsAtTheLimit)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReplaceInNames(benchmark::State& state) {
    const bool chinese = state.range(0) != 0;
    const auto original = MakeRows(chinese);
    for (auto _ : state) {
        state.PauseTiming();
        auto rows = original;
        state.ResumeTiming();
        kdx::ReplaceInNames(rows, chinese ? "/HOME/用户/照片/" : "/HOME/USER/pictures/", "/mnt/backup/");
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * RowCount));
}
BENCHMARK(BM_ReplaceInNames)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CopyListText(benchmark::State& state) {
    const auto rows = MakeRows(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(kdx::CopyListText(rows));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * RowCount));
}
BENCHMARK(BM_CopyListText)->Unit(benchmark::kMillisecond);

} // namespace
