// The list pane with a million rows: sorting by a header click (name and a
// time column, both directions), and reading the times of 10,000 files.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/lists/list_ops.h"
#include "gui/filelistview.h"
#include "gui/sysimagelist.h"

namespace {

constexpr size_t Million = 1'000'000;

std::vector<kdx::FileEntry> MakeRows(size_t n) {
    std::vector<kdx::FileEntry> rows(n);
    char buf[96];
    uint32_t x = 12345;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1103515245u + 12345u;
        std::snprintf(buf, sizeof buf, "/home/user/Pictures/%03u/IMG_%08u.jpg", (x >> 8) % 1000, x % 100000000u);
        rows[i].Name = buf;
        std::snprintf(buf, sizeof buf, "20%02u-%02u-%02u %02u:%02u:%02u", (x >> 3) % 25, 1 + (x >> 5) % 12,
                      1 + (x >> 9) % 28, (x >> 13) % 24, (x >> 17) % 60, (x >> 21) % 60);
        rows[i].WriteTime = buf;
        rows[i].CreateTime = buf;
        rows[i].AccessTime = buf;
        rows[i].PhotoTime = i % 3 ? " " : buf;
        rows[i].NameTime = " ";
    }
    return rows;
}

// One header click on a million-row list pane, through the model and view.
void BM_HeaderSort(benchmark::State& state) {
    const int column = static_cast<int>(state.range(0));
    kdx::gui::TSysImageList icons(nullptr);
    kdx::gui::FileListView view(true, &icons, nullptr);
    const std::vector<kdx::FileEntry> rows = MakeRows(Million);
    for (auto _ : state) {
        state.PauseTiming();
        view.rowsModel()->setRows(std::vector<kdx::FileEntry>(rows));
        view.lv1HeaderClick(kdx::ColSeq); // no sort column: the next click sorts ascending
        state.ResumeTiming();
        view.lv1HeaderClick(column);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Million));
}
BENCHMARK(BM_HeaderSort)->Arg(kdx::ColName)->Arg(kdx::ColWrite)->Arg(kdx::ColPhoto)->Unit(benchmark::kMillisecond);

// The sort order alone, without the model.
void BM_SortOrder(benchmark::State& state) {
    const std::vector<kdx::FileEntry> rows = MakeRows(Million);
    for (auto _ : state)
        benchmark::DoNotOptimize(kdx::SortOrder(rows, static_cast<int>(state.range(0)), true));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * Million));
}
BENCHMARK(BM_SortOrder)->Arg(kdx::ColName)->Arg(kdx::ColWrite)->Unit(benchmark::kMillisecond);

void BM_ReadFileTimes10k(benchmark::State& state) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "kairodex-bench-read";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::vector<std::string> paths;
    for (int i = 0; i < 10'000; ++i) {
        paths.push_back((dir / ("file" + std::to_string(i) + ".txt")).string());
        std::ofstream(paths.back()) << i;
    }
    for (auto _ : state) {
        kdx::EntryTimes t;
        for (const std::string& p : paths)
            benchmark::DoNotOptimize(kdx::ReadFileTimes(p, {}, t));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * paths.size()));
    fs::remove_all(dir);
}
BENCHMARK(BM_ReadFileTimes10k)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
