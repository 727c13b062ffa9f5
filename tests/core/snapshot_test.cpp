#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include "core/lists/snapshot.h"
#include "fake_platform.h"
#include "temp_dir.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

// --- building files by hand ------------------------------------------------

std::string Hex(std::string_view hex) {
    std::string out;
    std::istringstream in{std::string(hex)};
    unsigned v = 0;
    while (in >> std::hex >> v)
        out.push_back(static_cast<char>(v));
    return out;
}

std::string U16(uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string U32(uint32_t v) {
    std::string out;
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
    return out;
}

std::string Signature(uint16_t version) {
    return U16(0x2045) + U16('V') + U16('T') + U16(version) + U16(' ') + U16(0x2046);
}

std::string Header(int32_t type, int32_t size) {
    return U32(static_cast<uint32_t>(type)) + U32(static_cast<uint32_t>(size));
}

std::string Chunk(int32_t type, const std::string& body) {
    return Header(type, static_cast<int32_t>(body.size())) + body;
}

std::string BaseBody(uint32_t children, uint16_t flags) {
    return U32(children) + U32(20) + U16(flags) + "\x32" + std::string(1, '\0') + std::string(1, '\0') + U32(0);
}

std::string DataBody(std::initializer_list<std::string_view> texts) {
    std::string out;
    for (std::string_view t : texts)
        out += U32(static_cast<uint32_t>(t.size())) + std::string(t);
    return out;
}

std::string PlainData(std::string_view name) {
    return Chunk(4, DataBody({name, "2020-01-01 00:00:00", "2020-01-02 00:00:00", "2020-01-03 00:00:00", " ", " "}));
}

// A version 2 row chunk: base chunk (with any child row chunks), data
// chunk, then any extra chunks.
std::string RowChunk(std::string_view name, uint16_t flags = 0x0081, const std::string& extra = {},
                     const std::vector<std::string>& children = {}) {
    std::string base = BaseBody(static_cast<uint32_t>(children.size()), flags);
    for (const std::string& c : children)
        base += c;
    return Chunk(1, Chunk(2, base) + PlainData(name) + extra);
}

std::string File(uint32_t count, const std::vector<std::string>& rows) {
    std::string out = Signature(2) + U32(count);
    for (const std::string& r : rows)
        out += r;
    return out;
}

FileEntry Entry(std::string name, std::string create, std::string write, std::string access, std::string photo,
                std::string nameTime) {
    FileEntry e;
    e.Name = std::move(name);
    e.CreateTime = std::move(create);
    e.WriteTime = std::move(write);
    e.AccessTime = std::move(access);
    e.PhotoTime = std::move(photo);
    e.NameTime = std::move(nameTime);
    return e;
}

std::vector<std::string> Names(const std::vector<FileEntry>& rows) {
    std::vector<std::string> out;
    for (const FileEntry& e : rows)
        out.push_back(e.Name);
    return out;
}

std::string Error(std::string_view bytes) {
    const Result<Snapshot> r = DecodeSnapshot(bytes);
    return r.has_value() ? "(no error)" : r.error().reason;
}

// --- writing ---------------------------------------------------------------

TEST(SnapshotWriting, OneRowFileByteForByte) {
    const FileEntry row =
        Entry("C:\\a.jpg", "2020-10-31 18:18:18", "2020-10-31 18:18:19", "2020-10-31 18:18:20", " ", " ");
    const std::string expected = Hex("45 20 56 00 54 00 02 00 20 00 46 20" // signature, version 2
                                     " 01 00 00 00"                        // one row
                                     " 01 00 00 00 7C 00 00 00"            // row chunk, 124 bytes
                                     " 02 00 00 00 11 00 00 00"            // base chunk, 17 bytes
                                     " 00 00 00 00 14 00 00 00 81 00 32 00 00 00 00 00 00"
                                     " 04 00 00 00 5B 00 00 00" // data chunk, 91 bytes
                                     " 08 00 00 00") +
                                 "C:\\a.jpg" + Hex("13 00 00 00") + "2020-10-31 18:18:18" + Hex("13 00 00 00") +
                                 "2020-10-31 18:18:19" + Hex("13 00 00 00") + "2020-10-31 18:18:20" +
                                 Hex("01 00 00 00") + " " + Hex("01 00 00 00") + " ";
    ASSERT_EQ(expected.size(), 148u);
    EXPECT_EQ(EncodeSnapshot({row}, {false}), expected);
    EXPECT_EQ(SnapshotSize({row}), 148u);

    std::string selected = expected;
    selected[41] = '\x01'; // flags 0181
    EXPECT_EQ(EncodeSnapshot({row}, {true}), selected);
}

TEST(SnapshotWriting, EmptyListIsSignatureAndZeroCount) {
    const std::string bytes = EncodeSnapshot({}, {});
    EXPECT_EQ(bytes, Hex("45 20 56 00 54 00 02 00 20 00 46 20 00 00 00 00"));
    const Result<Snapshot> r = DecodeSnapshot(bytes);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(r->rows.empty());
    EXPECT_TRUE(r->selected.empty());
}

TEST(SnapshotWriting, RoundTripKeepsOrderTextsBlanksAndSelection) {
    std::vector<FileEntry> rows{
        Entry("/照片/2020年/春节.jpg", "2020-01-25 08:00:00", "2020-01-25 09:00:00", "2021-03-01 10:00:00",
              "2020-01-25 07:59:58", " "),
        Entry("C:\\z.txt", "", "", "", " ", "2019-12-31 23:59:59"),
        Entry("/tmp/a b\tc", "2000-01-01 00:00:00", "2000-01-01 00:00:00", "2000-01-01 00:00:00", " ", " "),
        Entry(std::string("nul\0inside", 10), "x", "y", "z", "", ""),
    };
    rows[0].SeqNo = 4;
    rows[0].DiffMark = 1;
    rows[3].SeqNo = 9;
    // A selection shorter than the list leaves the rest unselected.
    const Result<Snapshot> r = DecodeSnapshot(EncodeSnapshot(rows, {false, true, false}));
    ASSERT_TRUE(r.has_value()) << r.error().reason;
    ASSERT_EQ(r->rows.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        FileEntry want = rows[i];
        want.SeqNo = 0;
        want.DiffMark = 0;
        EXPECT_EQ(r->rows[i], want) << "row " << i;
    }
    EXPECT_EQ(r->selected, (std::vector<bool>{false, true, false, false}));
}

// --- reading what others may have written ---------------------------------

TEST(SnapshotReading, RefusesWithTheMatchingMessage) {
    const std::string good = File(1, {RowChunk("a")});
    EXPECT_EQ(Error(""), SnapshotNotEnoughData);
    EXPECT_EQ(Error(good.substr(0, 11)), SnapshotNotEnoughData);
    for (size_t unit : {0u, 1u, 2u, 5u}) {
        std::string bad = good;
        bad[2 * unit] ^= 0x01;
        EXPECT_EQ(Error(bad), SnapshotWrongFormat) << "unit " << unit;
    }
    for (uint16_t version : std::initializer_list<uint16_t>{3, 0xFFFF}) {
        std::string bad = good;
        bad.replace(6, 2, U16(version));
        EXPECT_EQ(Error(bad), SnapshotUnknownVersion) << version;
    }
    for (size_t cut : {12u, 15u})
        EXPECT_EQ(Error(good.substr(0, cut)), SnapshotReadError) << cut;
    EXPECT_EQ(Error(File(1, {Chunk(2, RowChunk("a"))})), SnapshotAnchorMissing);
    // A data chunk larger than the rest of its row.
    const std::string data = PlainData("a");
    const std::string overlong = Header(4, static_cast<int32_t>(data.size() - 8 + 1)) + data.substr(8);
    EXPECT_EQ(Error(File(1, {Chunk(1, Chunk(2, BaseBody(0, 0x81)) + overlong) + "zz"})), SnapshotDataAfterEnd);
}

TEST(SnapshotReading, IgnoresTheBlankUnitAndTakesFewerRowsThanCounted) {
    std::string bytes = File(5, {RowChunk("a"), RowChunk("b")});
    bytes.replace(8, 2, U16('x'));
    Result<Snapshot> r = DecodeSnapshot(bytes);
    ASSERT_TRUE(r.has_value()) << r.error().reason;
    EXPECT_EQ(Names(r->rows), (std::vector<std::string>{"a", "b"}));

    // A count below the rows present ends the list there.
    r = DecodeSnapshot(File(1, {RowChunk("a"), RowChunk("b")}));
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(Names(r->rows), (std::vector<std::string>{"a"}));
}

TEST(SnapshotReading, SkipsUnknownAndCaptionChunks) {
    const std::string caption = Chunk(3, U16('h') + U16('i'));
    const Result<Snapshot> r =
        DecodeSnapshot(File(3, {RowChunk("a", 0x0081, Chunk(7, "abc")), RowChunk("b", 0x0181, caption),
                                RowChunk("c", 0x0081, Chunk(7, "") + Chunk(-3, "q"))}));
    ASSERT_TRUE(r.has_value()) << r.error().reason;
    EXPECT_EQ(Names(r->rows), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(r->rows[0].AccessTime, "2020-01-03 00:00:00");
    EXPECT_EQ(r->selected, (std::vector<bool>{false, true, false}));
}

TEST(SnapshotReading, SkipsWhatABaseChunkHoldsAfterItsChildren) {
    const std::string base = Chunk(2, BaseBody(1, 0x0181) + RowChunk("/child") + "xyz");
    const Result<Snapshot> r = DecodeSnapshot(File(2, {Chunk(1, base + PlainData("/parent")), RowChunk("/next")}));
    ASSERT_TRUE(r.has_value()) << r.error().reason;
    EXPECT_EQ(Names(r->rows), (std::vector<std::string>{"/parent", "/child", "/next"}));
    EXPECT_EQ(r->selected, (std::vector<bool>{true, false, false}));
}

TEST(SnapshotReading, VersionOneHasNoCountAndAOneByteFlagSet) {
    auto row = [](std::string_view name, uint8_t flags) {
        const std::string body =
            U32(0) + U32(20) + std::string(1, static_cast<char>(flags)) + "\x32" + std::string(5, '\0'); // 15 bytes
        return Chunk(1, Chunk(2, body) + PlainData(name));
    };
    // Bit 7 of the old set means selected.
    const Result<Snapshot> r = DecodeSnapshot(Signature(1) + row("a", 0x81) + row("b", 0x01) + row("c", 0x80));
    ASSERT_TRUE(r.has_value()) << r.error().reason;
    EXPECT_EQ(Names(r->rows), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(r->selected, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(r->rows[2].WriteTime, "2020-01-02 00:00:00");

    // A version 2 reader needs the 17-byte body.
    EXPECT_EQ(Error(Signature(2) + U32(1) + row("a", 0x81)), SnapshotDataAfterEnd);
}

TEST(SnapshotReading, ChildRowsFollowTheirParentDepthFirst) {
    const std::string grandchild = RowChunk("a/1/x", 0x0181);
    const std::string child1 = RowChunk("a/1", 0x0081, {}, {grandchild});
    const std::string child2 = RowChunk("a/2", 0x0181);
    const Result<Snapshot> r = DecodeSnapshot(File(2, {RowChunk("a", 0x00C1, {}, {child1, child2}), RowChunk("b")}));
    ASSERT_TRUE(r.has_value()) << r.error().reason;
    EXPECT_EQ(Names(r->rows), (std::vector<std::string>{"a", "a/1", "a/1/x", "a/2", "b"}));
    EXPECT_EQ(r->selected, (std::vector<bool>{false, false, true, true, false}));
    EXPECT_EQ(r->rows[0].CreateTime, "2020-01-01 00:00:00") << "the parent's data chunk comes after its children";
}

// --- hostile files ----------------------------------------------------------

TEST(SnapshotHostile, EveryTruncationIsAnErrorOrEndsOnARow) {
    const std::vector<FileEntry> rows{Entry("/a", "1", "2", "3", " ", " "), Entry("/bb", "", "", "", "", ""),
                                      Entry("/中文", "x", "y", "z", "p", "n")};
    const std::string full = EncodeSnapshot(rows, {true, false, true});
    std::vector<size_t> rowEnds{16};
    for (const FileEntry& e : rows)
        rowEnds.push_back(rowEnds.back() + static_cast<size_t>(SnapshotSize({e}) - 16));
    ASSERT_EQ(rowEnds.back(), full.size());

    for (size_t cut = 0; cut <= full.size(); ++cut) {
        const Result<Snapshot> r = DecodeSnapshot(std::string_view(full).substr(0, cut));
        const auto whole = std::find(rowEnds.begin(), rowEnds.end(), cut);
        if (whole != rowEnds.end()) {
            const auto n = static_cast<size_t>(whole - rowEnds.begin());
            ASSERT_TRUE(r.has_value()) << cut;
            EXPECT_EQ(r->rows, std::vector<FileEntry>(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(n)));
            EXPECT_EQ(r->selected.size(), n);
        } else {
            ASSERT_FALSE(r.has_value()) << cut;
            EXPECT_EQ(r.error().reason, cut < 12 ? SnapshotNotEnoughData : SnapshotReadError) << cut;
        }
    }

    // Through a file the same.
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\s", attr::Directory);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        fake.addFile("C:\\s\\t.kdx", attr::Archive, full.substr(0, cut));
        const Result<Snapshot> loaded = LoadSnapshot("C:\\s\\t.kdx");
        const bool atRowEnd = std::find(rowEnds.begin(), rowEnds.end(), cut) != rowEnds.end();
        EXPECT_EQ(loaded.has_value(), atRowEnd) << cut;
        if (!loaded) {
            EXPECT_FALSE(loaded.error().reason.empty());
        }
    }
}

TEST(SnapshotHostile, SizesAndCountsOutOfRange) {
    // Counts far above the rows present cost nothing.
    for (uint32_t count : {0x80000000u, 0xFFFFFFFFu}) {
        const Result<Snapshot> r = DecodeSnapshot(File(count, {RowChunk("a")}));
        ASSERT_TRUE(r.has_value());
        EXPECT_EQ(r->rows.size(), 1u);
    }
    const std::string base = Chunk(2, BaseBody(0, 0x81));
    // A row chunk claiming more than the file holds, or a negative size.
    EXPECT_EQ(Error(File(1, {Header(1, 0x7FFFFFFF) + base})), SnapshotReadError);
    EXPECT_EQ(Error(File(1, {Header(1, -8) + base})), SnapshotDataAfterEnd);
    EXPECT_EQ(Error(File(1, {Chunk(1, Header(4, -20) + "xxxx")})), SnapshotDataAfterEnd);
    EXPECT_EQ(Error(File(1, {Chunk(1, Header(7, 0x7FFFFFFF))})), SnapshotReadError);
    // A base chunk too short for its body.
    EXPECT_EQ(Error(File(1, {Chunk(1, Chunk(2, BaseBody(0, 0x81).substr(0, 16)) + "x")})), SnapshotDataAfterEnd);
    // Children that are not there.
    EXPECT_EQ(Error(File(1, {Chunk(1, Chunk(2, BaseBody(0xFFFFFFFF, 0x81)))})), SnapshotReadError);
    EXPECT_EQ(Error(File(1, {Chunk(1, Chunk(2, BaseBody(0xFFFFFFFF, 0x81)) + PlainData("a"))})), SnapshotDataAfterEnd);
    // A child chunk running past its base chunk, though not past the row.
    const std::string child = RowChunk("c");
    std::string shortBase = Header(2, static_cast<int32_t>(17 + child.size() - 1)) + BaseBody(1, 0x81) + child;
    EXPECT_EQ(Error(File(1, {Chunk(1, shortBase)})), SnapshotDataAfterEnd);
}

TEST(SnapshotHostile, TextRunningPastItsDataChunkIsARefusal) {
    // The third length claims far more than the chunk holds; a Name length
    // of FFFFFFFF; a length running past its chunk into the next row.
    const std::string body = DataBody({"/p", "2020-01-01 00:00:00"}) + U32(0xFFFFFFF0) + "2020";
    const std::string row = Chunk(1, Chunk(2, BaseBody(0, 0x181)) + Chunk(4, body));
    EXPECT_EQ(Error(File(2, {row, RowChunk("next")})), SnapshotReadError);
    const std::string name = Chunk(1, Chunk(2, BaseBody(0, 0x81)) + Chunk(4, U32(0xFFFFFFFF) + "/q"));
    EXPECT_EQ(Error(File(1, {name})), SnapshotReadError);
    const std::string into = Chunk(1, Chunk(2, BaseBody(0, 0x81)) + Chunk(4, DataBody({"/q"}) + U32(12) + "abcd"));
    EXPECT_EQ(Error(File(2, {into, RowChunk("after")})), SnapshotReadError);
    // A length cut off by the chunk's end.
    EXPECT_EQ(Error(File(1, {Chunk(1, Chunk(2, BaseBody(0, 0x81)) + Chunk(4, DataBody({"/q"}) + "ab"))})),
              SnapshotReadError);
}

TEST(SnapshotHostile, DataChunkWithFewerTextsKeepsThoseItHas) {
    // A data chunk with only a path, an empty one, and none at all.
    const Result<Snapshot> partial =
        DecodeSnapshot(File(3, {Chunk(1, Chunk(2, BaseBody(0, 0x81)) + Chunk(4, DataBody({"/only"}))),
                                Chunk(1, Chunk(2, BaseBody(0, 0x81)) + Chunk(4, "")), Chunk(1, "")}));
    ASSERT_TRUE(partial.has_value()) << partial.error().reason;
    EXPECT_EQ(partial->rows, (std::vector<FileEntry>{Entry("/only", "", "", "", "", ""), FileEntry{}, FileEntry{}}));
}

TEST(SnapshotHostile, DeepNestingDoesNotExhaustTheStack) {
    // 200000 rows, each the only child of the one before: 33 bytes a level.
    const size_t depth = 200000;
    std::string nested;
    for (size_t i = 0; i < depth; ++i) {
        const auto size = static_cast<int32_t>(33 * (depth - i));
        nested += Header(1, size - 8) + Header(2, size - 16) + BaseBody(i + 1 < depth ? 1 : 0, 0x81);
    }
    const Result<Snapshot> r = DecodeSnapshot(File(1, {nested}));
    ASSERT_TRUE(r.has_value()) << r.error().reason;
    EXPECT_EQ(r->rows.size(), depth);
}

TEST(SnapshotHostile, RowsBeyondTheLimitAreRefused) {
    // Empty 8-byte row chunks: the cheapest rows a file can hold.
    std::string bytes = Signature(2) + U32(0xFFFFFFFF);
    const std::string empty = Header(1, 0);
    bytes.reserve(bytes.size() + (MaxSnapshotRows + 1) * empty.size());
    for (size_t i = 0; i <= MaxSnapshotRows; ++i)
        bytes += empty;
    EXPECT_EQ(Error(bytes), SnapshotTooManyRows);
}

// Inputs that once broke the reader (and a few hostile seeds) must decode
// without harm; those that decode must survive a round trip.
TEST(SnapshotHostile, StoredRegressionInputs) {
    const fs::path folder = fs::path(__FILE__).parent_path().parent_path() / "data" / "snapshot";
    size_t replayed = 0;
    for (const auto& item : fs::directory_iterator(folder)) {
        std::ifstream in(item.path(), std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const Result<Snapshot> r = DecodeSnapshot(bytes);
        if (r.has_value()) {
            ASSERT_EQ(r->rows.size(), r->selected.size()) << item.path();
            const Result<Snapshot> again = DecodeSnapshot(EncodeSnapshot(r->rows, r->selected));
            ASSERT_TRUE(again.has_value()) << item.path();
            EXPECT_EQ(again->rows, r->rows) << item.path();
            EXPECT_EQ(again->selected, r->selected) << item.path();
        } else {
            EXPECT_FALSE(r.error().reason.empty()) << item.path();
        }
        ++replayed;
    }
    EXPECT_GT(replayed, 0u) << folder;
}

// --- files -------------------------------------------------------------------

// The message starts with the program's own words and ends in the system's
// reason: the POSIX text given, or on Windows the system's own wording, in
// the user's language.
void ExpectSystemReason(const std::string& message, const std::string& start, const std::string& posixReason) {
#ifdef _WIN32
    (void)posixReason;
    EXPECT_EQ(message.substr(0, start.size()), start);
    EXPECT_GT(message.size(), start.size()) << "no reason given";
#else
    EXPECT_EQ(message, start + posixReason);
#endif
}

TEST(SnapshotFiles, SaveReplacesAnExistingFileAndLoadReplacesTheList) {
    if (!ToStoredText("文件")) GTEST_SKIP() << "the system's code page holds no Chinese";
    test::TempDir dir;
    const std::string path = dir.file("list.kdx", std::string(5000, 'x'));
    const std::vector<FileEntry> rows{Entry(dir / "a.jpg", "1", "2", "3", " ", " "),
                                      Entry(dir / "文件.txt", "4", "5", "6", "7", "8")};
    const Status saved = SaveSnapshot(path, rows, {false, true}, true);
    ASSERT_TRUE(saved) << saved.error().reason;
    // The file holds the system's 8-bit text: UTF-8 on POSIX, GBK on a
    // Chinese Windows.
    std::vector<FileEntry> stored = rows;
    for (FileEntry& e : stored)
        e.Name = *ToStoredText(e.Name);
    EXPECT_EQ(fs::file_size(path), SnapshotSize(stored));

    const Result<Snapshot> loaded = LoadSnapshot(path);
    ASSERT_TRUE(loaded) << loaded.error().reason;
    EXPECT_EQ(loaded->rows, rows);
    EXPECT_EQ(loaded->selected, (std::vector<bool>{false, true}));
}

TEST(SnapshotFiles, TextsAreStoredInTheSystemsCodePageAndNamesItCannotHoldAreNotSaved) {
    test::FakePlatform fake;
    fake.latin1CodePage = true;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\s");
    const std::string path = "C:\\s\\list.kdx";
    const std::vector<FileEntry> rows{Entry("C:\\s\\café.jpg", "1", "2", "3", " ", " ")};
    ASSERT_TRUE(SaveSnapshot(path, rows, {false}));
    const std::string saved = fake.node(path)->content;
    EXPECT_NE(saved.find("C:\\s\\caf\xE9.jpg"), std::string::npos) << "one byte of the code page for 'é'";
    EXPECT_EQ(saved.find("café"), std::string::npos);
    const Result<Snapshot> loaded = LoadSnapshot(path);
    ASSERT_TRUE(loaded) << loaded.error().reason;
    EXPECT_EQ(loaded->rows, rows);

    // A stand-in character would name another file: such a list is not
    // saved at all, and the file already there is kept.
    const std::vector<FileEntry> foreign{Entry("C:\\s\\a.jpg", "1", "2", "3", " ", " "),
                                         Entry("C:\\s\\照片.jpg", "1", "2", "3", " ", " ")};
    const Status refused = SaveSnapshot(path, foreign, {false, false});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().reason,
              "Cannot create file \"C:\\s\\list.kdx\". The row \"C:\\s\\照片.jpg\" holds text the "
              "system's code page cannot store; nothing was saved.");
    EXPECT_EQ(fake.node(path)->content, saved);
}

// The reason a load or save failed with; "(done)" when it did not fail.
template <class T>
std::string Why(const Result<T>& r) {
    return r ? std::string("(done)") : r.error().reason;
}

TEST(SnapshotFiles, AFileThatCannotBeReadIsNoSnapshotToReplace) {
    test::FakePlatform fake;
    ScopedPlatform use(fake);
    fake.addFolder("C:\\d");
    fake.addFile("C:\\d\\letter.txt", attr::Archive, "Dear ...");
    fake.refused["C:\\d\\letter.txt"] = Failure{5, "Access is denied."};
    EXPECT_FALSE(SaveSnapshot("C:\\d\\letter.txt", {}, {}));
    EXPECT_EQ(fake.node("C:\\d\\letter.txt")->content, "Dear ...");
    EXPECT_TRUE(SaveSnapshot("C:\\d\\new.kdx", {}, {})) << "a new name is no file to keep";
}

TEST(SnapshotFiles, FailuresNameThePath) {
    test::TempDir dir;
    const std::vector<FileEntry> before{Entry("keep", "1", "2", "3", " ", " ")};

    const std::string missing = dir / "missing.kdx";
    ExpectSystemReason(Why(LoadSnapshot(missing)), "Cannot open file \"" + missing + "\". ",
                       "No such file or directory");

    const std::string corrupt = dir.file("corrupt.kdx", File(2, {RowChunk("a"), Header(9, 0)}));
    EXPECT_EQ(Why(LoadSnapshot(corrupt)), SnapshotAnchorMissing);

    // Larger than any snapshot may be: refused unread (the file is sparse).
    const std::string huge = dir.file("huge.kdx");
    fs::resize_file(huge, MaxSnapshotBytes + 1);
    EXPECT_EQ(Why(LoadSnapshot(huge)), "Cannot open file \"" + huge + "\". The file is larger than 1 GiB.");

    // A snapshot the user may not write is not replaced behind its back.
    const std::string readOnly = dir.file("ro.kdx", EncodeSnapshot(before, {true}));
    fs::permissions(readOnly, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
#ifdef _WIN32
    ExpectSystemReason(Why(SaveSnapshot(readOnly, {}, {})), "Cannot create file \"" + readOnly + "\". ", "");
#else
    EXPECT_EQ(Why(SaveSnapshot(readOnly, {}, {})), "Cannot create file \"" + readOnly + "\". Permission denied");
#endif
    EXPECT_EQ(fs::file_size(readOnly), SnapshotSize(before));

    const std::string noFolder = dir / "no/such/folder.kdx";
    ExpectSystemReason(Why(SaveSnapshot(noFolder, before, {})), "Cannot create file \"" + noFolder + "\". ",
                       "No such file or directory");
    EXPECT_FALSE(fs::exists(noFolder));
}

} // namespace
} // namespace kdx
