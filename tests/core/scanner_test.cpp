#include <gtest/gtest.h>

#include <filesystem>

#include "core/adding/scanner.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;

Paths Scan(const std::string& folder, std::string_view masks, ScanFlags flags) {
    Paths out;
    ScanDirectory(folder, masks, out, flags);
    return out;
}

constexpr ScanFlags Top{};
constexpr ScanFlags Tree{.subFolders = true};
constexpr ScanFlags TreeWithFolders{.subFolders = true, .includeFolders = true};

TEST(ScanDirectory, FoldersComeBeforeTheirFilesAndSubFoldersAfterThem) {
    test::TempDir dir;
    dir.file("a/x.jpg");
    dir.file("a/b.txt");
    dir.file("a/sub/y.jpg");
    const std::string a = dir / "a";
    auto in = [&](const char* relative) { return a + test::HostPath(relative); };
    const Paths expected{in("/"), in("/x.jpg"), in("/sub/"), in("/sub/y.jpg")};
    EXPECT_EQ(Scan(a, "*.jpg", TreeWithFolders), expected);
    EXPECT_EQ(Scan(in("/"), "*.jpg", TreeWithFolders), expected) << "a trailing separator changes nothing";
    EXPECT_EQ(Scan(a, "*.jpg", Tree), (Paths{in("/x.jpg"), in("/sub/y.jpg")}));
    EXPECT_EQ(Scan(a, "*.jpg", ScanFlags{.includeFolders = true}), (Paths{in("/"), in("/x.jpg")}))
        << "sub-folders are entered only on request";
}

TEST(ScanDirectory, AppendsWithoutClearingOrSorting) {
    test::TempDir dir;
    dir.file("b.txt");
    dir.file("a.txt");
    Paths out{"kept"};
    ScanDirectory(dir.path(), "*.txt", out, Top);
    EXPECT_EQ(out, (Paths{"kept", dir / "a.txt", dir / "b.txt"}));
}

TEST(ScanDirectory, BlankMasksListEveryFileTheStarAloneNone) {
    test::TempDir dir;
    dir.file("a.jpg");
    dir.file("readme");
    dir.folder("sub");
    const Paths all{dir / "a.jpg", dir / "readme"};
    EXPECT_EQ(Scan(dir.path(), "", Top), all);
    EXPECT_EQ(Scan(dir.path(), " \t", Top), all);
    EXPECT_EQ(Scan(dir.path(), "*.*", Top), all) << "files without an extension pass \"*.*\"";
    EXPECT_EQ(Scan(dir.path(), "*", Top), Paths{}) << "no extension occurs in '*'";
    EXPECT_EQ(Scan(dir.path(), "*.jpg", Top), Paths{dir / "a.jpg"}) << "nor in '*.jpg' for readme";
}

TEST(ScanDirectory, OnePassPerMaskInMaskOrder) {
    test::TempDir dir;
    dir.file("b.txt");
    dir.file("a.t");
    dir.file("k.jpg");
    dir.file("IMG_1.JPG");
    EXPECT_EQ(Scan(dir.path(), "*.txt;*.jpg", Top), (Paths{dir / "b.txt", dir / "IMG_1.JPG", dir / "k.jpg"}));
    // The pass for '*' sees every file; '.T' occurs in '*;*.TXT'.
    EXPECT_EQ(Scan(dir.path(), "*;*.txt", Top), (Paths{dir / "a.t", dir / "b.txt", dir / "b.txt"}));
    // A mask's pass searches only for its extension; the mask test decides.
    EXPECT_EQ(Scan(dir.path(), "IMG_*.jpg", Top), (Paths{dir / "IMG_1.JPG", dir / "k.jpg"}));
}

TEST(ScanDirectory, RepeatedExtensionsListFilesTwice) {
    test::TempDir dir;
    dir.file("a.jpg");
    dir.file("b.png");
    const Paths twice{dir / "a.jpg", dir / "a.jpg"};
    EXPECT_EQ(Scan(dir.path(), "*.jpg;IMG*.jpg", Top), twice);
    EXPECT_EQ(Scan(dir.path(), "*.jpg;*.JPG", Top), twice);
    EXPECT_EQ(Scan(dir.path(), "*.jpg;*.*", Top), (Paths{dir / "a.jpg", dir / "a.jpg", dir / "b.png"}));
}

TEST(ScanDirectory, ExtensionsMatchIgnoringAsciiCase) {
    test::TempDir dir;
    dir.file("a.jpg");
    dir.file("b.Jpg");
    dir.file("c.jpeg");
    EXPECT_EQ(Scan(dir.path(), "*.JPG", Top), (Paths{dir / "a.jpg", dir / "b.Jpg"}));
}

TEST(ScanDirectory, HiddenFilesAreListedHiddenFoldersNotEntered) {
    test::TempDir dir;
    test::MarkHidden(dir.file(".hidden.jpg"));
    dir.file(".cache/z.jpg");
    test::MarkHidden(dir / ".cache");
    dir.file("seen/y.jpg");
    EXPECT_EQ(Scan(dir.path(), "*.jpg", TreeWithFolders),
              (Paths{dir.path(), dir / ".hidden.jpg", dir / "seen/", dir / "seen/y.jpg"}));
}

TEST(ScanDirectory, FoldersOnly) {
    test::TempDir dir;
    dir.file("x.jpg");
    dir.file("sub/y.jpg");
    dir.file(".hidden/z.jpg");
    test::MarkHidden(dir / ".hidden");
    EXPECT_EQ(Scan(dir.path(), "*.*", ScanFlags{.subFolders = true, .foldersOnly = true}), Paths{})
        << "without includeFolders nothing is listed";
    EXPECT_EQ(Scan(dir.path(), "*.*", ScanFlags{.subFolders = true, .includeFolders = true, .foldersOnly = true}),
              (Paths{dir.path(), dir / "sub/"}));
}

TEST(ScanDirectory, AFolderThatCannotBeSearchedAddsOnlyItself) {
    test::TempDir dir;
    const std::string missing = dir / "missing";
    EXPECT_EQ(Scan(missing, "*.*", TreeWithFolders), Paths{missing + test::HostSeparator()});
    EXPECT_EQ(Scan(missing, "*.*", Tree), Paths{});
    EXPECT_EQ(Scan("", "*.*", TreeWithFolders), Paths{}) << "a blank folder names nothing";
}

TEST(ScanDirectory, LinksToFoldersAreNeitherEnteredNorListed) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need a privilege on Windows (and Wine makes none); the reparse-point rule is "
                    "checked in ScanDirectory.WindowsAttributesAndBackslashPaths";
#endif
    test::TempDir dir;
    dir.file("outside/o.jpg");
    dir.file("root/r.jpg");
    dir.file("root/sub/s.jpg");
    dir.file("target.jpg");
    fs::create_directory_symlink(dir / "outside", dir / "root/link");
    fs::create_directory_symlink(dir / "root", dir / "root/sub/cycle"); // would loop if followed
    fs::create_symlink(dir / "target.jpg", dir / "root/file-link.jpg");
    fs::create_symlink(dir / "gone.jpg", dir / "root/dangling.jpg");
    const std::string root = dir / "root/";
    EXPECT_EQ(Scan(root, "*.jpg", TreeWithFolders), (Paths{root, root + "dangling.jpg", root + "file-link.jpg",
                                                           root + "r.jpg", root + "sub/", root + "sub/s.jpg"}))
        << "links to files are listed as files";
}

TEST(MatchesMasks, TheExtensionOccursInTheMasksOrTheyHoldStarDotStar) {
    EXPECT_TRUE(MatchesMasks("a.t", "*;*.txt;"));
    EXPECT_TRUE(MatchesMasks("/x/photo.JPG", "*.jpg;"));
    EXPECT_FALSE(MatchesMasks("/x/photo.jpeg", "*.jpg;"));
    EXPECT_FALSE(MatchesMasks("/x/README", "*.txt;"));
    EXPECT_TRUE(MatchesMasks("/x/README", "*.txt;*.*;"));
    EXPECT_TRUE(MatchesMasks("/x/README", "  "));
    EXPECT_FALSE(MatchesMasks("/x.d/README", "*.d;")) << "a dot in the folder is no extension";
}

// Attribute words only a Windows file system produces.
TEST(EntryKinds, DecidedByTheDirectoryReparseAndVolumeBits) {
    auto file = [](uint32_t a) { return IsFileEntry(DirEntry{"n", a}); };
    auto folder = [](uint32_t a) { return IsFolderEntry(DirEntry{"n", a}); };
    for (uint32_t a :
         {0x1u, 0x20u, 0x80u, 0x2021u, 0x2023u, 0x100u, 0x120u, 0x220u, 0x420u, 0x1020u, 0x3126u, 0x4020u, 0x400000u}) {
        EXPECT_TRUE(file(a)) << std::hex << a;
        EXPECT_FALSE(folder(a)) << std::hex << a;
    }
    for (uint32_t a : {0x10u, 0x12u, 0x16u, 0x30u, 0x2010u, 0x6032u, 0x110u}) {
        EXPECT_TRUE(folder(a)) << std::hex << a;
        EXPECT_FALSE(file(a)) << std::hex << a;
    }
    for (uint32_t a : {0x8u, 0x28u, 0x410u, 0x430u}) {
        EXPECT_FALSE(file(a)) << std::hex << a;
        EXPECT_FALSE(folder(a)) << std::hex << a;
    }
    // Only a name surrogate names another entry; a cloud service's synced
    // folder is a reparse point of another kind, and a folder like any other.
    constexpr uint32_t OneDriveTag = 0x9000701A;
    EXPECT_TRUE(IsFolderEntry(DirEntry{"n", 0x410, OneDriveTag}));
    EXPECT_FALSE(IsFolderEntry(DirEntry{"n", 0x410, reparse::MountPoint}));
    EXPECT_FALSE(IsFolderEntry(DirEntry{"n", 0x410, reparse::SymbolicLink}));
    for (const char* dots : {".", ".."}) {
        EXPECT_FALSE(IsFolderEntry(DirEntry{dots, attr::Directory}));
        EXPECT_FALSE(IsFileEntry(DirEntry{dots, attr::Archive}));
    }
}

TEST(ScanDirectory, WindowsAttributesAndBackslashPaths) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\Root");
    fake.addFile("C:\\Root\\a.jpg", 0x2021);  // read-only, not indexed
    fake.addFile("C:\\Root\\b.jpg", 0x100);   // temporary
    fake.addFile("C:\\Root\\c.JPG", 0x2023);  // and hidden
    fake.addFile("C:\\Root\\d.jpg", 0x1420);  // cloud placeholder
    fake.addFile("C:\\Root\\label.jpg", 0x8); // volume label
    fake.addFolder("C:\\Root\\Sub");
    fake.addFile("C:\\Root\\Sub\\e.jpg");
    fake.addFolder("C:\\Root\\Junction", 0x410);
    fake.addFile("C:\\Root\\Junction\\f.jpg");
    fake.addFolder("C:\\Root\\OneDrive", 0x410).reparseTag = 0x9000701A; // synced, files on demand
    fake.addFile("C:\\Root\\OneDrive\\i.jpg", 0x400420);
    fake.addFolder("C:\\Root\\Mount", 0x410).reparseTag = reparse::MountPoint;
    fake.addFile("C:\\Root\\Mount\\j.jpg");
    fake.addFolder("C:\\Root\\Hidden", 0x12);
    fake.addFile("C:\\Root\\Hidden\\g.jpg");
    fake.addFolder("C:\\Root\\System", 0x14);
    fake.addFile("C:\\Root\\System\\h.jpg");
    const Paths expected{"C:\\Root\\",          "C:\\Root\\a.jpg",      "C:\\Root\\b.jpg",           "C:\\Root\\c.JPG",
                         "C:\\Root\\d.jpg",     "C:\\Root\\OneDrive\\", "C:\\Root\\OneDrive\\i.jpg", "C:\\Root\\Sub\\",
                         "C:\\Root\\Sub\\e.jpg"};
    EXPECT_EQ(Scan("C:\\Root", "*.jpg", TreeWithFolders), expected);
    EXPECT_EQ(Scan("C:\\Root\\", "*.jpg", TreeWithFolders), expected);
}

} // namespace
} // namespace kdx
