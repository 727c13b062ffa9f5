// The Win32 platform layer on real files, each result checked through the
// system's own calls rather than through the layer again; and its text and
// path conversions with code pages chosen here. Windows builds only.

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/common/text.h"
#include "core/lists/file_entry.h"
#include "core/lists/snapshot.h"
#include "core/timeops/writer.h"
#include "platform/platform.h"
#include "platform/win32_text.h"
#include "temp_dir.h"

namespace kdx {
namespace {

using win32::CodePageFromUtf8;
using win32::SystemPath;
using win32::Utf8FromCodePage;
using win32::Utf8FromWide;
using win32::WideFromUtf8;

constexpr unsigned Gbk = 936;
constexpr unsigned Western = 1252;

std::wstring W(const std::string& utf8) {
    return *WideFromUtf8(utf8);
}

DWORD Attributes(const std::string& path) {
    return GetFileAttributesW(W(path).c_str());
}

struct Stamps {
    FileTime creation, lastAccess, lastWrite;
};

// The three stamps as the system reports them through an open handle.
Stamps StampsOf(const std::string& path) {
    HANDLE h = CreateFileW(SystemPath(path)->c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << path;
    FILETIME c{}, a{}, w{};
    EXPECT_TRUE(GetFileTime(h, &c, &a, &w));
    CloseHandle(h);
    auto value = [](const FILETIME& t) {
        return FileTime{static_cast<int64_t>((uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime)};
    };
    return Stamps{value(c), value(a), value(w)};
}

std::string Content(const std::string& path) {
    Result<std::string> read = hostPlatform().readWholeFile(path, 1 << 20);
    return read ? *read : "(not read: " + read.error().reason + ")";
}

// The reason a call failed with; "(done)" when it did not fail.
template <class T>
std::string Why(const Result<T>& r) {
    return r ? std::string("(done)") : r.error().reason;
}

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const DirEntry& e : entries)
        names.push_back(e.name);
    return names;
}

const FileTime k2001 = FileTime::fromUnix(978278400, 0);
const FileTime k2005 = FileTime::fromUnix(1115240705, 0);
const FileTime k2010 = FileTime::fromUnix(1262278861, 0);

// --- conversions ---------------------------------------------------------------

TEST(Win32Text, CodePagesHoldOnlyWhatTheyCanGiveBackExactly) {
    EXPECT_EQ(CodePageFromUtf8("C:\\照片\\é.jpg", Gbk), "C:\\\xD5\xD5\xC6\xAC\\\xA8\xA6.jpg");
    EXPECT_EQ(CodePageFromUtf8("C:\\café.jpg", Western), "C:\\caf\xE9.jpg");
    EXPECT_EQ(CodePageFromUtf8("", Gbk), "");
    // Best fit would store 'a' for 'ā' and so name another file.
    EXPECT_FALSE(CodePageFromUtf8("C:\\ā.jpg", Western));
    EXPECT_EQ(CodePageFromUtf8("C:\\ā.jpg", Gbk), "C:\\\xA8\xA1.jpg");
    EXPECT_FALSE(CodePageFromUtf8("C:\\照片.jpg", Western));
    EXPECT_FALSE(CodePageFromUtf8("C:\\😀.jpg", Gbk)) << "no default character either";
    EXPECT_FALSE(CodePageFromUtf8("C:\\\xFF.jpg", Gbk)) << "text that is not UTF-8";
    EXPECT_EQ(CodePageFromUtf8("C:\\😀.jpg", CP_UTF8), "C:\\😀.jpg");
    EXPECT_FALSE(CodePageFromUtf8("a\xED\xA0\x80", CP_UTF8)) << "a lone surrogate has no UTF-8 form";

    EXPECT_EQ(Utf8FromCodePage("C:\\\xD5\xD5\xC6\xAC\\\xA8\xA6.jpg", Gbk), "C:\\照片\\é.jpg");
    EXPECT_EQ(Utf8FromCodePage("caf\xE9", Western), "café");
    // Bytes the code page does not define become U+FFFD each, and the
    // characters around them survive.
    EXPECT_EQ(Utf8FromCodePage("a\xFF\xD5\xD5", Gbk), "a\xEF\xBF\xBD照");
    EXPECT_EQ(Utf8FromCodePage("\xD5", Gbk), "\xEF\xBF\xBD") << "a lead byte cut off at the end";
    EXPECT_EQ(Utf8FromCodePage("a\xC3", CP_UTF8), "a\xEF\xBF\xBD");
}

TEST(Win32Text, NamesWithLoneSurrogatesSurviveTheRoundTrip) {
    const std::wstring name = L"a\xD800z\xDC01";
    const std::string text = Utf8FromWide(name);
    EXPECT_EQ(text, "a\xED\xA0\x80z\xED\xB0\x81");
    EXPECT_EQ(WideFromUtf8(text), name);
    EXPECT_EQ(Utf8FromWide(L"\xD83D\xDE00"), "😀") << "a whole pair is one character";
    EXPECT_FALSE(WideFromUtf8("\xED\xA0\xBD\xED\xB8\x80")) << "a pair has only its four-byte form";
    EXPECT_FALSE(WideFromUtf8("a\xFF"));
    EXPECT_FALSE(WideFromUtf8("\xC0\xAF")) << "overlong";
}

TEST(Win32Text, SystemPathsAreAbsoluteInTheLongForm) {
    EXPECT_EQ(SystemPath("C:/a/b.jpg"), L"\\\\?\\C:\\a\\b.jpg");
    EXPECT_EQ(SystemPath("C:"), L"\\\\?\\C:\\") << "a bare drive is its root";
    EXPECT_EQ(SystemPath("d:\\"), L"\\\\?\\d:\\");
    EXPECT_EQ(SystemPath("\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(SystemPath("\\\\server\\share"), L"\\\\?\\UNC\\server\\share\\");
    EXPECT_EQ(SystemPath("\\\\?\\C:\\a/b"), L"\\\\?\\C:\\a/b") << "the long form is taken as it is";
    EXPECT_FALSE(SystemPath("C:\\\xFF"));
    // Names are kept as they are; only "." and ".." are resolved, never
    // above the root.
    EXPECT_EQ(SystemPath("C:\\a\\.\\x\\..\\b.jpg "), L"\\\\?\\C:\\a\\b.jpg ");
    EXPECT_EQ(SystemPath("C:\\dir.\\CON"), L"\\\\?\\C:\\dir.\\CON");
    EXPECT_EQ(SystemPath("C:\\..\\..\\a..."), L"\\\\?\\C:\\a...");
    EXPECT_EQ(SystemPath("\\\\server\\share\\..\\x"), L"\\\\?\\UNC\\server\\share\\x");
    EXPECT_EQ(SystemPath("C:\\dir\\"), L"\\\\?\\C:\\dir\\") << "a trailing separator stays";

    const std::string part(100, 'p');
    EXPECT_EQ(SystemPath("C:/" + part + "/" + part + "/" + part), W("\\\\?\\C:\\" + part + "\\" + part + "\\" + part));
}

TEST(Win32Text, RelativePathsAreMadeAbsoluteByHand) {
    test::TempDir dir;
    const std::string sub = dir.folder("sub");
    wchar_t before[MAX_PATH];
    ASSERT_NE(GetCurrentDirectoryW(MAX_PATH, before), 0u);
    ASSERT_TRUE(SetCurrentDirectoryW(W(sub).c_str()));
    const std::wstring here = W(StripTrailingBackslashes(sub));
    const std::optional<std::wstring> relative = SystemPath("x\\..\\b. ");
    const std::optional<std::wstring> rooted = SystemPath("\\a");
    const std::optional<std::wstring> onDrive = SystemPath(std::string(1, static_cast<char>(here[0])) + ":a.");
    const std::optional<std::wstring> empty = SystemPath("");
    SetCurrentDirectoryW(before);
    EXPECT_EQ(relative, L"\\\\?\\" + here + L"\\b. ");
    EXPECT_EQ(rooted, L"\\\\?\\" + here.substr(0, 2) + L"\\a");
    EXPECT_EQ(onDrive, L"\\\\?\\" + here + L"\\a.") << "relative to the drive's current folder";
    EXPECT_EQ(empty, L"\\\\?\\" + here) << "the current folder itself";
}

TEST(Win32Text, UpperCaseFollowsTheFileSystem) {
    Platform& p = hostPlatform();
    EXPECT_EQ(p.toUpper("photo-été-фото.jpg"), "PHOTO-ÉTÉ-ФОТО.JPG");
    EXPECT_EQ(p.toUpper("a\xFF"
                        "b\xE4\xB8"),
              "A\xFF"
              "B\xE4\xB8")
        << "bytes that are not UTF-8 stay";
    EXPECT_EQ(p.toUpper("照片"), "照片");
    EXPECT_TRUE(PathsEqual("C:\\Été\\A.JPG", "c:\\éTÉ\\a.jpg"));
    EXPECT_FALSE(PathsEqual("C:\\ß", "C:\\SS")) << "two names on a Windows disk";
}

// --- entries -------------------------------------------------------------------

TEST(Win32Platform, AttributeWordsAreTheSystems) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    const std::string f = dir.file("flags.txt", "x");
    ASSERT_TRUE(
        SetFileAttributesW(W(f).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
    const uint32_t set = attr::Hidden | attr::System | attr::ReadOnly;
    EXPECT_EQ(*p.getAttributes(f) & (set | attr::Directory), set);
    EXPECT_EQ(p.findEntry(f)->attributes, *p.getAttributes(f));
    std::vector<DirEntry> listed;
    ASSERT_TRUE(p.listDirectory(dir.path(), "flags.*", false, listed));
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].attributes, *p.getAttributes(f));

    ASSERT_TRUE(p.setAttributes(f, attr::Archive));
    EXPECT_EQ(Attributes(f) & set, 0u);
    ASSERT_TRUE(p.setAttributes(f, 0)) << "an empty word means a normal file";
    EXPECT_EQ(Attributes(f) & set, 0u);

    // Hidden and system folders are no sub-folders to enter.
    const std::string hidden = dir.folder("hidden");
    const std::string system = dir.folder("system");
    dir.folder("plain");
    ASSERT_TRUE(p.setAttributes(hidden, attr::Directory | attr::Hidden));
    ASSERT_TRUE(p.setAttributes(system, attr::Directory | attr::System));
    EXPECT_EQ(Attributes(hidden) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
              DWORD{FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN});
    std::vector<DirEntry> folders;
    ASSERT_TRUE(p.listDirectory(dir.path(), "*.*", true, folders));
    EXPECT_EQ(Names(folders), std::vector<std::string>{"plain"});
    EXPECT_TRUE(p.folderExists(hidden));
    EXPECT_FALSE(p.fileExists(hidden));
    EXPECT_TRUE(p.fileExists(f));
}

TEST(Win32Platform, ListsInNameOrderIgnoringCaseAndTellsEmptyFromMissing) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    for (const char* n : {"b.JPG", "C.jpg", "a.jpg", "Ä.jpg", "_.txt", "照片.jpg"})
        dir.file(n);
    std::vector<DirEntry> jpg;
    ASSERT_TRUE(p.listDirectory(dir.path(), "*.jpg", false, jpg));
    EXPECT_EQ(Names(jpg), (std::vector<std::string>{"a.jpg", "b.JPG", "C.jpg", "Ä.jpg", "照片.jpg"}));
    std::vector<DirEntry> none;
    EXPECT_TRUE(p.listDirectory(dir.path(), "*.png", false, none)) << "nothing matches: still searched";
    EXPECT_TRUE(none.empty());
    EXPECT_FALSE(p.listDirectory(dir / "missing", "*.*", false, none));
    EXPECT_FALSE(p.listDirectory(dir / "a.jpg", "*.*", false, none)) << "a file is no folder";
    // A wild card in a path is no name on Windows: it must not find others.
    EXPECT_FALSE(p.findEntry(dir / "?.jpg"));
    EXPECT_FALSE(p.findEntry(dir / "*"));
}

TEST(Win32Platform, NamesDifferingInCaseAreOneFile) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    const std::string f = dir.file("Été.JPG", "x");
    const std::string other = dir / "éTÉ.jpg";
    EXPECT_TRUE(PathsEqual(f, other));
    ASSERT_TRUE(p.findEntry(other)) << "the system finds it under either spelling";
    EXPECT_TRUE(p.setFileTime(other, TimeKind::LastWrite, k2005));
    EXPECT_EQ(StampsOf(f).lastWrite, k2005);
    EXPECT_FALSE(PathsEqual(f, dir / "Ete.JPG"));
}

TEST(Win32Platform, SetsOneStampAndLeavesTheOthers) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    for (const std::string& path : {dir.file("a.txt", "x"), dir.folder("sub")}) {
        ASSERT_TRUE(p.setFileTime(path, TimeKind::LastWrite, k2001)) << path;
        ASSERT_TRUE(p.setFileTime(path, TimeKind::LastAccess, k2005)) << path;
        const Stamps before = StampsOf(path);
        EXPECT_EQ(before.lastWrite, k2001) << path;
        EXPECT_EQ(before.lastAccess, k2005) << path;
        ASSERT_TRUE(p.setFileTime(path, TimeKind::LastWrite, k2010));
        const Stamps after = StampsOf(path);
        EXPECT_EQ(after.lastWrite, k2010);
        EXPECT_EQ(after.lastAccess, k2005);
        if (!test::UnderWine()) { // which reports the modification time as the creation time
            EXPECT_EQ(after.creation, before.creation);
        }
        EXPECT_EQ(p.findEntry(path)->lastWrite, k2010);
    }
    EXPECT_FALSE(p.setFileTime(dir / "missing", TimeKind::LastWrite, k2001));
    EXPECT_FALSE(p.setFileTime(dir / "a.txt", TimeKind::LastWrite, FileTime{0})) << "0 would change nothing";
}

TEST(Win32Platform, SetsTheCreationTimeAlone) {
    if (test::UnderWine()) GTEST_SKIP() << "Wine keeps no creation time: it reports the modification time in its place";
    test::TempDir dir;
    Platform& p = hostPlatform();
    ASSERT_TRUE(p.canSetCreationTime());
    const std::string f = dir.file("a.txt", "x");
    test::TempDir::setTimes(f, 1500000000, 1500000100);
    ASSERT_TRUE(p.setFileTime(f, TimeKind::Creation, k2001));
    const Stamps s = StampsOf(f);
    EXPECT_EQ(s.creation, k2001);
    EXPECT_EQ(s.lastWrite, FileTime::fromUnix(1500000000, 0));
    EXPECT_EQ(s.lastAccess, FileTime::fromUnix(1500000100, 0));
    EXPECT_EQ(p.findEntry(f)->creation, k2001);
    EntryTimes texts;
    ASSERT_TRUE(ReadStampTexts(f, texts));
    EXPECT_EQ(texts.CreateTime, "2001-01-01 00:00:00");
}

TEST(Win32Platform, ReadOnlyEntriesAreStampedAndStayReadOnly) {
    test::TempDir dir;
    const std::string file = dir.file("ro.txt", "x");
    const std::string folder = dir.folder("ro-folder");
    for (const std::string& path : {file, folder}) {
        ASSERT_TRUE(SetFileAttributesW(W(path).c_str(), Attributes(path) | FILE_ATTRIBUTE_READONLY));
        const DWORD readOnly = Attributes(path);
        // Wine keeps the bit for files only.
        if (!(test::UnderWine() && path == folder)) {
            EXPECT_TRUE(readOnly & FILE_ATTRIBUTE_READONLY) << path;
        }
        ASSERT_TRUE(WriteFileTime(path, TimeKind::LastWrite, *ParseTimeText("2005-05-05 05:05:05"), true, true))
            << path;
        EXPECT_EQ(StampsOf(path).lastWrite, k2005) << path;
        EXPECT_EQ(Attributes(path), readOnly) << path;
    }
}

TEST(Win32Platform, StampsAFileAnotherProgramHoldsOpenWithoutWriteSharing) {
    test::TempDir dir;
    const std::string f = dir.file("busy.txt", "x");
    HANDLE busy = CreateFileW(W(f).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(hostPlatform().setFileTime(f, TimeKind::LastWrite, k2005));
    const std::string content = Content(f);
    CloseHandle(busy);
    EXPECT_EQ(StampsOf(f).lastWrite, k2005);
    EXPECT_EQ(content, "x");
}

TEST(Win32Platform, ReadingAFileLeavesItsAccessTime) {
    if (test::UnderWine())
        GTEST_SKIP() << "under Wine, Linux moves the access time of a file that is read, and Wine cannot stop it";
    test::TempDir dir;
    const std::string f = dir.file("photo.jpg", std::string(4096, 'x'));
    ASSERT_TRUE(hostPlatform().setFileTime(f, TimeKind::LastAccess, k2001));
    auto file = hostPlatform().openForRead(f);
    ASSERT_TRUE(file);
    char buffer[16];
    EXPECT_EQ((*file)->readAt(100, buffer, sizeof buffer), 16);
    file->reset();
    EXPECT_EQ(StampsOf(f).lastAccess, k2001);
}

TEST(Win32Platform, RenameNeverReplaces) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    const std::string a = dir.file("a.txt", "A");
    const std::string b = dir.file("b.txt", "B");
    const Status moved = p.renameNoReplace(a, b);
    ASSERT_FALSE(moved);
    EXPECT_EQ(moved.error().code, int{ERROR_ALREADY_EXISTS});
    EXPECT_EQ(Content(a), "A");
    EXPECT_EQ(Content(b), "B");
    EXPECT_FALSE(p.renameNoReplace(a, dir / "B.TXT")) << "another spelling of the same name";
    EXPECT_EQ(Content(b), "B");
    const std::string folder = dir.folder("f");
    EXPECT_FALSE(p.renameNoReplace(folder, b));
    EXPECT_TRUE(p.renameNoReplace(a, dir / "c.txt"));
    EXPECT_EQ(Content(dir / "c.txt"), "A");
    EXPECT_EQ(Attributes(a), INVALID_FILE_ATTRIBUTES);
}

TEST(Win32Platform, WholeFileWriteReplacesOnlyWhatItMay) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    const std::string f = dir / "list.kdx";
    ASSERT_TRUE(p.writeWholeFile(f, "one"));
    ASSERT_EQ(Why(p.writeWholeFile(f, "second")), "(done)");
    EXPECT_EQ(Content(f), "second");

    const std::string ro = dir.file("ro.kdx", "keep");
    ASSERT_TRUE(SetFileAttributesW(W(ro).c_str(), FILE_ATTRIBUTE_READONLY));
    const Status readOnly = p.writeWholeFile(ro, "new");
    ASSERT_FALSE(readOnly);
    EXPECT_EQ(readOnly.error().code, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(readOnly.error().reason.empty());
    EXPECT_EQ(Content(ro), "keep");
    EXPECT_FALSE(p.writeWholeFile(dir.folder("folder.kdx"), "x"));
    const Status noFolder = p.writeWholeFile(dir / "missing/x.kdx", "x");
    ASSERT_FALSE(noFolder);
    EXPECT_EQ(noFolder.error().code, ERROR_PATH_NOT_FOUND);

    std::vector<DirEntry> left;
    ASSERT_TRUE(p.listDirectory(dir.path(), "*", false, left));
    EXPECT_EQ(Names(left), (std::vector<std::string>{"folder.kdx", "list.kdx", "ro.kdx"})) << "no temporary file stays";
}

TEST(Win32Platform, LongPathsWorkInEveryCall) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    const std::string part(120, 'd');
    std::string folder = dir.path();
    for (int i = 0; i < 3; ++i) {
        folder += part + std::to_string(i);
        ASSERT_TRUE(CreateDirectoryW(SystemPath(folder)->c_str(), nullptr)) << GetLastError();
        folder += '\\';
    }
    ASSERT_GT(folder.size(), 360u);
    const std::string f = folder + "photo.jpg";
    ASSERT_EQ(Why(p.writeWholeFile(f, "content")), "(done)");
    EXPECT_EQ(Content(f), "content");
    EXPECT_TRUE(p.fileExists(f));
    EXPECT_TRUE(p.folderExists(folder));
    EXPECT_TRUE(p.folderExists(StripTrailingBackslashes(folder)));
    ASSERT_TRUE(p.findEntry(f));
    ASSERT_TRUE(p.setFileTime(f, TimeKind::LastWrite, k2005));
    EXPECT_EQ(p.findEntry(f)->lastWrite, k2005);
    ASSERT_TRUE(p.setAttributes(f, attr::ReadOnly));
    EXPECT_EQ(*p.getAttributes(f) & attr::ReadOnly, attr::ReadOnly);
    ASSERT_TRUE(p.setAttributes(f, attr::Archive));
    std::vector<DirEntry> listed;
    ASSERT_TRUE(p.listDirectory(folder, "*.jpg", false, listed));
    EXPECT_EQ(Names(listed), std::vector<std::string>{"photo.jpg"});
    EXPECT_TRUE(p.openForRead(f));
    std::string slashed = f;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    EXPECT_TRUE(p.fileExists(slashed)) << "'/' separates in the long form too";
    const std::string renamed = folder + "renamed.jpg";
    ASSERT_TRUE(p.renameNoReplace(f, renamed));
    EXPECT_TRUE(p.deleteFile(renamed));
    EXPECT_FALSE(p.fileExists(renamed));
}

// Created and read through the long form directly, as the layer's own
// paths are what is under test.
std::wstring Literal(const std::string& path) {
    return L"\\\\?\\" + W(path);
}

FileTime LastWriteOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(GetFileAttributesExW(Literal(path).c_str(), GetFileExInfoStandard, &data)) << path;
    return FileTime{static_cast<int64_t>((uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) |
                                         data.ftLastWriteTime.dwLowDateTime)};
}

TEST(Win32Platform, NamesEndingInSpaceOrDotAndDeviceNamesAreTheirOwnEntries) {
    test::TempDir dir;
    Platform& p = hostPlatform();
    const std::string plain = dir.file("b.jpg", "x");
    const std::string spaced = dir / "b.jpg ";
    HANDLE h = CreateFileW(Literal(spaced).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    ASSERT_TRUE(p.setFileTime(plain, TimeKind::LastWrite, k2001));
    ASSERT_TRUE(p.setFileTime(spaced, TimeKind::LastWrite, k2005));
    EXPECT_EQ(LastWriteOf(plain), k2001);
    EXPECT_EQ(LastWriteOf(spaced), k2005);
    EXPECT_EQ(p.findEntry(spaced)->lastWrite, k2005);

    const std::string dotted = dir / "dir.";
    ASSERT_TRUE(CreateDirectoryW(Literal(dotted).c_str(), nullptr));
    dir.file("dir/other.jpg");
    h = CreateFileW(Literal(dotted + "\\in.jpg").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    std::vector<DirEntry> listed;
    ASSERT_TRUE(p.listDirectory(dotted, "*.jpg", false, listed));
    EXPECT_EQ(Names(listed), std::vector<std::string>{"in.jpg"});
    EXPECT_TRUE(p.fileExists(dotted + "\\in.jpg"));
    EXPECT_FALSE(p.fileExists(dotted + "\\other.jpg"));

    for (const char* device : {"CON", "nul.txt", "COM1"}) {
        const std::string path = dir / device;
        EXPECT_FALSE(p.findEntry(path)) << device << " is no entry before it is made";
        ASSERT_EQ(Why(p.writeWholeFile(path, device)), "(done)") << device;
        EXPECT_EQ(Content(path), device);
        EXPECT_NE(GetFileAttributesW(Literal(path).c_str()), INVALID_FILE_ATTRIBUTES) << device;
    }
    // Paths given back keep the ordinary form. (Wine's final names drop a
    // trailing space, so only the form is checked there.)
    const auto resolved = p.resolvedPath(spaced);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->substr(0, 2), spaced.substr(0, 2));
    if (!test::UnderWine()) {
        EXPECT_TRUE(PathsEqual(*resolved, spaced)) << *resolved;
    }
}

TEST(Win32Platform, TheRootOfADriveIsAFolder) {
    Platform& p = hostPlatform();
    for (const char* root : {"C:\\", "C:", "c:/"}) {
        const auto info = p.findEntry(root);
        ASSERT_TRUE(info) << root;
        EXPECT_TRUE(info->attributes & attr::Directory) << root;
        EXPECT_TRUE(p.folderExists(root)) << root;
        EXPECT_FALSE(p.fileExists(root)) << root;
    }
    EntryTimes texts;
    EXPECT_TRUE(ReadStampTexts("C:\\", texts)) << "read as \"C:\" after the separator is stripped";
    EXPECT_EQ(texts.WriteTime.size(), 19u);
    std::vector<DirEntry> top;
    EXPECT_TRUE(p.listDirectory("C:", "*", false, top));
    EXPECT_FALSE(top.empty());
}

TEST(Win32Platform, ProgramFolderAndFacts) {
    Platform& p = hostPlatform();
    const std::string folder = p.programFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_TRUE(p.fileExists(folder + "win32_platform_test.exe"));
    EXPECT_EQ(p.separator(), '\\');
    EXPECT_TRUE(p.pathsIgnoreCase());
    EXPECT_TRUE(p.timesNeedWritable());
    EXPECT_TRUE(p.canSetCreationTime());
    EXPECT_FALSE(p.openForRead("NUL"));
    EXPECT_FALSE(p.openForRead(folder));
}

TEST(Win32Platform, NoErrorBoxForARemovedCardAndTheOtherModeBitsStay) {
    const UINT before = GetErrorMode();
    SetErrorMode(SEM_NOGPFAULTERRORBOX);
    hostPlatform().prepareProcess();
    const UINT mode = GetErrorMode();
    SetErrorMode(before);
    EXPECT_EQ(mode, UINT{SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS});
}

TEST(Win32Text, OnlyFatVolumesHaveTheNarrowStampRange) {
    for (const wchar_t* fat : {L"FAT", L"FAT32", L"exFAT"})
        EXPECT_TRUE(win32::HasFatStampRange(fat));
    for (const wchar_t* other : {L"NTFS", L"ReFS", L"UDF", L""})
        EXPECT_FALSE(win32::HasFatStampRange(other));
}

TEST(Win32Platform, CloudOnlyFilesAndBrokenSearchesNeedARealSystem) {
    GTEST_SKIP() << "Wine can neither mark a file as recalled on reading nor break off a directory search, "
                    "write-protect a volume or offer a FAT volume";
}

TEST(Win32Platform, OffsetIsTheOneInForceNow) {
    TIME_ZONE_INFORMATION zone;
    const DWORD which = GetTimeZoneInformation(&zone);
    ASSERT_NE(which, TIME_ZONE_ID_INVALID);
    LONG bias = zone.Bias;
    if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
    EXPECT_EQ(hostPlatform().utcOffsetNow(), -int64_t{bias} * 60);
}

// --- snapshots in the system's code page ------------------------------------------

TEST(Win32Snapshot, NamesAreStoredInTheSystemsCodePageOrNotAtAll) {
    test::TempDir dir;
    const std::string path = dir / "list.kdx";
    FileEntry row;
    row.Name = "C:\\照片\\春节.jpg";
    row.CreateTime = row.WriteTime = row.AccessTime = "2020-01-25 08:00:00";
    row.PhotoTime = row.NameTime = " ";
    if (const auto stored = CodePageFromUtf8(row.Name, GetACP())) {
        ASSERT_EQ(Why(SaveSnapshot(path, {row}, {true})), "(done)");
        const std::string bytes = Content(path);
        EXPECT_NE(bytes.find(*stored), std::string::npos);
        if (GetACP() == Gbk) {
            EXPECT_NE(bytes.find("C:\\\xD5\xD5\xC6\xAC\\"), std::string::npos) << "GBK on disk";
        }
        const Result<Snapshot> loaded = LoadSnapshot(path);
        ASSERT_EQ(Why(loaded), "(done)");
        ASSERT_EQ(loaded->rows.size(), 1u);
        EXPECT_EQ(loaded->rows[0].Name, row.Name);
    }

    // A file another program wrote in GBK reads back as the same names.
    if (GetACP() == Gbk) {
        FileEntry theirs = row;
        theirs.Name = "C:\\\xD5\xD5\xC6\xAC\\\xB4\xBA\xBD\xDA.jpg";
        const std::string written = dir / "theirs.kdx";
        ASSERT_TRUE(hostPlatform().writeWholeFile(written, EncodeSnapshot({theirs}, {false})));
        const Result<Snapshot> loaded = LoadSnapshot(written);
        ASSERT_EQ(Why(loaded), "(done)");
        ASSERT_EQ(loaded->rows.size(), 1u);
        EXPECT_EQ(loaded->rows[0].Name, "C:\\照片\\春节.jpg");
    }

    // No ANSI code page has this character: nothing is written.
    const std::string other = dir / "other.kdx";
    FileEntry foreign = row;
    foreign.Name = "C:\\照片\\😀.jpg";
    const std::string message = Why(SaveSnapshot(other, {row, foreign}, {}));
    EXPECT_NE(message.find("\"C:\\照片\\😀.jpg\""), std::string::npos) << message;
    EXPECT_EQ(Attributes(other), INVALID_FILE_ATTRIBUTES);
}

} // namespace
} // namespace kdx
