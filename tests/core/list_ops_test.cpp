#include <gtest/gtest.h>

#include "core/lists/list_ops.h"

namespace kdx {
namespace {

FileEntry Row(std::string name, std::string write = "2020-01-01 00:00:00", std::string photo = " ") {
    FileEntry e;
    e.Name = std::move(name);
    e.WriteTime = std::move(write);
    e.PhotoTime = std::move(photo);
    return e;
}

std::vector<std::string> Names(const std::vector<FileEntry>& rows, const std::vector<size_t>& order) {
    std::vector<std::string> out;
    for (size_t i : order)
        out.push_back(rows[i].Name);
    return out;
}

TEST(Sort, StableInBothDirections) {
    const std::vector<FileEntry> rows{Row("a", "2020-01-02 00:00:00"), Row("b", "2020-01-01 00:00:00"),
                                      Row("c", "2020-01-02 00:00:00"), Row("d", "2020-01-01 00:00:00")};
    EXPECT_EQ(Names(rows, SortOrder(rows, ColWrite, true)), (std::vector<std::string>{"b", "d", "a", "c"}));
    EXPECT_EQ(Names(rows, SortOrder(rows, ColWrite, false)), (std::vector<std::string>{"a", "c", "b", "d"}));
}

TEST(Sort, BlankPhotoTimeComesFirstAscending) {
    const std::vector<FileEntry> rows{Row("a", "", "2019-01-01 00:00:00"), Row("b", "", " "),
                                      Row("c", "", "2018-01-01 00:00:00")};
    EXPECT_EQ(Names(rows, SortOrder(rows, ColPhoto, true)), (std::vector<std::string>{"b", "c", "a"}));
}

TEST(Sort, FoldsAsciiOnlyAndComparesOtherBytesAsTheyAre) {
    const std::vector<FileEntry> rows{Row("B"), Row("a"), Row("A"), Row("b"), Row("中"), Row("Z")};
    EXPECT_EQ(Names(rows, SortOrder(rows, ColName, true)), (std::vector<std::string>{"a", "A", "B", "b", "Z", "中"}));
    EXPECT_EQ(CompareEntries(Row("x.JPG"), Row("X.jpg"), ColName), 0);
    EXPECT_LT(CompareEntries(Row("ab"), Row("abc"), ColName), 0);
    EXPECT_EQ(CompareEntries(Row("a"), Row("b"), ColSeq), 0) << "column 0 never orders rows";
}

TEST(Move, UpMovesBlocksAndStopsAtTheTop) {
    EXPECT_EQ(MoveUpOrder({false, true, true, false, false}), (std::vector<size_t>{1, 2, 0, 3, 4}));
    EXPECT_EQ(MoveUpOrder({true, true, false, false, false}), (std::vector<size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(MoveUpOrder({true, false, true, false, true}), (std::vector<size_t>{0, 2, 1, 4, 3}));
}

TEST(Move, DownMovesBlocksAndStopsAtTheBottom) {
    EXPECT_EQ(MoveDownOrder({false, true, true, false, false}), (std::vector<size_t>{0, 3, 1, 2, 4}));
    EXPECT_EQ(MoveDownOrder({false, false, false, true, true}), (std::vector<size_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(MoveDownOrder({}), (std::vector<size_t>{}));
}

TEST(Hint, LabelsAndLineBreaks) {
    FileEntry e = Row("C:\\a.jpg", "2020-10-31 18:18:18");
    e.CreateTime = "c";
    e.AccessTime = "a";
    e.NameTime = " ";
    EXPECT_EQ(RowHint(e), "C:\\a.jpg\r\n\r\n创建时间 ：c\r\n修改时间 ：2020-10-31 18:18:18\r\n访问时间 ：a\r\n"
                          "拍摄时间 ： \r\n文件名时间： ");
}

} // namespace
} // namespace kdx
