#include <gtest/gtest.h>

#include <algorithm>

#include "core/lists/list_text.h"
#include "core/lists/snapshot.h"
#include "fake_platform.h"

namespace kdx {
namespace {

FileEntry Row(std::string name, std::string photo = " ", std::string nameTime = " ") {
    FileEntry e;
    e.Name = std::move(name);
    e.CreateTime = "2020-10-31 18:18:18";
    e.WriteTime = "2020-10-31 18:18:19";
    e.AccessTime = "2020-10-31 18:18:20";
    e.PhotoTime = std::move(photo);
    e.NameTime = std::move(nameTime);
    return e;
}

std::vector<std::string> Replaced(std::vector<std::string> names, std::string_view search, std::string_view with) {
    std::vector<FileEntry> rows;
    for (auto& n : names)
        rows.push_back(Row(std::move(n)));
    ReplaceInNames(rows, search, with);
    std::vector<std::string> out;
    for (const FileEntry& e : rows)
        out.push_back(e.Name);
    return out;
}

using Names = std::vector<std::string>;

// --- replace -------------------------------------------------------------------

TEST(ReplaceInNames, EveryOccurrenceIgnoringAsciiCaseInsertedAsTyped) {
    test::FakePlatform fake; // Windows-like paths; its upper-casing is ASCII only
    ScopedPlatform use(fake);
    EXPECT_EQ(Replaced({"C:\\Photos\\a.jpg", "c:\\x\\C:\\y", "e:\\c:\\", "C:"}, "c:\\", "d:\\"),
              (Names{"d:\\Photos\\a.jpg", "d:\\x\\d:\\y", "e:\\d:\\", "C:"}));
    // The scan goes on after each replacement and never into inserted text.
    EXPECT_EQ(Replaced({"aXa", "aaa", "AbAb"}, "a", "aA"), (Names{"aAXaA", "aAaAaA", "aAbaAb"}));
    EXPECT_EQ(Replaced({"abab", "aaa", "AaAa"}, "aba", "-"), (Names{"-b", "aaa", "AaAa"}));
    EXPECT_EQ(Replaced({"aaa", "aAaA", "aaaaa"}, "aa", "-"), (Names{"-a", "--", "--a"}));
    EXPECT_EQ(Replaced({"/photos/a.jpg"}, "PHOTOS/", ""), (Names{"/a.jpg"}));
    EXPECT_EQ(Replaced({"/a", ""}, "/a/b", "x"), (Names{"/a", ""}));
}

TEST(ReplaceInNames, EmptySearchOrEmptyListChangesNothing) {
    std::vector<FileEntry> rows{Row("C:\\a"), Row("")};
    const auto before = rows;
    ReplaceInNames(rows, "", "x");
    EXPECT_EQ(rows, before);
    std::vector<FileEntry> none;
    ReplaceInNames(none, "a", "b");
    EXPECT_TRUE(none.empty());
}

TEST(ReplaceInNames, OnlyTheNameChanges) {
    std::vector<FileEntry> rows{Row("/old/a", "2020-01-01 00:00:00", "x")};
    rows[0].SeqNo = 3;
    rows[0].DiffMark = 1;
    FileEntry want = rows[0];
    want.Name = "/new/a";
    ReplaceInNames(rows, "/old/", "/new/");
    EXPECT_EQ(rows[0], want);
}

TEST(ReplaceInNames, FoldsWholeCharactersUnderTheLocale) {
    // The host's upper-casing: whole characters beyond ASCII.
    EXPECT_EQ(Replaced({"/Été/photo.jpg", "/été/ÉTÉ"}, "été", "summer"),
              (Names{"/summer/photo.jpg", "/summer/summer"}));
    EXPECT_EQ(Replaced({"/ФОТО/Фото/фото"}, "фото", "foto"), (Names{"/foto/foto/foto"}));
    EXPECT_EQ(Replaced({"/照片/照片.jpg"}, "照片", "相片"), (Names{"/相片/相片.jpg"}));
#ifndef _WIN32
    // Letters of different width in bytes still match ('ſ' upper-cases to
    // 'S'). Windows folds names by the file system's table, in which 'ſ' and
    // 'S' are two names, as they are on its disks.
    EXPECT_EQ(Replaced({"/ſ/s/S"}, "s", "x"), (Names{"/x/x/x"}));
#endif
}

TEST(ReplaceInNames, NeverMatchesInsideACharacter) {
    // 中 is E4 B8 AD: its trailing bytes are no character of their own.
    EXPECT_EQ(Replaced({"/中/x"}, "\xB8\xAD", "!"), (Names{"/中/x"}));
    EXPECT_EQ(Replaced({"/中/x"}, "/\xE4\xB8", "!"), (Names{"/中/x"}));
    // Bytes that are not UTF-8 in the path are matched as themselves.
    EXPECT_EQ(Replaced({"/a\xB8\xAD/b"}, "\xB8\xAD", "!"), (Names{"/a!/b"}));
    // É is C3 89; a search for the lone lead byte does not split it.
    EXPECT_EQ(Replaced({"/É"}, "\xC3", "x"), (Names{"/É"}));
}

// --- clipboard text -------------------------------------------------------------

TEST(CopyListText, HeaderAndOneLinePerRow) {
    const std::vector<FileEntry> rows{Row("C:\\a.jpg", " ", "2020-10-31 00:00:00"),
                                      Row("C:\\照片\\b.jpg", "2020-10-30 12:00:00", " ")};
    const std::string text = CopyListText(rows);
    EXPECT_EQ(text, "序号\t名称\t创建时间\t修改时间\t访问时间\t拍摄时间\t文件名时间\r\n"
                    "1\tC:\\a.jpg\t2020-10-31 18:18:18\t2020-10-31 18:18:19\t2020-10-31 18:18:20\t\t"
                    "2020-10-31 00:00:00\r\n"
                    "2\tC:\\照片\\b.jpg\t2020-10-31 18:18:18\t2020-10-31 18:18:19\t2020-10-31 18:18:20\t"
                    "2020-10-30 12:00:00\t\r\n");
    // Three lines of seven fields.
    size_t lines = 0;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        const std::string line = text.substr(start, end - start);
        EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 6) << line;
        ++lines;
        start = end + 2;
    }
    EXPECT_EQ(lines, 3u);
    EXPECT_EQ(start, text.size());
}

TEST(CopyListText, PositionsNotSeqNoAndOtherLineEnds) {
    std::vector<FileEntry> rows{Row("b"), Row("a")};
    rows[0].SeqNo = 7;
    rows[1].SeqNo = 3;
    EXPECT_EQ(CopyListText(rows, "\n"), "序号\t名称\t创建时间\t修改时间\t访问时间\t拍摄时间\t文件名时间\n"
                                        "1\tb\t2020-10-31 18:18:18\t2020-10-31 18:18:19\t2020-10-31 18:18:20\t\t\n"
                                        "2\ta\t2020-10-31 18:18:18\t2020-10-31 18:18:19\t2020-10-31 18:18:20\t\t\n");
    EXPECT_EQ(CopyListText({}), "");
}

// --- exchange ----------------------------------------------------------------

TEST(ExchangeLists, SwapsLikeASaveAndLoadOfEachList) {
    std::vector<FileEntry> a{Row("/a1"), Row("/a2", "2020-01-01 00:00:00"), Row("/a3")};
    std::vector<FileEntry> b{Row("/中文/b1")};
    for (FileEntry& e : a) {
        e.SeqNo = 5;
        e.DiffMark = 1;
    }
    b[0].SeqNo = 1;
    std::vector<bool> selA{false, true}; // shorter than its list
    std::vector<bool> selB{true};

    const Result<Snapshot> viaFileA = DecodeSnapshot(EncodeSnapshot(a, selA));
    const Result<Snapshot> viaFileB = DecodeSnapshot(EncodeSnapshot(b, selB));
    ExchangeLists(a, selA, b, selB);
    EXPECT_EQ(a, viaFileB->rows);
    EXPECT_EQ(selA, viaFileB->selected);
    EXPECT_EQ(b, viaFileA->rows);
    EXPECT_EQ(selB, viaFileA->selected);
    EXPECT_EQ(selB, (std::vector<bool>{false, true, false}));

    // Twice restores the texts and order.
    ExchangeLists(a, selA, b, selB);
    EXPECT_EQ(a, viaFileA->rows);
    EXPECT_EQ(b, viaFileB->rows);

    // An empty list takes part too.
    std::vector<FileEntry> empty;
    std::vector<bool> selEmpty;
    ExchangeLists(empty, selEmpty, a, selA);
    EXPECT_EQ(empty.size(), 3u);
    EXPECT_TRUE(a.empty());
    EXPECT_TRUE(selA.empty());
}

} // namespace
} // namespace kdx
