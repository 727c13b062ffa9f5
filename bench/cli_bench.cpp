// The command line for scripts on 100,000 files: list with the paths as
// arguments against the same paths read from standard input (NUL-separated,
// as find -print0 writes them), and list's text output against --json. The
// program runs in-process; its output goes nowhere.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t FileCount = 100'000;

// 100 folders of 1,000 empty files, made once and removed at exit.
struct Tree {
    fs::path root = fs::temp_directory_path() / "kairodex-cli-bench";
    std::vector<std::string> paths;

    Tree() {
        fs::remove_all(root);
        for (size_t i = 0; i < FileCount; ++i) {
            const fs::path folder = root / ("group" + std::to_string(i / 1000));
            if (i % 1000 == 0) fs::create_directories(folder);
            paths.push_back((folder / ("IMG_" + std::to_string(100000 + i) + ".txt")).string());
            std::ofstream(paths.back()).put('x');
        }
    }
    ~Tree() { fs::remove_all(root); }
};

const Tree& TheTree() {
    static const Tree tree;
    return tree;
}

// Output that costs only its formatting.
class Discard : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

int RunList(const std::vector<std::string>& args, const std::string& input = {}) {
    Discard nothing;
    std::ostream out(&nothing), err(&nothing);
    std::istringstream in(input);
    kdx::cli::Io io{out, err, false, 2};
    io.in = &in;
    return kdx::cli::Run(args, io);
}

void BM_ListPathsAsArguments(benchmark::State& state) {
    std::vector<std::string> args = {"list", "-j", "2"};
    args.insert(args.end(), TheTree().paths.begin(), TheTree().paths.end());
    for (auto _ : state)
        benchmark::DoNotOptimize(RunList(args));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_ListPathsAsArguments)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ListPathsFromStandardInput(benchmark::State& state) {
    std::string list;
    for (const std::string& p : TheTree().paths)
        list += p + '\0';
    for (auto _ : state)
        benchmark::DoNotOptimize(RunList({"list", "-j", "2", "--files-from", "-", "-0"}, list));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_ListPathsFromStandardInput)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ListTreeAsText(benchmark::State& state) {
    const std::string root = TheTree().root.string(); // made before the timing
    for (auto _ : state)
        benchmark::DoNotOptimize(RunList({"list", "-r", "-j", "2", root}));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_ListTreeAsText)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ListTreeAsJson(benchmark::State& state) {
    const std::string root = TheTree().root.string();
    for (auto _ : state)
        benchmark::DoNotOptimize(RunList({"list", "-r", "-j", "2", "--json", root}));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * FileCount));
}
BENCHMARK(BM_ListTreeAsJson)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
