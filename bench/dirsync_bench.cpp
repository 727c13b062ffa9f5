// Directory sync of two trees of the same layout, next to a bare loop that
// stats each source entry and sets the matching target entry's modification
// and access times with one utimensat (paths known in advance: no scanning,
// no lookup). The trees (folders of 1,000 small files) are made once per run
// in the temporary folder and removed at exit.

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

#include "core/sync/dirsync.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t FilesPerFolder = 1000;

class Trees {
public:
    explicit Trees(size_t count) {
        const fs::path root = fs::temp_directory_path() / ("kairodex-dirsync-bench-" + std::to_string(count));
        m_root = root;
        fs::remove_all(root);
        m_src = (root / "src").string() + "/";
        m_dst = (root / "dst").string() + "/";
        char name[64];
        for (size_t i = 0; i < count; ++i) {
            std::snprintf(name, sizeof name, "folder%03zu/photo-%06zu.jpg", i / FilesPerFolder, i);
            m_relative.push_back(name);
        }
        for (const std::string& base : {m_src, m_dst}) {
            for (size_t f = 0; f * FilesPerFolder < count; ++f) {
                std::snprintf(name, sizeof name, "folder%03zu", f);
                fs::create_directories(base + name);
            }
            for (const std::string& rel : m_relative) {
                const std::string p = base + rel;
                const int fd = ::open(p.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                if (fd >= 0) ::close(fd);
            }
        }
        for (const std::string& rel : m_relative) {
            m_srcPaths.push_back(m_src + rel);
            m_dstPaths.push_back(m_dst + rel);
        }
    }
    ~Trees() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    const std::string& src() const { return m_src; }
    const std::string& dst() const { return m_dst; }
    const std::vector<std::string>& srcPaths() const { return m_srcPaths; }
    const std::vector<std::string>& dstPaths() const { return m_dstPaths; }

private:
    fs::path m_root;
    std::string m_src, m_dst;
    std::vector<std::string> m_relative, m_srcPaths, m_dstPaths;
};

Trees& TreesOf(size_t count) {
    static std::map<size_t, std::unique_ptr<Trees>> trees;
    auto& t = trees[count];
    if (!t) t = std::make_unique<Trees>(count);
    return *t;
}

void Report(benchmark::State& state, size_t files) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * files));
    state.counters["ns_per_file"] =
        benchmark::Counter(static_cast<double>(state.iterations() * files),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

const kdx::TimeKinds kWriteAccess = kdx::TimeKinds::FromChecks(false, true, true);

void BM_BareStatUtimensat(benchmark::State& state) {
    Trees& t = TreesOf(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        for (size_t i = 0; i < t.srcPaths().size(); ++i) {
            struct stat st;
            if (::lstat(t.srcPaths()[i].c_str(), &st) != 0) continue;
            const struct timespec times[2] = {st.st_atim, st.st_mtim};
            benchmark::DoNotOptimize(::utimensat(AT_FDCWD, t.dstPaths()[i].c_str(), times, AT_SYMLINK_NOFOLLOW));
        }
    }
    Report(state, t.srcPaths().size());
}

// The sync itself over lists already scanned.
void BM_SyncDirectories(benchmark::State& state) {
    Trees& t = TreesOf(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            kdx::SyncDirectories(t.src(), t.dst(), true, t.dstPaths(), t.srcPaths(), kWriteAccess));
    Report(state, t.srcPaths().size());
}

// The whole "同步" button: check, scan both trees (folders included), sync.
void BM_SyncDirectoryTrees(benchmark::State& state) {
    Trees& t = TreesOf(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(
            kdx::SyncDirectoryTrees(t.src(), t.dst(), "*.*", kdx::ScanFlags{true, true, false}, kWriteAccess));
    Report(state, t.srcPaths().size());
}

#define FILES Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->MinTime(2.0)
BENCHMARK(BM_BareStatUtimensat)->FILES;
BENCHMARK(BM_SyncDirectories)->FILES;
BENCHMARK(BM_SyncDirectoryTrees)->FILES;

} // namespace
