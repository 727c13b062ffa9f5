#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/adding/merge.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

using Paths = std::vector<std::string>;

TEST(PathSet, FollowsThePlatformsCaseRule) {
    PathSet exact;
    EXPECT_TRUE(exact.insert("/a/X.jpg"));
    EXPECT_FALSE(exact.insert("/a/X.jpg"));
    EXPECT_TRUE(exact.contains("/a/X.jpg"));
    EXPECT_EQ(exact.contains("/a/x.jpg"), hostPlatform().pathsIgnoreCase()) << "Linux names are exact, Windows' not";

    test::FakePlatform fake;
    ScopedPlatform use(fake);
    PathSet folded(Paths{"C:\\A\\X.JPG"});
    EXPECT_TRUE(folded.contains("c:\\a\\x.jpg"));
    EXPECT_FALSE(folded.insert("c:\\A\\x.Jpg"));
    EXPECT_FALSE(folded.contains("C:\\A\\X.JPG\\")) << "paths are whole texts";
    EXPECT_EQ(folded.size(), 1u);
}

TEST(MergeNewPaths, DropsPathsInTheListAndRepeatsEvenForAnEmptyList) {
    EXPECT_EQ(MergeNewPaths(Paths{}, Paths{"/p/b.jpg", "/p/a.jpg", "/p/b.jpg", "/p/a.jpg"}),
              (Paths{"/p/a.jpg", "/p/b.jpg"}));
    EXPECT_EQ(MergeNewPaths(Paths{"/p/a.jpg"}, Paths{"/p/b.jpg", "/p/a.jpg", "/p/b.jpg", "/p/A.jpg"}),
              (hostPlatform().pathsIgnoreCase() ? Paths{"/p/b.jpg"} : Paths{"/p/A.jpg", "/p/b.jpg"}))
        << "on Linux '/p/A.jpg' is another file";
    EXPECT_EQ(MergeNewPaths(Paths{"/p/a.jpg"}, Paths{"/p/a.jpg"}), Paths{});
    EXPECT_EQ(MergeNewPaths(Paths{"/p/a.jpg"}, Paths{}), Paths{});
    EXPECT_EQ(MergeNewPaths(Paths{"/p/a"}, Paths{"/p/a/", "/p/a"}), Paths{"/p/a/"}) << "whole texts";
}

TEST(MergeNewPaths, WindowsNamesDifferingInCaseAreOnePath) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    EXPECT_EQ(MergeNewPaths(Paths{"C:\\A\\X.JPG"}, Paths{"c:\\a\\x.jpg", "C:\\a\\y.jpg", "c:\\A\\Y.JPG"}),
              Paths{"C:\\a\\y.jpg"})
        << "the first spelling of a path wins";
    // Masks '*.jpg;*.JPG' give every photo twice; an empty list takes it once.
    EXPECT_EQ(MergeNewPaths(Paths{}, Paths{"D:\\p\\a.jpg", "D:\\p\\b.jpg", "D:\\p\\a.jpg", "D:\\p\\b.jpg"}),
              (Paths{"D:\\p\\a.jpg", "D:\\p\\b.jpg"}));
}

TEST(SortPathsForAdding, IgnoresCaseAndIsTotal) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    // A folder directly before its files; a sub-folder's files before 'x.jpg'.
    Paths p{"D:\\a\\x.jpg", "D:\\a\\sub\\y.jpg", "D:\\a\\", "D:\\A\\W.JPG"};
    SortPathsForAdding(p);
    EXPECT_EQ(p, (Paths{"D:\\a\\", "D:\\a\\sub\\y.jpg", "D:\\A\\W.JPG", "D:\\a\\x.jpg"}));

    // Spellings of one name end up in one order whatever order they came in.
    Paths forward{"b", "A", "a", "B"}, backward{"B", "a", "A", "b"};
    SortPathsForAdding(forward);
    SortPathsForAdding(backward);
    EXPECT_EQ(forward, (Paths{"A", "a", "B", "b"}));
    EXPECT_EQ(backward, forward);
}

TEST(SortPathsForAdding, FoldsLettersBeyondAsciiUnderTheLocale) {
    // By bytes 'Éb' (C3 89) comes before 'éa' (C3 A9); folded, 'ÉA' before 'ÉB'.
    Paths p{"/x/Éb", "/x/f", "/x/éa"};
    SortPathsForAdding(p);
    EXPECT_EQ(p, (Paths{"/x/f", "/x/éa", "/x/Éb"}));
    EXPECT_EQ(MergeNewPaths(Paths{}, Paths{"/x/Éb", "/x/éa"}), (Paths{"/x/éa", "/x/Éb"}));
}

constexpr ScanFlags Own{};

TEST(DroppedNames, FoldersAreScannedFilesFilteredByTheMasks) {
    test::TempDir dir;
    const std::string folder = dir.folder("drop");
    dir.file("drop/a.jpg");
    dir.file("drop/b.txt");
    dir.file("drop/sub/c.jpg");
    const std::string jpg = dir.file("x.jpg");
    const std::string txt = dir.file("x.txt");
    const std::string hidden = dir.file(".h.jpg");

    EXPECT_EQ(FilterDroppedNames({folder}, "*.jpg", Own), Paths{folder + test::HostPath("/a.jpg")})
        << "a dropped folder is always scanned for its own files";
    EXPECT_EQ(FilterDroppedNames({folder}, "*.jpg", ScanFlags{.includeFolders = true}),
              (Paths{folder + test::HostPath("/"), folder + test::HostPath("/a.jpg")}));
    EXPECT_EQ(FilterDroppedNames({folder}, "*.jpg", ScanFlags{.subFolders = true}),
              (Paths{folder + test::HostPath("/a.jpg"), folder + test::HostPath("/sub/c.jpg")}));

    EXPECT_EQ(FilterDroppedNames({txt, jpg, hidden}, "*.jpg", Own), (Paths{jpg, hidden}));
    for (const char* all : {"*.*", "", "  ", ";"})
        EXPECT_EQ(FilterDroppedNames({txt}, all, Own), Paths{txt}) << '"' << all << '"';
    EXPECT_EQ(FilterDroppedNames({txt}, " *.TXT ", Own), Paths{txt}) << "the filter text is trimmed";
}

TEST(DroppedNames, FoldersOnly) {
    test::TempDir dir;
    const std::string folder = dir.folder("drop");
    dir.file("drop/a.jpg");
    dir.file("drop/sub/c.jpg");
    dir.file("drop/.hidden/d.jpg");
    test::MarkHidden(dir / "drop/.hidden");
    const std::string file = dir.file("x.jpg");
    EXPECT_EQ(FilterDroppedNames({file, folder}, "*.*", ScanFlags{.foldersOnly = true}), Paths{});
    EXPECT_EQ(FilterDroppedNames({file, folder}, "*.*", ScanFlags{.includeFolders = true, .foldersOnly = true}),
              Paths{folder + test::HostPath("/")});
    EXPECT_EQ(FilterDroppedNames({folder}, "*.*", ScanFlags{true, true, true}),
              (Paths{folder + test::HostPath("/"), folder + test::HostPath("/sub/")}));
}

TEST(DroppedNames, ALinkToAFolderIsScannedOnlyWithATrailingSeparator) {
#ifndef _WIN32 // making links on Windows needs a privilege tests do not have
    test::TempDir dir;
    const std::string real = dir.folder("real");
    dir.file("real/a.jpg");
    const std::string link = dir / "link";
    std::filesystem::create_directory_symlink(real, link);
    EXPECT_EQ(FilterDroppedNames({link}, "*.*", Own), Paths{link}) << "the link itself";
    EXPECT_EQ(FilterDroppedNames({link + "/"}, "*.*", Own), Paths{link + "/a.jpg"}) << "the folder it points to";
#endif
    // Cloud folders are reparse points too, but no links: they are entered.
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\OneDrive", attr::Directory | attr::ReparsePoint).reparseTag = 0x9000601A;
    fake.addFile("C:\\OneDrive\\b.jpg");
    fake.addFolder("C:\\Junction", attr::Directory | attr::ReparsePoint).reparseTag = reparse::MountPoint;
    EXPECT_EQ(FilterDroppedNames({"C:\\OneDrive", "C:\\Junction"}, "*.*", Own),
              (Paths{"C:\\OneDrive\\b.jpg", "C:\\Junction"}));
}

TEST(DroppedNames, LongNamesAreUsedWhole) {
    test::TempDir dir;
    const std::string deep = dir.folder(std::string(120, 'd') + "/" + std::string(120, 'e'));
    const std::string file = dir.file(deep.substr(dir.path().size()) + "/" + std::string(60, 'f') + ".jpg");
    ASSERT_GT(file.size(), 300u);
    EXPECT_EQ(FilterDroppedNames({file}, "*.jpg", Own), Paths{file});
    EXPECT_EQ(FilterDroppedNames({deep}, "*.jpg", Own), Paths{file});
}

TEST(DroppedPathsToAdd, SortedWithoutWhatTheListHolds) {
    test::TempDir dir;
    const std::string folder = dir.folder("drop");
    const std::string b = dir.file("drop/b.jpg");
    const std::string a = dir.file("drop/A.jpg");
    EXPECT_EQ(DroppedPathsToAdd({b, folder}, "*.jpg;*.JPG", Own, PathSet{}), (Paths{a, b}))
        << "an empty list takes each path once";
    const PathSet list(Paths{a, b});
    EXPECT_EQ(DroppedPathsToAdd({folder}, "*.jpg", Own, list), Paths{}) << "dropping again adds nothing";
    EXPECT_EQ(DroppedPathsToAdd({dir / "drop/c.txt"}, "*.jpg", Own, PathSet{}), Paths{});
}

TEST(DroppedPathsToAdd, OfTwoSpellingsTheSameWinsWhateverTheDropOrder) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\p");
    const Paths one{"C:\\p\\x.JPG", "c:\\P\\X.jpg"}, other{"c:\\P\\X.jpg", "C:\\p\\x.JPG"};
    const Paths first = DroppedPathsToAdd(one, "*.jpg", Own, PathSet{});
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(DroppedPathsToAdd(other, "*.jpg", Own, PathSet{}), first);
}

} // namespace
} // namespace kdx
