// The list pane with a million rows: sorting by a header click (name and a
// time column, both directions), and reading the times of 10,000 files. A
// shown list of 100,300 rows: "全选", "反选", "上移" and "下移" on a selection
// in many pieces, each with the repaint it causes.

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

constexpr size_t ShownRows = 100'300;

// Selections in many pieces: the first half by name, then sorted by time
// (argument 0); every third row (argument 1).
std::vector<bool> Pieces(kdx::gui::FileListView& view, int64_t kind) {
    std::vector<bool> flags(view.rowCount(), false);
    if (kind == 1) {
        for (size_t i = 0; i < flags.size(); i += 3)
            flags[i] = true;
        return flags;
    }
    view.lv1HeaderClick(kdx::ColSeq);
    view.lv1HeaderClick(kdx::ColName);
    std::fill(flags.begin(), flags.begin() + static_cast<std::ptrdiff_t>(flags.size() / 2), true);
    view.setSelectionFlags(flags);
    view.lv1HeaderClick(kdx::ColWrite);
    return view.selectionFlags();
}

template <class Command>
void RunOnShownList(benchmark::State& state, Command command) {
    kdx::gui::TSysImageList icons(nullptr);
    kdx::gui::FileListView view(true, &icons, nullptr);
    view.resize(1300, 600);
    view.show();
    view.rowsModel()->setRows(MakeRows(ShownRows));
    const std::vector<bool> pieces = Pieces(view, state.range(0));
    QApplication::processEvents();
    for (auto _ : state) {
        state.PauseTiming();
        view.setSelectionFlags(pieces);
        QApplication::processEvents();
        state.ResumeTiming();
        command(view);
        QApplication::processEvents(); // the repaint it asked for
    }
}

void BM_SelectAllPieces(benchmark::State& state) {
    RunOnShownList(state, [](kdx::gui::FileListView& v) { v.SelectAllRows(); });
}
void BM_InvertPieces(benchmark::State& state) {
    RunOnShownList(state, [](kdx::gui::FileListView& v) { v.InvertSelection(); });
}
void BM_MoveUpPieces(benchmark::State& state) {
    RunOnShownList(state, [](kdx::gui::FileListView& v) { v.MoveSelectedUp(); });
}
void BM_MoveDownPieces(benchmark::State& state) {
    RunOnShownList(state, [](kdx::gui::FileListView& v) { v.MoveSelectedDown(); });
}
BENCHMARK(BM_SelectAllPieces)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_InvertPieces)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MoveUpPieces)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_MoveDownPieces)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

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
