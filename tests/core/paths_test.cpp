#include <gtest/gtest.h>

#include "core/common/text.h"
#include "fake_platform.h"

namespace kdx {
namespace {

class WindowsPaths : public ::testing::Test {
protected:
    test::FakePlatform fake;
    ScopedPlatform use{fake};
};

TEST_F(WindowsPaths, StripTrailingBackslashes) {
    EXPECT_EQ(StripTrailingBackslashes("C:\\a\\\\"), "C:\\a");
    EXPECT_EQ(StripTrailingBackslashes("C:\\a"), "C:\\a");
    EXPECT_EQ(StripTrailingBackslashes("\\\\\\"), "");
    EXPECT_EQ(StripTrailingBackslashes(""), "");
}

TEST_F(WindowsPaths, AddTrailingBackslash) {
    EXPECT_EQ(AddTrailingBackslash("C:\\a"), "C:\\a\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(AddTrailingBackslash("  "), "");
    EXPECT_EQ(AddTrailingBackslash(" a "), " a \\");
    // A character whose last byte is not a separator byte is never taken for one.
    EXPECT_EQ(AddTrailingBackslash("C:\\表"), "C:\\表\\");
}

TEST_F(WindowsPaths, NamesAndExtensions) {
    EXPECT_EQ(FileNameOf("C:\\a\\b.c.jpg"), "b.c.jpg");
    EXPECT_EQ(ExtensionOf("C:\\a.b\\c"), "");
    EXPECT_EQ(ExtensionOf("C:\\a\\b.c.JPG"), ".JPG");
    EXPECT_EQ(FolderOf("C:\\a\\b.jpg"), "C:\\a\\");
    EXPECT_EQ(FolderOf("b.jpg"), "");
}

TEST_F(WindowsPaths, CompareIgnoringCase) {
    EXPECT_TRUE(PathsEqual("C:\\Photos\\A.JPG", "c:\\photos\\a.jpg"));
    EXPECT_EQ(PathKey("C:\\a"), PathKey("c:\\A"));
}

TEST_F(WindowsPaths, AbsoluteByTextAlone) {
    fake.workingFolder = "C:\\Work\\trip";
    EXPECT_EQ(AbsolutePath("a.jpg"), "C:\\Work\\trip\\a.jpg");
    EXPECT_EQ(AbsolutePath("..\\x/.\\y\\\\z\\"), "C:\\Work\\x\\y\\z\\");
    EXPECT_EQ(AbsolutePath("."), "C:\\Work\\trip");
    EXPECT_EQ(AbsolutePath("D:\\a\\..\\..\\b"), "D:\\b") << "never above the root";
    EXPECT_EQ(AbsolutePath("\\x"), "C:\\x") << "rooted on the current drive";
    EXPECT_EQ(AbsolutePath("c:x"), "C:\\Work\\trip\\x");
    EXPECT_EQ(AbsolutePath("D:x"), "D:\\x");
    EXPECT_EQ(AbsolutePath("\\\\server\\share\\a\\..\\..\\b"), "\\\\server\\share\\b");
    EXPECT_EQ(AbsolutePath("\\\\?\\C:\\a\\..\\b"), "\\\\?\\C:\\a\\..\\b");
    EXPECT_EQ(AbsolutePath(""), "");
}

TEST(PosixPaths, AbsoluteByTextAlone) {
    test::FakePlatform fake;
    fake.sep = '/';
    fake.ignoreCase = false;
    fake.workingFolder = "/home/u/trip";
    ScopedPlatform use(fake);
    EXPECT_EQ(AbsolutePath("a.jpg"), "/home/u/trip/a.jpg");
    EXPECT_EQ(AbsolutePath("../x/./y//z/"), "/home/u/x/y/z/");
    EXPECT_EQ(AbsolutePath("link/.."), "/home/u/trip");
    EXPECT_EQ(AbsolutePath("/../a\\b"), "/a\\b");
    EXPECT_EQ(AbsolutePath("/"), "/");
    fake.workingFolder = "/";
    EXPECT_EQ(AbsolutePath("a"), "/a");
}

TEST(PosixPaths, CompareExactlyAndUseSlash) {
    test::FakePlatform fake;
    fake.sep = '/';
    fake.ignoreCase = false;
    ScopedPlatform use(fake);
    EXPECT_FALSE(PathsEqual("/a/B.jpg", "/a/b.jpg"));
    EXPECT_EQ(StripTrailingBackslashes("/a/b//"), "/a/b");
    EXPECT_EQ(AddTrailingBackslash("/a"), "/a/");
    // A backslash is an ordinary character of a POSIX name.
    EXPECT_EQ(FileNameOf("/a/b\\c"), "b\\c");
}

TEST(Text, TrimAndFold) {
    EXPECT_EQ(Trim("\t a b \r\n"), "a b");
    EXPECT_TRUE(IsBlank(" \t\r\n"));
    EXPECT_FALSE(IsBlank(" x"));
    EXPECT_EQ(CompareAsciiFolded("abc", "ABD"), -1);
    EXPECT_EQ(CompareAsciiFolded("ab", "AB"), 0);
    EXPECT_EQ(CompareAsciiFolded("ab", "abc"), -1);
    // Only ASCII letters fold; other bytes compare as they are.
    EXPECT_NE(CompareAsciiFolded("é", "É"), 0);
}

TEST(Text, ParseInt) {
    long long v = 0;
    EXPECT_TRUE(ParseInt("42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ParseInt("-3", v));
    EXPECT_EQ(v, -3);
    EXPECT_FALSE(ParseInt("abc", v));
    EXPECT_FALSE(ParseInt("", v));
    EXPECT_FALSE(ParseInt("1.5", v));
    EXPECT_FALSE(ParseInt(" 1", v));
}

TEST(HostPlatform, UpperCasesWholeCharacters) {
    Platform& host = hostPlatform();
    EXPECT_EQ(host.toUpper("abc"), "ABC");
    EXPECT_EQ(host.toUpper("straße"), "STRAßE"); // no one-to-many mapping
    EXPECT_EQ(host.toUpper("éà"), "ÉÀ");
    EXPECT_EQ(host.toUpper("照片"), "照片");
    EXPECT_EQ(host.toUpper(std::string("a\xff"
                                       "b")),
              std::string("A\xff"
                          "B"));
}

} // namespace
} // namespace kdx
