#include <gtest/gtest.h>

#include <stdexcept>

#include "core/adding/read_entries.h"
#include "temp_dir.h"

namespace kdx {
namespace {

using Paths = std::vector<std::string>;

// Files whose modification times tell them apart, a folder with its trailing
// separator and a path whose entry is gone, in a known order.
struct Fixture {
    test::TempDir dir;
    Paths paths;
    explicit Fixture(int files) {
        for (int i = 0; i < files; ++i) {
            const std::string f = dir.file("f" + std::to_string(i) + ".dat");
            test::TempDir::setTimes(f, 1600000000 + i * 61, 1600000000); // UTC; read at UTC+8
            paths.push_back(f);
        }
        paths.insert(paths.begin() + files / 2, dir.folder("sub") + "/");
        paths.push_back(dir / "gone.dat");
    }
};

TEST(ReadEntries, RowsFollowThePathsWhateverTheNumberOfThreads) {
    Fixture fx(700);
    const std::vector<FileEntry> one = ReadEntries(fx.paths, {}, 5, 1, {});
    ASSERT_EQ(one.size(), fx.paths.size());
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(one[i].Name, fx.paths[i]);
        EXPECT_EQ(one[i].SeqNo, static_cast<int32_t>(5 + i));
    }
    EXPECT_EQ(one[0].WriteTime, "2020-09-13 20:26:40");
    EXPECT_EQ(one[1].WriteTime, "2020-09-13 20:27:41");
    EXPECT_EQ(one[fx.paths.size() - 2].WriteTime, "2020-09-14 08:17:19");
    EXPECT_EQ(one[350].Name.back(), '/') << "the folder keeps its separator";
    EXPECT_EQ(one[350].WriteTime.size(), 19u);
    EXPECT_EQ(one.back().WriteTime, "") << "a vanished entry keeps its row";
    EXPECT_EQ(one.back().PhotoTime, " ");
    for (unsigned jobs : {0u, 2u, 3u, 8u})
        EXPECT_EQ(ReadEntries(fx.paths, {}, 5, jobs, {}), one) << jobs;
}

TEST(ReadEntries, ProgressRunsOnTheCallingThreadUpToTheTotal) {
    Paths paths(5000, "/nonexistent/kairodex/x");
    std::vector<size_t> seen;
    const auto caller = std::this_thread::get_id();
    bool onCaller = true;
    const auto rows = ReadEntries(paths, {}, 1, 2, [&](size_t done, size_t total) {
        EXPECT_EQ(total, 5000u);
        onCaller = onCaller && std::this_thread::get_id() == caller;
        seen.push_back(done);
    });
    EXPECT_EQ(rows.size(), 5000u);
    EXPECT_TRUE(onCaller);
    EXPECT_EQ(seen, (std::vector<size_t>{2048, 4096, 5000}));
}

TEST(ReadEntriesInBatches, BatchesArriveInOrderAndCanStopTheReading) {
    Fixture fx(300);
    const size_t total = fx.paths.size(); // 302
    for (unsigned jobs : {1u, 3u}) {
        std::vector<size_t> firsts;
        Paths names;
        const size_t handed =
            ReadEntriesInBatches(fx.paths, {}, 1, jobs, 100, [&](std::span<FileEntry> b, size_t first) {
                firsts.push_back(first);
                for (FileEntry& e : b)
                    names.push_back(std::move(e.Name));
                return true;
            });
        EXPECT_EQ(handed, total);
        EXPECT_EQ(firsts, (std::vector<size_t>{0, 100, 200, 300}));
        EXPECT_EQ(names, fx.paths);

        size_t calls = 0;
        const size_t stopped =
            ReadEntriesInBatches(fx.paths, {}, 1, jobs, 100, [&](std::span<FileEntry>, size_t) { return ++calls < 2; });
        EXPECT_EQ(calls, 2u);
        EXPECT_EQ(stopped, 200u);
    }
}

TEST(ReadEntries, CancelKeepsTheBatchesFinishedSoFar) {
    Paths paths(10000, "/nonexistent/kairodex/x");
    std::atomic<bool> cancel{false};
    const auto rows = ReadEntries(
        paths, {}, 1, 2, [&](size_t, size_t) { cancel = true; }, &cancel);
    EXPECT_EQ(rows.size(), DefaultEntryBatch);
    cancel = true;
    EXPECT_TRUE(ReadEntries(paths, {}, 1, 2, {}, &cancel).empty());
}

TEST(ReadEntriesInBatches, AnExceptionFromTheCallbackStopsTheThreads) {
    Paths paths(3000, "/nonexistent/kairodex/x");
    EXPECT_THROW(ReadEntriesInBatches(paths, {}, 1, 4, 500,
                                      [](std::span<FileEntry>, size_t first) -> bool {
                                          if (first == 1000) throw std::runtime_error("stop");
                                          return true;
                                      }),
                 std::runtime_error);
}

TEST(ReadEntries, NoPathsNoRowsNoCalls) {
    bool called = false;
    EXPECT_TRUE(ReadEntries({}, {}, 1, 4, [&](size_t, size_t) { called = true; }).empty());
    EXPECT_EQ(ReadEntriesInBatches({}, {}, 1, 4, 10, [&](std::span<FileEntry>, size_t) { return called = true; }), 0u);
    EXPECT_FALSE(called);
}

} // namespace
} // namespace kdx
