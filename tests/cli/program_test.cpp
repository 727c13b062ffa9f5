// The built kairodex-cli run on real temporary folders: what it prints on
// standard output and error, its exit status, and the times the files have
// afterwards. The program's path is the first argument of this test.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/filetime.h"
#include "core/lists/file_entry.h"
#include "core/lists/snapshot.h"
#include "exif_builder.h"
#include "json_reader.h"
#include "media_builder.h"
#include "temp_dir.h"

extern char** environ;

namespace kdx {
namespace {

namespace fs = std::filesystem;

std::string g_program;

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the program with args, input on its standard input, both outputs
// captured; in folder when one is given.
Result Cli(const std::vector<std::string>& args, const std::string& folder = {}, const std::string& input = {}) {
    test::TempDir io;
    const std::string inPath = io.file("in", input), outPath = io / "out", errPath = io / "err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> argv;
    argv.push_back(g_program.data());
    std::vector<std::string> copies = args;
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Result r;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, g_program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0) << "cannot start " << g_program;
    if (spawned != 0) return r;
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = Content(outPath);
    r.err = Content(errPath);
    return r;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Every line of out parsed as JSON; a line that is not fails the test.
std::vector<test::Json> JsonLines(const std::string& out) {
    std::vector<test::Json> objects;
    for (const std::string& line : Lines(out)) {
        std::optional<test::Json> o = test::ParseJson(line);
        EXPECT_TRUE(o && o->type == test::Json::Type::Object) << line;
        if (o) objects.push_back(std::move(*o));
    }
    return objects;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

EntryTimes Stamps(const std::string& path) {
    EntryTimes t;
    EXPECT_TRUE(ReadStampTexts(path, t)) << path;
    return t;
}

// Stamps with a sub-second part, as the file system keeps them.
void SetExactTimes(const std::string& path, timespec modified, timespec accessed) {
    const timespec times[2] = {accessed, modified};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

// The undo journal in a folder of a test's own while it lasts.
class JournalIn {
public:
    explicit JournalIn(const std::string& folder) {
        const char* old = std::getenv("KAIRODEX_JOURNAL");
        m_previous = old ? old : "";
        ::setenv("KAIRODEX_JOURNAL", folder.c_str(), 1);
    }
    ~JournalIn() { ::setenv("KAIRODEX_JOURNAL", m_previous.c_str(), 1); }
    JournalIn(const JournalIn&) = delete;
    JournalIn& operator=(const JournalIn&) = delete;

private:
    std::string m_previous;
};

// Local times at UTC+8 (the tests' zone) as seconds since 1970.
constexpr int64_t k2001 = 978278400;      // 2001-01-01 00:00:00
constexpr int64_t k2005 = 1115240705;     // 2005-05-05 05:05:05
constexpr int64_t k20210331 = 1617156000; // 2021-03-31 10:00:00

// A photo whose EXIF shooting time is 2019-05-04 13:22:10.
std::string Photo(bool bigEndian = false) {
    return test::CameraPhoto(bigEndian);
}

const std::string kHeader = "序号\t名称\t创建时间\t修改时间\t访问时间\t拍摄时间\t文件名时间";

// --- the program as a whole ---------------------------------------------------------

TEST(Program, VersionHelpAndBadUsage) {
    Result r = Cli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "kairodex-cli 1.99\n");

    r = Cli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command : {"list", "show", "replace", "photo-time", "name-time", "set", "shift", "sync-pairs",
                                "sync-dir", "rename-wechat"}) {
        EXPECT_NE(r.out.find(std::string("  ") + command + " "), std::string::npos) << command;
        const Result help = Cli({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("用法：kairodex-cli ") + command, 0), 0u) << command << help.out;
        EXPECT_EQ(Cli({"help", command}).out, help.out) << command;
    }
    EXPECT_NE(Cli({"set", "--help"}).out.find("默认 m,a"), std::string::npos)
        << "the default kinds are those Linux can set";

    r = Cli({});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("用法"), std::string::npos);

    r = Cli({"frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("frobnicate"), std::string::npos);

    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"list", "--bogus", f},
             {"list", "--jobs", "0", f},
             {"list", "--filter"},
             {"list"},
             {"set", f},
             {"set", "--to", "2001-01-01", "--from", "modify", f},
             {"set", "--to", "yesterday", f},
             {"set", "--from", "snapshot", f},
             {"set", "--from", "photo", "--no-photo-in-compare", f},
             {"set", "--to", "2001-01-01", "--date-only", "--time-only", f},
             {"set", "--to", "2001-01-01", "--kinds", "x", f},
             {"shift", "--days", "1.5", f},
             {"shift", "--time", "24:00:00", f},
             {"sync-pairs", "a.kdx"},
             {"sync-pairs", "--compare", "--dry-run", "a.kdx", "b.kdx"},
             {"show", "--json", "-0", "a.kdx"},
             {"replace", "--json", "--null", "a", "b", "a.kdx"},
             {"sync-pairs", "--compare", "--json", "-0", "a.kdx", "b.kdx"},
             {"sync-dir", "-n", "--json", "-0", dir.path(), dir.path()},
             {"undo", "--list", "--json", "-0"},
             {"list", "--json", "-0", f},
         }) {
        std::string shown;
        for (const std::string& a : args)
            shown += a + " ";
        r = Cli(args);
        EXPECT_EQ(r.status, 2) << shown;
        EXPECT_TRUE(r.out.empty()) << shown;
        EXPECT_NE(r.err.find("--help"), std::string::npos) << shown << r.err;
    }
    r = Cli({"show", "--json", "-0", "a.kdx"});
    EXPECT_NE(r.err.find("--json 与 -0"), std::string::npos) << "the conflict is named: " << r.err;
}

TEST(Program, CreationTimesCannotBeSetHereSoAskingIsBadUsage) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, k2005, k2005);
    const EntryTimes before = Stamps(f);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"set", "--kinds", "c,m", "--to", "2001-01-01 00:00:00", f},
             {"set", "--kinds", "c", "--to", "2001-01-01 00:00:00", "--dry-run", f},
             {"shift", "--kinds", "cma", "--days", "1", f},
             {"sync-dir", "--kinds", "c", dir.path(), dir.folder("other")},
         }) {
        const Result r = Cli(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("创建时间"), std::string::npos) << r.err;
    }
    const EntryTimes after = Stamps(f);
    EXPECT_EQ(after.WriteTime, before.WriteTime);
    EXPECT_EQ(after.AccessTime, before.AccessTime);
}

// --- list, show and replace ------------------------------------------------------------

class ListTree : public ::testing::Test {
protected:
    void SetUp() override {
        photo = dir.file("IMG_20201031_181818.jpg", Photo());
        text = dir.file("a.txt", "text");
        wechat = dir.file("sub/mmexport1604139498000.jpg", Photo(true));
        sub = dir.path() + "sub/";
        test::TempDir::setTimes(photo, k2001, k2005);
        test::TempDir::setTimes(text, k2005, k2001);
        test::TempDir::setTimes(wechat, k2005, k2005);
    }
    test::TempDir dir;
    std::string photo, text, wechat, sub;
};

TEST_F(ListTree, ListsRowsAsTheListTextWithTheFiveTimes) {
    Result r = Cli({"list", dir.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], kHeader);
    std::vector<std::string> a = Fields(lines[1]), b = Fields(lines[2]);
    ASSERT_EQ(a.size(), 7u);
    ASSERT_EQ(b.size(), 7u);
    // Sorted ignoring case: 'a.txt' before 'IMG_...'; the folder itself only with --include-folders.
    EXPECT_EQ(a[0], "1");
    EXPECT_EQ(a[1], text);
    EXPECT_EQ(a[3], "2005-05-05 05:05:05");
    EXPECT_EQ(a[4], "2001-01-01 00:00:00");
    EXPECT_EQ(a[5], "") << "no photo time: an empty field";
    EXPECT_EQ(a[6], "");
    EXPECT_TRUE(ParseTimeText(a[2])) << a[2];
    EXPECT_EQ(b[0], "2");
    EXPECT_EQ(b[1], photo);
    EXPECT_EQ(b[3], "2001-01-01 00:00:00");
    EXPECT_EQ(b[4], "2005-05-05 05:05:05");
    EXPECT_EQ(b[5], "2019-05-04 13:22:10");
    EXPECT_EQ(b[6], "2020-10-31 18:18:18");
    EXPECT_EQ(r.out.find('\r'), std::string::npos) << "plain \\n line ends";

    r = Cli({"list", "-r", "--include-folders", "--filter", "*.jpg", "--no-wechat", dir.path()});
    lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(Fields(lines[1])[1], dir.path());
    EXPECT_EQ(Fields(lines[2])[1], photo);
    EXPECT_EQ(Fields(lines[3])[1], sub);
    EXPECT_EQ(Fields(lines[4])[1], wechat);
    EXPECT_EQ(Fields(lines[4])[5], "2019-05-04 13:22:10") << "big-endian EXIF";
    EXPECT_EQ(Fields(lines[4])[6], "") << "no WeChat stamps with --no-wechat";

    r = Cli({"list", "-r", "--only-folders", "--include-folders", dir.path()});
    lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(Fields(lines[2])[1], sub);

    // A file is matched against the masks; the start position moves past "IMG_2".
    r = Cli({"list", "--name-start", "6", "--no-wechat", "--filter", "*.jpg;*.png", photo, text});
    lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(Fields(lines[1])[1], photo);
    EXPECT_EQ(Fields(lines[1])[6], "") << "13 digits are left: no time without WeChat stamps";
}

TEST_F(ListTree, MissingPathsAreReportedAndTheRestListed) {
    const std::string missing = dir / "gone.jpg";
    const Result r = Cli({"list", missing, photo, photo});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(missing), std::string::npos);
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << "a path given twice is listed once:\n" << r.out;
    EXPECT_EQ(Fields(lines[1])[1], photo);
}

TEST_F(ListTree, ManyRowsComeOutInTheSameOrderWhateverTheThreads) {
    for (int i = 0; i < 700; ++i)
        dir.file("many/f" + std::to_string(1000 + i) + ".txt");
    const Result one = Cli({"list", "-r", "-j", "1", dir.path()});
    const Result four = Cli({"list", "-r", "--jobs=4", dir.path()});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(Lines(one.out).size(), 704u);
    EXPECT_EQ(one.out, four.out);
}

TEST_F(ListTree, SnapshotsSavedShownAndReplaced) {
    const std::string kdx = dir / "list.kdx";
    const Result listed = Cli({"list", "-r", dir.path()});
    Result r = Cli({"list", "-r", "--save", kdx, dir.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    r = Cli({"show", kdx});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, listed.out) << "the snapshot holds the rows as listed";

    // Point the list at another folder; only the names change.
    r = Cli({"replace", dir.path(), "/elsewhere/", kdx});
    EXPECT_EQ(r.status, 0);
    std::vector<std::string> lines = Lines(r.out), before = Lines(listed.out);
    ASSERT_EQ(lines.size(), before.size());
    for (size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> now = Fields(lines[i]), was = Fields(before[i]);
        EXPECT_EQ(now[1], "/elsewhere/" + was[1].substr(dir.path().size()));
        now[1] = was[1];
        EXPECT_EQ(now, was);
    }
    const std::string moved = dir / "moved.kdx";
    r = Cli({"replace", "-o", moved, dir.path(), "/elsewhere/", kdx});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(Cli({"show", moved}).out, Cli({"replace", dir.path(), "/elsewhere/", kdx}).out);
    EXPECT_EQ(Cli({"show", kdx}).out, listed.out) << "the original is unchanged";

    // Unreadable snapshots: the reader's message, status 2, nothing printed.
    const std::string junk = dir.file("junk.kdx", "this is no snapshot at all");
    r = Cli({"show", junk});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find(std::string(SnapshotWrongFormat)), std::string::npos) << r.err;
    r = Cli({"show", dir / "none.kdx"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("none.kdx"), std::string::npos);
}

TEST_F(ListTree, SavingOverAFileThatIsNoSnapshotNeedsForce) {
    const std::string before = Content(photo);
    Result r = Cli({"list", "-o", photo, text});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(Content(photo), before) << "the photo is kept";

    r = Cli({"list", "--force", "-o", photo, text});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(Cli({"show", photo}).out).size(), 2u);
    // A snapshot there is replaced without asking.
    r = Cli({"list", "-o", photo, text, wechat});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(Cli({"show", photo}).out).size(), 3u);
}

TEST_F(ListTree, SnapshotsHoldAbsolutePathsWhereverTheyWereMade) {
    Result r = Cli({"list", ".", "--save", "../trip.kdx"}, sub);
    EXPECT_EQ(r.status, 0) << r.err;
    r = Cli({"show", dir / "trip.kdx"});
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(Fields(lines[1])[1], wechat);

    // ".." is taken by text: through a link it goes back where the link is.
    fs::create_directory_symlink(sub, dir / "link");
    r = Cli({"list", "link/../a.txt", "link/./"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Fields(Lines(r.out).at(1))[1], text);
    EXPECT_EQ(Fields(Lines(r.out).at(2))[1], dir / "link/mmexport1604139498000.jpg");

    // A relative row (replace can make one) names no file of the list: told
    // when made, and left alone by a writing command wherever it runs.
    r = Cli({"replace", "-o", dir / "rel.kdx", wechat.substr(0, wechat.rfind('/') + 1), "", dir / "trip.kdx"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("不是绝对路径"), std::string::npos) << r.err;
    const std::string here = dir.file("elsewhere/mmexport1604139498000.jpg");
    test::TempDir::setTimes(here, k2001, k2001);
    r = Cli({"set", "--from", "snapshot", "--snapshot", dir / "rel.kdx", "-k", "m"}, dir / "elsewhere");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("mmexport1604139498000.jpg: 快照中的这一行不是绝对路径"), std::string::npos) << r.err;
    EXPECT_EQ(Stamps(here).WriteTime, "2001-01-01 00:00:00");
    // Where leaving it out would lose it (a saved list) or shift the pairs,
    // nothing is done.
    EXPECT_EQ(
        Cli({"rename-wechat", "--snapshot", dir / "rel.kdx", "--save", dir / "new.kdx"}, dir / "elsewhere").status, 2);
    EXPECT_FALSE(fs::exists(dir / "new.kdx"));
    EXPECT_EQ(Cli({"sync-pairs", dir / "trip.kdx", dir / "rel.kdx"}, dir / "elsewhere").status, 2);
}

// --- the time sources -------------------------------------------------------------------

TEST(Program, PhotoTimeOneLinePerFileInTheirOrder) {
    test::TempDir dir;
    const std::string le = dir.file("b.jpg", Photo(false));
    const std::string be = dir.file("a.JPG", Photo(true));
    const std::string notPhoto = dir.file("c.jpg", "not a photo");
    const std::string missing = dir / "d.jpg";
    const Result r = Cli({"photo-time", le, notPhoto, missing, be});
    EXPECT_EQ(r.status, 1) << "a file is missing";
    EXPECT_EQ(r.out, "2019-05-04 13:22:10\t" + le + "\n\t" + notPhoto + "\n\t" + missing + "\n2019-05-04 13:22:10\t" +
                         be + "\n");
    EXPECT_NE(r.err.find(missing), std::string::npos);
    EXPECT_EQ(r.err.find(notPhoto), std::string::npos) << "a file without a photo time is no failure";
}

TEST(Program, PhotoTimeScansFoldersAsListDoes) {
    test::TempDir dir;
    test::TiffBuilder t;
    t.ascii(test::kExifIfd, 36867, "2019:05:04 13:22:10");
    const std::string top = dir.file("pics/b.heic", test::Heif(t.build()));
    const std::string deep = dir.file("pics/sub/a.jpg", Photo(true));
    const std::string text = dir.file("pics/notes.txt", "no photo");
    const std::string single = dir.file("z.jpg", Photo(false));
    // A path option makes folders lists of their files, as in list.
    Result r = Cli({"photo-time", "--filter", "*.*", dir / "pics", single});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2019-05-04 13:22:10\t" + top + "\n\t" + text + "\n2019-05-04 13:22:10\t" + single + "\n");
    r = Cli({"photo-time", "-r", "--filter", "*.jpg;*.heic", dir / "pics"});
    EXPECT_EQ(r.out, "2019-05-04 13:22:10\t" + top + "\n2019-05-04 13:22:10\t" + deep + "\n");
}

TEST(Program, NameTimeReadsNamesWithoutTouchingFiles) {
    Result r = Cli({"name-time", "mmexport1604139498000.jpg", "/p/IMG_20201031_181818.jpg", "DSC01234.JPG",
                    "20201031T181818.jpg"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2020-10-31 18:18:18\tmmexport_20201031_181818.jpg\tmmexport1604139498000.jpg\n"
                     "2020-10-31 18:18:18\t\t/p/IMG_20201031_181818.jpg\n"
                     "\t\tDSC01234.JPG\n"
                     "\t\t20201031T181818.jpg\n");
    r = Cli({"name-time", "--no-wechat", "--start", "3", "a1_20201031181818.jpg", "mmexport1604139498000.jpg"});
    EXPECT_EQ(r.out, "2020-10-31 18:18:18\t\ta1_20201031181818.jpg\n\t\tmmexport1604139498000.jpg\n");
    EXPECT_EQ(Cli({"name-time", "--start", "0", "x"}).status, 2);
}

TEST(Program, RenameWeChatFilesWithADryRunFirst) {
    test::TempDir dir;
    const std::string a = dir.file("mmexport1604139498000.jpg", "a");
    const std::string b = dir.file("sub/1505788478724.mp4", "b");
    const std::string blocked = dir.file("1505788478724.jpg", "c");
    // A folder holds the name blocked would get (a file of that name would
    // itself be renamed after the digits in it).
    const std::string taken = dir.folder("mmexport_20170919_103438.jpg");
    const std::string plain = dir.file("notes.txt");

    Result r = Cli({"rename-wechat", "--dry-run", "-r", dir.path()});
    EXPECT_EQ(r.status, 1) << "one rename would fail";
    EXPECT_EQ(r.out, a + "\t" + dir / "mmexport_20201031_181818.jpg" + "\n" + b + "\t" +
                         dir / "sub/mmexport_20170919_103438.mp4" + "\n");
    EXPECT_NE(r.err.find("下列文件修改失败：\n" + blocked + "\t"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("mmexport_20170919_103438.jpg"), std::string::npos) << "the name that is taken";
    for (const std::string& p : {a, b, blocked, plain})
        EXPECT_TRUE(fs::exists(p)) << p;

    r = Cli({"rename-wechat", "-r", dir.path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.out.empty()) << "quiet without --verbose";
    EXPECT_FALSE(fs::exists(a));
    EXPECT_EQ(Content(dir / "mmexport_20201031_181818.jpg"), "a");
    EXPECT_EQ(Content(dir / "sub/mmexport_20170919_103438.mp4"), "b");
    EXPECT_EQ(Content(blocked), "c");
    EXPECT_TRUE(fs::is_directory(taken));
}

// --- set and shift ----------------------------------------------------------------------

TEST(Program, SetToAFixedTimeWholeOrInParts) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt"), b = dir.file("sub/b.txt");
    auto reset = [&] {
        test::TempDir::setTimes(a, k2005, k2005);
        test::TempDir::setTimes(b, k2005, k2005);
    };
    reset();

    Result r = Cli({"set", "--to", "2020-10-31 18:18:18", "--dry-run", "-r", dir.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, a + "\tm\t2005-05-05 05:05:05\t2020-10-31 18:18:18\n" + a +
                         "\ta\t2005-05-05 05:05:05\t2020-10-31 18:18:18\n" + b +
                         "\tm\t2005-05-05 05:05:05\t2020-10-31 18:18:18\n" + b +
                         "\ta\t2005-05-05 05:05:05\t2020-10-31 18:18:18\n");
    EXPECT_EQ(Stamps(a).WriteTime, "2005-05-05 05:05:05") << "a dry run writes nothing";
    EXPECT_EQ(Stamps(b).AccessTime, "2005-05-05 05:05:05");

    r = Cli({"set", "--to", "2020-10-31 18:18:18", dir.path()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(Stamps(a).WriteTime, "2020-10-31 18:18:18");
    EXPECT_EQ(Stamps(a).AccessTime, "2020-10-31 18:18:18");
    EXPECT_EQ(Stamps(b).WriteTime, "2005-05-05 05:05:05") << "sub-folders only with -r";

    reset();
    r = Cli({"set", "-k", "m", "--to", "2020-10-31", "--date-only", "-v", a});
    EXPECT_EQ(r.out, a + "\tm\t2005-05-05 05:05:05\t2020-10-31 05:05:05\n") << "-v tells what it did";
    EXPECT_EQ(Stamps(a).WriteTime, "2020-10-31 05:05:05");
    EXPECT_EQ(Stamps(a).AccessTime, "2005-05-05 05:05:05") << "only the kinds asked for";

    reset();
    r = Cli({"set", "--kinds=a", "--to", "18:18:18", "--time-only", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Stamps(a).AccessTime, "2005-05-05 18:18:18");
    EXPECT_EQ(Stamps(a).WriteTime, "2005-05-05 05:05:05");
}

TEST(Program, SetToATimeTheFileSystemCannotHoldFailsAndSaysWhatItHolds) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt");
    test::TempDir::setTimes(a, k2005, k2005);

    const Result r = Cli({"set", "-k", "m", "--to", "0001-01-01 00:00:00", "-v", a});
    const std::string held = Stamps(a).WriteTime;
    if (held == "0001-01-01 00:00:00") GTEST_SKIP() << "this file system holds year 1";
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "") << "nothing is told as written that was not";
    EXPECT_EQ(r.err, "下列文件修改失败：\n" + a + "\t文件系统将修改时间存为 " + held +
                         "，而不是 0001-01-01 00:00:00\n已修改 0，未变 0，跳过 0，失败 1\n");
}

// Starts the program with its standard output and error on the given
// descriptors, not waiting for it.
pid_t Start(const std::vector<std::string>& args, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    std::vector<std::string> copies = args;
    std::vector<char*> argv{g_program.data()};
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    // The signals as a shell leaves them, whatever the test runner ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, g_program.c_str(), &actions, &attributes, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

int ExitStatus(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(Program, EachStopSignalEndsAWritingCommandWithItsOwnStatusAndSaysHowFarItGot) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
    test::TempDir::setTimes(a, k2001, k2001);
    test::TempDir::setTimes(b, k2001, k2001);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const std::string names = dir / ("names" + std::to_string(signal));
        ASSERT_EQ(::mkfifo(names.c_str(), 0600), 0);
        const std::string errPath = dir / "err";
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const pid_t pid = Start({"set", "--to", "2020-01-01 00:00:00", "-k", "m", "--files-from", names}, err, err);
        ::close(err);
        // The pipe opens once the program opens it for reading: it is
        // watching for signals by then, and waits for its names.
        const int fd = ::open(names.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ::kill(pid, signal);
        const std::string list = a + "\n" + b + "\n";
        EXPECT_EQ(::write(fd, list.data(), list.size()), static_cast<ssize_t>(list.size()));
        ::close(fd);
        EXPECT_EQ(ExitStatus(pid), 128 + signal);
        EXPECT_EQ(Content(errPath), "已修改 0，未变 0，跳过 0，失败 0\n已中断：完成 0 / 2\n");
        EXPECT_EQ(Stamps(a).WriteTime, "2001-01-01 00:00:00");
    }
}

TEST(Program, AClosedPipeEndsTheOutputQuietly) {
    test::TempDir dir;
    for (int i = 0; i < 2000; ++i)
        dir.file("f" + std::to_string(i));
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ::close(pipeEnds[0]); // nobody reads
    const std::string errPath = dir / "err";
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = Start({"list", dir.path()}, pipeEnds[1], err);
    ::close(pipeEnds[1]);
    ::close(err);
    EXPECT_EQ(ExitStatus(pid), 128 + SIGPIPE);
    EXPECT_EQ(Content(errPath), "");
}

TEST(Program, TheSummaryCountsEachEntryOnceAndNamesOfNothingAsFailed) {
    test::TempDir dir;
    const std::string src = dir.folder("s"), dst = dir.folder("d");
    test::TempDir::setTimes(dir.file("s/a.txt"), k2005, k2005);
    test::TempDir::setTimes(dir.file("d/a.txt"), k2001, k2001);
    test::TempDir::setTimes(src, k2005, k2005);
    test::TempDir::setTimes(dst, k2001, k2001);
    // The target folder is listed twice and synchronised again at the end;
    // it is one entry all the same.
    Result r = Cli({"sync-dir", "-k", "m", src, dst});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "已修改 2，未变 0，跳过 0，失败 0\n");

    r = Cli({"set", "--to", "2001-01-01 00:00:00", "-k", "m", dir / "none", dir / "d/a.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("已修改 1，未变 0，跳过 0，失败 1\n"), std::string::npos) << r.err;
}

TEST(Program, SetFromEachFilesOwnSource) {
    test::TempDir dir;
    const std::string photo = dir.file("IMG_20201031_181818.jpg", Photo());
    const std::string other = dir.file("notes.txt", "not a photo");
    test::TempDir::setTimes(photo, k2005, k2001);
    test::TempDir::setTimes(other, k2005, k2001);

    Result r = Cli({"set", "--from", "photo", "--kinds", "m", dir.path()});
    EXPECT_EQ(r.status, 0) << "a file without a photo time is passed over: " << r.err;
    EXPECT_EQ(r.err, "已修改 1，未变 0，跳过 1，失败 0\n");
    EXPECT_EQ(Stamps(photo).WriteTime, "2019-05-04 13:22:10");
    EXPECT_EQ(Stamps(photo).AccessTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Stamps(other).WriteTime, "2005-05-05 05:05:05");

    r = Cli({"set", "--from", "filename", "--kinds", "a", photo});
    EXPECT_EQ(Stamps(photo).AccessTime, "2020-10-31 18:18:18");

    // The earliest of its times, with or without the photo and name times.
    // (The creation time here is the birth time, now, or the modification time.)
    test::TempDir::setTimes(photo, k20210331, k20210331);
    r = Cli({"set", "--from", "earliest", "--no-photo-in-compare", "-n", photo});
    EXPECT_EQ(r.out, "") << "a dry run leaves out the stamps that would not change";
    EXPECT_EQ(r.err, "已修改 0，未变 1，跳过 0，失败 0\n");
    r = Cli({"set", "--from", "earliest", photo});
    EXPECT_EQ(Stamps(photo).WriteTime, "2019-05-04 13:22:10");
    EXPECT_EQ(Stamps(photo).AccessTime, "2019-05-04 13:22:10");

    r = Cli({"set", "--from", "access", "-k", "m", other});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Stamps(other).WriteTime, "2001-01-01 00:00:00");
}

TEST(Program, UndoTakesBackACommandAndAJournalThatCannotBeWrittenStopsIt) {
    test::TempDir dir;
    const JournalIn journal(dir / "journal");
    const std::string a = dir.file("a.txt");
    test::TempDir::setTimes(a, 1614530000, 1614530000);
    const std::string before = Stamps(a).WriteTime;

    Result r = Cli({"set", "--to", "2001-01-01 00:00:00", "-k", "m", a});
    ASSERT_EQ(r.status, 0) << r.err;
    r = Cli({"undo", "--list", "--json"});
    EXPECT_NE(r.out.find("\"entries\":1,\"state\":\"finished\""), std::string::npos) << r.out;
    r = Cli({"undo", "-v"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, a + "\tm\t2001-01-01 00:00:00\t" + before + "\n");
    EXPECT_EQ(Stamps(a).WriteTime, before);

    // No journal can be kept where a file stands: nothing is changed.
    ::setenv("KAIRODEX_JOURNAL", dir.file("a-file").c_str(), 1);
    r = Cli({"set", "--to", "2001-01-01 00:00:00", "-k", "m", a});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--no-journal"), std::string::npos) << r.err;
    EXPECT_EQ(Stamps(a).WriteTime, before);
    r = Cli({"set", "--no-journal", "--to", "2001-01-01 00:00:00", "-k", "m", a});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Stamps(a).WriteTime, "2001-01-01 00:00:00");
}

TEST(Program, UndoTellsInJsonAndKeepsEachEntryOnOneLine) {
    test::TempDir dir;
    const JournalIn journal(dir / "journal");
    const std::string a = dir.file("a.txt"), b = dir.file("nl\nb.txt");
    SetExactTimes(a, {k2005, 250'000'000}, {k2005, 0});
    test::TempDir::setTimes(b, k2005, k2005);
    ASSERT_EQ(Cli({"set", "--to", "2001-01-01 00:00:00", "-k", "m", a, b}).status, 0);

    Result r = Cli({"undo", "--list"});
    ASSERT_EQ(Lines(r.out).size(), 1u) << "the newline of a name in the command is escaped: " << r.out;
    EXPECT_NE(r.out.find(dir / "nl\\nb.txt"), std::string::npos) << r.out;
    r = Cli({"undo", "--list", "-0"});
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\0'), 5) << "five fields, each ended by a NUL";
    EXPECT_NE(r.out.find(dir / "nl\nb.txt"), std::string::npos) << "names as they are";
    std::vector<test::Json> rows = JsonLines(Cli({"undo", "--list", "--json"}).out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["started"]["source"].string, "journal");

    test::TempDir::setTimes(b, k20210331, k20210331); // changed since: left alone
    r = Cli({"undo", "-v", "--json"});
    EXPECT_EQ(r.status, 1);
    rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    EXPECT_EQ(rows[0]["path"].string, a);
    EXPECT_EQ(rows[0]["old"]["iso"].string, "2001-01-01T00:00:00.0000000+08:00");
    EXPECT_EQ(rows[0]["old"]["source"].string, "file");
    EXPECT_EQ(rows[0]["new"]["iso"].string, "2005-05-05T05:05:05.2500000+08:00") << "restored to the nanosecond";
    EXPECT_EQ(rows[0]["new"]["source"].string, "journal");
    EXPECT_EQ(rows[1]["path"].string, b);
    EXPECT_EQ(rows[1]["error"].string, "此后已被修改，未恢复");
    EXPECT_NE(r.err.find("\n" + dir / "nl\\nb.txt\t此后已被修改"), std::string::npos) << r.err;
    EXPECT_EQ(StatOf(a).st_mtim.tv_nsec, 250'000'000);
}

TEST(Program, UndoTellsOfAnUnreadableNewerRecordAndTakesNothingBackWithoutANumber) {
    test::TempDir dir;
    const char* old = std::getenv("KAIRODEX_JOURNAL");
    const std::string previous = old ? old : "";
    ::setenv("KAIRODEX_JOURNAL", (dir / "journal").c_str(), 1);
    const std::string a = dir.file("a.txt");
    ASSERT_EQ(Cli({"set", "--to", "2001-01-01 00:00:00", "-k", "m", a}).status, 0);
    const std::string foreign = dir.file("journal/2.kdxj", "not a journal");

    Result r = Cli({"undo"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.find(foreign + "\t不是撤销日志文件（已跳过）\n"), 0u) << r.err;
    EXPECT_EQ(Stamps(a).WriteTime, "2001-01-01 00:00:00");
    r = Cli({"undo", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(Stamps(a).WriteTime, "2001-01-01 00:00:00");
    ::setenv("KAIRODEX_JOURNAL", previous.c_str(), 1);
}

TEST(Program, SetFromASnapshotRestoresEachKindAndListsWhatFailed) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt"), gone = dir.file("gone.txt");
    test::TempDir::setTimes(a, k2001, k2005);
    test::TempDir::setTimes(b, k2005, k2001);
    test::TempDir::setTimes(gone, k2005, k2005);
    const std::string kdx = dir / "before.kdx";
    ASSERT_EQ(Cli({"list", "--save", kdx, a, b, gone}).status, 0);

    ASSERT_EQ(Cli({"set", "--to", "2020-10-31 18:18:18", a, b}).status, 0);
    fs::remove(gone);

    Result r = Cli({"set", "--from", "snapshot", "--snapshot", kdx, "--dry-run"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, a + "\tm\t2020-10-31 18:18:18\t2001-01-01 00:00:00\n" + a +
                         "\ta\t2020-10-31 18:18:18\t2005-05-05 05:05:05\n" + b +
                         "\tm\t2020-10-31 18:18:18\t2005-05-05 05:05:05\n" + b +
                         "\ta\t2020-10-31 18:18:18\t2001-01-01 00:00:00\n");
    EXPECT_EQ(Stamps(a).WriteTime, "2020-10-31 18:18:18");

    r = Cli({"set", "--from", "snapshot", "--snapshot", kdx});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "下列文件修改失败：\n" + gone + "\t" + std::strerror(ENOENT) + "\n已修改 2，未变 0，跳过 0，失败 1\n");
    EXPECT_EQ(Stamps(a).WriteTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Stamps(a).AccessTime, "2005-05-05 05:05:05");
    EXPECT_EQ(Stamps(b).WriteTime, "2005-05-05 05:05:05");
    EXPECT_EQ(Stamps(b).AccessTime, "2001-01-01 00:00:00");

    EXPECT_EQ(Cli({"set", "--from", "snapshot", "--snapshot", kdx, a}).status, 2) << "rows from one place only";
    EXPECT_EQ(Cli({"set", "--from", "modify", "--snapshot", dir / "none.kdx"}).status, 2);
}

TEST(Program, ShiftMovesEachFilesOwnTimes) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
    test::TempDir::setTimes(a, k20210331, k2001);
    test::TempDir::setTimes(b, k2005, k2005);

    Result r = Cli({"shift", "--subtract", "--months", "1", "-n", a});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, a + "\tm\t2021-03-31 10:00:00\t2021-02-28 10:00:00\n" + a +
                         "\ta\t2001-01-01 00:00:00\t2000-12-01 00:00:00\n");
    EXPECT_EQ(Stamps(a).WriteTime, "2021-03-31 10:00:00");

    r = Cli({"shift", "--days", "1", "--time", "01:00:30", "--kinds", "m", a, b});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Stamps(a).WriteTime, "2021-04-01 11:00:30");
    EXPECT_EQ(Stamps(a).AccessTime, "2001-01-01 00:00:00");
    EXPECT_EQ(Stamps(b).WriteTime, "2005-05-06 06:05:35");

    // Past year 9999 nothing is written and the reason is given.
    r = Cli({"shift", "--years", "9000", "-k", "m", a});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("下列文件修改失败：\n" + a + "\t"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("9999"), std::string::npos) << r.err;
    EXPECT_EQ(Stamps(a).WriteTime, "2021-04-01 11:00:30");

    // A snapshot row whose file has gone is a failure with the system's reason.
    const std::string kdx = dir / "ab.kdx";
    ASSERT_EQ(Cli({"list", "--save", kdx, a, b}).status, 0);
    fs::remove(b);
    r = Cli({"shift", "--days", "1", "-k", "m", "--snapshot", kdx});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(b + "\t" + std::strerror(ENOENT)), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("失败 1"), std::string::npos) << r.err;
}

TEST(Program, AFileNamedSeveralWaysIsChangedOnce) {
    test::TempDir dir;
    const std::string x = dir.file("x");
    test::TempDir::setTimes(x, k2005, k2005);
    Result r = Cli({"shift", "--days", "1", "-k", "m", "x", "./x", x, "sub/../x"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Stamps(x).WriteTime, "2005-05-06 05:05:05");

    // Rows of a snapshot too: the first of each entry counts.
    std::vector<FileEntry> rows(2);
    rows[0].Name = x;
    rows[1].Name = dir / "./x";
    const std::string kdx = dir.file("x.kdx", EncodeSnapshot(rows, {}));
    r = Cli({"shift", "--days", "1", "-k", "m", "-v", "--snapshot", kdx});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).size(), 1u) << r.out;
    EXPECT_EQ(Stamps(x).WriteTime, "2005-05-07 05:05:05");
}

TEST(Program, RowsComeOutInOrderWhenWrittenOnSeveralThreads) {
    test::TempDir dir;
    for (int i = 0; i < 600; ++i)
        test::TempDir::setTimes(dir.file("f" + std::to_string(1000 + i) + ".txt"), k2005, k2005);
    const Result dry = Cli({"set", "--to", "2001-01-01 00:00:00", "-n", "-j", "1", dir.path()});
    const Result real = Cli({"set", "--to", "2001-01-01 00:00:00", "-v", "-j", "3", dir.path()});
    EXPECT_EQ(real.status, 0);
    EXPECT_EQ(Lines(dry.out).size(), 1200u);
    EXPECT_EQ(real.out, dry.out);
    EXPECT_EQ(Stamps(dir / "f1599.txt").WriteTime, "2001-01-01 00:00:00");
}

// --- scripts: name lists, snapshots through pipes, machine-readable output ----------------

// Names a shell script meets: blanks, a TAB, a newline, a backslash, a
// quote, a byte that is not UTF-8.
class AwkwardNames : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"a b.jpg", "tab\tx.jpg", "nl\nx.jpg", "back\\slash \"q\".jpg", "bad\xff.jpg"}) {
            paths.push_back(dir.file(name, "x"));
            test::TempDir::setTimes(paths.back(), k2005, k2001);
        }
    }
    std::string NulList() const {
        std::string list;
        for (const std::string& p : paths)
            list += p + '\0';
        return list;
    }
    test::TempDir dir;
    std::vector<std::string> paths;
};

TEST_F(AwkwardNames, AListFromAPipeIsSavedWhole) {
    const std::string kdx = dir / "x.kdx";
    Result r = Cli({"list", "--files-from", "-", "-0", "--save", kdx}, {}, NulList());
    EXPECT_EQ(r.status, 0) << r.err;
    const auto saved = LoadSnapshot(kdx);
    ASSERT_TRUE(saved) << saved.error().reason;
    const std::vector<FileEntry>& rows = saved->rows;
    ASSERT_EQ(rows.size(), paths.size());
    for (const std::string& p : paths)
        EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const FileEntry& e) { return e.Name == p; })) << p;

    // One a line from a file, after the operands; blank lines are no names.
    const std::string list = dir.file("list.txt", paths[0] + "\n\n" + paths[4] + "\n");
    r = Cli({"list", "--files-from", list, "-0", dir / "nl\nx.jpg"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out.find(paths[0]), std::string::npos) << "-0 reads the list as one NUL-separated name";
    r = Cli({"photo-time", "--files-from", list, "--files-from", dir / "none.txt"});
    EXPECT_EQ(r.status, 2) << "a list that cannot be read is unreadable input";
    EXPECT_NE(r.err.find("none.txt"), std::string::npos);
    r = Cli({"photo-time", dir / "a b.jpg", "--files-from", list});
    EXPECT_EQ(r.out, "\t" + paths[0] + "\n\t" + paths[0] + "\n\t" + paths[4] + "\n");
    EXPECT_EQ(Cli({"list", "--files-from", "-"}).status, 0) << "an empty list is nothing to do";
}

TEST_F(AwkwardNames, SnapshotsGoThroughPipes) {
    const Result saved = Cli({"list", "--save", "-", dir.path()});
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out.substr(0, 12), EncodeSnapshot({}, {}).substr(0, 12)) << "the snapshot's own signature";
    const Result shown = Cli({"show", "-"}, {}, saved.out);
    EXPECT_EQ(shown.status, 0) << shown.err;
    EXPECT_EQ(shown.out, Cli({"list", dir.path()}).out);
    const std::string kdx = dir.file("s.kdx", saved.out);
    EXPECT_EQ(Cli({"sync-pairs", "--compare", "-", "-"}, {}, saved.out).status, 2) << "standard input is read once";
    EXPECT_EQ(Cli({"show", "-"}, {}, "no snapshot").status, 2);
    EXPECT_EQ(Cli({"rename-wechat", "-v", "--snapshot", kdx, "--save", "-"}).status, 2) << "two outputs in one";
}

TEST_F(AwkwardNames, TextKeepsOneRecordALineAndNulKeepsNamesWhole) {
    Result r = Cli({"list", dir.path()});
    const std::vector<std::string> lines = Lines(r.out);
    ASSERT_EQ(lines.size(), paths.size() + 1) << r.out;
    const std::string shown = r.out;
    EXPECT_NE(shown.find(dir / "nl\\nx.jpg\t"), std::string::npos);
    EXPECT_NE(shown.find(dir / "tab\\tx.jpg\t"), std::string::npos);
    EXPECT_NE(shown.find(dir / "back\\slash \"q\".jpg\t"), std::string::npos) << "no control character: as it is";
    r = Cli({"set", "-n", "-k", "m", "--to", "2020-10-31 18:18:18", dir / "nl\nx.jpg"});
    EXPECT_EQ(r.out, dir / "nl\\nx.jpg\tm\t2005-05-05 05:05:05\t2020-10-31 18:18:18\n");

    r = Cli({"list", "-0", dir.path()});
    std::vector<std::string> fields;
    for (size_t start = 0, end; (end = r.out.find('\0', start)) != std::string::npos; start = end + 1)
        fields.push_back(r.out.substr(start, end - start));
    ASSERT_EQ(fields.size(), paths.size() * 7) << "seven fields a row, no header";
    EXPECT_EQ(fields[7 * 1 + 1], paths[3]) << "sorted: a, back, bad, nl, tab";
    EXPECT_EQ(fields[7 * 3 + 1], paths[2]);
    EXPECT_EQ(fields[7 * 3 + 3], "2005-05-05 05:05:05");
    r = Cli({"name-time", "-0", "mmexport1604139498000.jpg"});
    constexpr char kFields[] = "2020-10-31 18:18:18\0mmexport_20201031_181818.jpg\0mmexport1604139498000.jpg\0";
    EXPECT_EQ(r.out, std::string_view(kFields, sizeof kFields - 1));
}

TEST_F(AwkwardNames, JsonLinesParseAndCarryEveryName) {
    const std::string photo = dir.file("IMG_20201031_181818.jpg", Photo());
    test::TempDir::setTimes(photo, k2005, k2001);
    Result r = Cli({"list", "--json", dir.path(), dir / "gone.jpg"});
    EXPECT_EQ(r.status, 1);
    std::vector<test::Json> rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), paths.size() + 2) << r.out;
    EXPECT_EQ(rows[0]["error"].string, std::strerror(ENOENT)) << "the missing path first, with its reason";
    EXPECT_EQ(rows[0]["path"].string, dir / "gone.jpg");
    std::vector<std::string> named;
    for (size_t i = 1; i < rows.size(); ++i)
        named.push_back(rows[i]["path"].string);
    std::vector<std::string> expected = paths;
    expected.push_back(photo);
    std::sort(named.begin(), named.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(named, expected) << "every name round-trips, bytes included";
    const auto bad = std::find_if(rows.begin(), rows.end(), [](const test::Json& o) { return o.has("path_hex"); });
    ASSERT_NE(bad, rows.end());
    EXPECT_EQ(bad->operator[]("path_hex").string.substr(bad->operator[]("path_hex").string.size() - 10), "ff2e6a7067");

    const auto img = std::find_if(rows.begin(), rows.end(),
                                  [&](const test::Json& o) { return o.has("path") && o["path"].string == photo; });
    ASSERT_NE(img, rows.end());
    const test::Json& row = *img;
    EXPECT_EQ(row["modification"]["text"].string, "2005-05-05 05:05:05");
    EXPECT_EQ(row["modification"]["iso"].string, "2005-05-05T05:05:05.0000000+08:00");
    EXPECT_EQ(row["modification"]["source"].string, "file");
    EXPECT_EQ(row["photo"]["iso"].string, "2019-05-04T13:22:10+08:00");
    EXPECT_EQ(row["photo"]["source"].string, "exif");
    EXPECT_EQ(row["file_name"]["source"].string, "file_name");
    EXPECT_EQ(row["seq"].number, 1 + static_cast<double>(&row - &rows[1]));

    SetExactTimes(paths[1], {k2005, 250'000'000}, {k2001, 0});
    r = Cli({"set", "--json", "-n", "-k", "m", "--to", "2020-10-31T10:18:18Z", dir / "tab\tx.jpg", dir / "none"});
    rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    EXPECT_EQ(rows[0]["path"].string, dir / "none") << "the missing path is told where it is met";
    EXPECT_TRUE(rows[0].has("error"));
    EXPECT_EQ(rows[1]["path"].string, paths[1]);
    EXPECT_EQ(rows[1]["kind"].string, "m");
    EXPECT_EQ(rows[1]["old"]["text"].string, "2005-05-05 05:05:05");
    EXPECT_EQ(rows[1]["old"]["iso"].string, "2005-05-05T05:05:05.2500000+08:00") << "as the file holds it";
    EXPECT_EQ(rows[1]["old"]["source"].string, "file");
    EXPECT_EQ(rows[1]["new"]["text"].string, "2020-10-31 18:18:18");
    EXPECT_EQ(rows[1]["new"]["source"].string, "fixed");
    EXPECT_TRUE(rows[1]["dry_run"].boolean);
    r = Cli({"shift", "--json", "-n", "-k", "m", "--days", "1", paths[1]});
    EXPECT_EQ(JsonLines(r.out).at(0)["new"]["source"].string, "shift") << r.out;

    // -0 reads the names of --files-from; the output stays JSON.
    r = Cli({"list", "--json", "--files-from", "-", "-0"}, {}, NulList());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(JsonLines(r.out).size(), paths.size());

    r = Cli({"photo-time", "--json", photo, paths[0]});
    rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]["photo"]["text"].string, "2019-05-04 13:22:10");
    EXPECT_EQ(rows[1]["photo"].type, test::Json::Type::Null);
    r = Cli({"name-time", "--json", "mmexport1604139498000.jpg"});
    rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["time"]["source"].string, "wechat");
    EXPECT_EQ(rows[0]["new_path"].string, "mmexport_20201031_181818.jpg");
}

TEST(Program, JsonPathsAreSpelledAsTyped) {
    test::TempDir dir;
    const std::string a = dir.file("a.txt"), b = dir.file("sub/deep/b.txt");
    test::TempDir::setTimes(a, k2005, k2005);
    test::TempDir::setTimes(b, k2005, k2005);
    // Two spellings of a: the first given counts.
    Result r = Cli({"list", "--json", "-r", "a.txt", "./a.txt", "sub", "gone.txt"}, dir.path());
    EXPECT_EQ(r.status, 1);
    std::vector<test::Json> rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), 3u) << r.out;
    EXPECT_EQ(rows[0]["path"].string, "gone.txt");
    EXPECT_EQ(rows[1]["path"].string, "a.txt");
    EXPECT_EQ(rows[2]["path"].string, "sub/deep/b.txt");
    EXPECT_NE(Cli({"list", "-r", "sub/"}, dir.path()).out.find("\t" + b + "\t"), std::string::npos)
        << "the text lines name the absolute path, as ever";

    r = Cli({"set", "--json", "-n", "-k", "m", "--to", "2020-10-31", "-r", "sub/", "./a.txt"}, dir.path());
    rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), 2u) << r.out;
    EXPECT_EQ(rows[0]["path"].string, "./a.txt");
    EXPECT_EQ(rows[1]["path"].string, "sub/deep/b.txt");

    r = Cli({"shift", "--json", "-k", "m", "--years", "9000", "-r", "sub"}, dir.path());
    EXPECT_EQ(r.status, 1);
    rows = JsonLines(r.out);
    ASSERT_EQ(rows.size(), 1u) << r.out;
    EXPECT_EQ(rows[0]["path"].string, "sub/deep/b.txt") << "a failure line too";
    EXPECT_TRUE(rows[0].has("error"));
    EXPECT_NE(r.err.find("\n" + b + "\t"), std::string::npos) << r.err;
}

// --- the time forms and the new ways to set and shift ----------------------------------

TEST(Program, EveryTimeFormNamesTheSameMoment) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    for (const char* form : {"2020-10-31 18:18:18", "2020-10-31T18:18:18", "2020-10-31T10:18:18Z",
                             "2020-10-31T05:18:18-05:00", "@1604139498"}) {
        test::TempDir::setTimes(f, k2005, k2005);
        const Result r = Cli({"set", "-k", "m", "--to", form, f});
        EXPECT_EQ(r.status, 0) << form << r.err;
        EXPECT_EQ(Stamps(f).WriteTime, "2020-10-31 18:18:18") << form;
    }
    Result r = Cli({"set", "-k", "m", "--to", "2020-10-31", "--time-only", f});
    EXPECT_EQ(r.status, 2) << "a date alone has no time of day to set";
    r = Cli({"set", "-k", "m", "--to", "31.10.2020", f});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("\"31.10.2020\""), std::string::npos) << r.err;
}

TEST(Program, ShiftByHoursMinutesSecondsOrASignedTime) {
    test::TempDir dir;
    const std::string f = dir.file("a.txt");
    test::TempDir::setTimes(f, k2005, k2005);
    const struct {
        std::vector<std::string> args;
        const char* after;
    } steps[] = {
        {{"--time", "8"}, "2005-05-05 13:05:05"},
        {{"--time", "-1:30"}, "2005-05-05 11:35:05"},
        {{"--hours", "36", "--minutes", "90", "--seconds", "5"}, "2005-05-07 01:05:10"},
        {{"--subtract", "--days", "1", "--seconds", "10"}, "2005-05-06 01:05:00"},
        {{"--time=-1:05", "--days", "1"}, "2005-05-05 00:00:00"}, // the sign takes the days back too
    };
    for (const auto& step : steps) {
        std::vector<std::string> args = {"shift", "-k", "m"};
        args.insert(args.end(), step.args.begin(), step.args.end());
        args.push_back(f);
        const Result r = Cli(args);
        EXPECT_EQ(r.status, 0) << args[3] << " " << r.err;
        EXPECT_EQ(Stamps(f).WriteTime, step.after) << args[3] << " " << r.err;
    }
    EXPECT_EQ(Cli({"shift", "--time=-24", f}).status, 2) << "hours of a time of day end at 23";
    EXPECT_EQ(Cli({"shift", "--time", "1", "--hours", "1", f}).status, 2);
    EXPECT_EQ(Cli({"shift", "--subtract", "--time", "+1", f}).status, 2);
    EXPECT_EQ(Stamps(f).WriteTime, "2005-05-05 00:00:00");
}

TEST(Program, SetFromAReferenceFilesOwnStampsAndOtherNewHabits) {
    test::TempDir dir;
    const std::string ref = dir.file("ref.txt"), a = dir.file("a.txt"), b = dir.file("sub/b.txt");
    SetExactTimes(ref, {k2001, 123'456'789}, {k2005, 987'654'321});
    test::TempDir::setTimes(a, k20210331, k20210331);
    Result r = Cli({"set", "--reference", ref, "-vk", "ma", a});
    EXPECT_EQ(r.status, 0) << r.err;
    // Each kind from its own stamp, to the nanosecond.
    const struct stat copied = StatOf(a);
    EXPECT_EQ(copied.st_mtim.tv_sec, k2001);
    EXPECT_EQ(copied.st_mtim.tv_nsec, 123'456'789);
    EXPECT_EQ(copied.st_atim.tv_sec, k2005);
    EXPECT_EQ(copied.st_atim.tv_nsec, 987'654'321);
    r = Cli({"set", "--reference", ref, "-nk", "m", "--json", b});
    EXPECT_EQ(JsonLines(r.out).at(0)["new"]["iso"].string, "2001-01-01T00:00:00.1234567+08:00") << r.out;
    EXPECT_EQ(JsonLines(r.out).at(0)["new"]["source"].string, "reference");
    EXPECT_EQ(Cli({"set", "--ref", dir / "none", a}).status, 2) << "a reference that cannot be read";
    EXPECT_EQ(Cli({"set", "--reference", ref, "--to", "2001-01-01", a}).status, 2);

    // Folders for the time sources, as list takes them.
    r = Cli({"photo-time", "-r", "--filter", "*.txt", dir.path()});
    EXPECT_EQ(r.out, "\t" + a + "\n\t" + ref + "\n\t" + b + "\n");
    r = Cli({"name-time", "-r", dir / "sub"});
    EXPECT_EQ(r.out, "\t\t" + b + "\n");
    EXPECT_EQ(Cli({"list", "--only-folders", dir.path()}).status, 2) << "folders only, but folders left out";
    EXPECT_EQ(Cli({"sync-dir", "--only-folders", "--no-folders", dir.path(), dir / "sub"}).status, 2);
}

TEST(Program, RenameWeChatSavesTheSnapshotWithTheNewNames) {
    test::TempDir dir;
    const std::string a = dir.file("mmexport1604139498000.jpg", "a"), plain = dir.file("notes.txt");
    const std::string before = dir / "before.kdx", after = dir / "after.kdx";
    std::vector<FileEntry> rows(2);
    rows[0].Name = a;
    rows[1].Name = plain;
    dir.file("before.kdx", EncodeSnapshot(rows, {false, true}));
    Result r = Cli({"rename-wechat", "--snapshot", before, "--save", after});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto saved = LoadSnapshot(after);
    ASSERT_TRUE(saved) << saved.error().reason;
    ASSERT_EQ(saved->rows.size(), 2u);
    EXPECT_EQ(saved->rows[0].Name, dir / "mmexport_20201031_181818.jpg");
    EXPECT_EQ(saved->rows[1].Name, plain);
    EXPECT_EQ(saved->selected, (std::vector<bool>{false, true})) << "the selection is kept";
    EXPECT_EQ(Cli({"rename-wechat", "--save", after, plain}).status, 2) << "--save names a snapshot's rows";
}

// --- synchronising ----------------------------------------------------------------------

TEST(Program, SyncPairsComparesAndCopiesBOntoA) {
    test::TempDir dir;
    const std::string a1 = dir.file("a/1.txt"), a2 = dir.file("a/2.txt"), a3 = dir.file("a/3.txt");
    const std::string b1 = dir.file("b/1.txt"), b2 = dir.file("b/2.txt");
    test::TempDir::setTimes(a1, k2005, k2005);
    test::TempDir::setTimes(b1, k2005, k2005);
    test::TempDir::setTimes(a2, k2001, k2001);
    test::TempDir::setTimes(b2, k2005, k2001);
    test::TempDir::setTimes(a3, k2001, k2001);
    const std::string listA = dir / "a.kdx", listB = dir / "b.kdx";
    ASSERT_EQ(Cli({"list", "--save", listA, dir / "a"}).status, 0);
    ASSERT_EQ(Cli({"list", "--save", listB, dir / "b"}).status, 0);

    Result r = Cli({"sync-pairs", "--compare", listA, listB});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2\t" + a2 + "\t" + b2 + "\n") << "pair 3 has no partner";
    EXPECT_TRUE(Cli({"sync-pairs", "--compare", "--kinds", "a", listA, listB}).out.empty())
        << "they differ only in the modification time";

    r = Cli({"sync-pairs", "--dry-run", listA, listB});
    EXPECT_EQ(r.out, a2 + "\tm\t2001-01-01 00:00:00\t2005-05-05 05:05:05\n")
        << "of a differing pair, the stamps that would change";
    EXPECT_EQ(Stamps(a2).WriteTime, "2001-01-01 00:00:00");

    // Only the pairs selected when the lists were saved.
    const kdx::Result<Snapshot> loaded = LoadSnapshot(listA);
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(SaveSnapshot(listA, loaded->rows, {true, false, false}));
    r = Cli({"sync-pairs", "--selected", listA, listB});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Stamps(a2).WriteTime, "2001-01-01 00:00:00") << "pair 2 is not selected";

    r = Cli({"sync-pairs", listA, listB});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Stamps(a2).WriteTime, "2005-05-05 05:05:05");
    EXPECT_EQ(Stamps(a3).WriteTime, "2001-01-01 00:00:00");
    EXPECT_TRUE(Cli({"sync-pairs", "--compare", listA, listB}).out.empty());
}

TEST(Program, SyncDirGivesTheTargetTheSourcesTimes) {
    test::TempDir dir;
    const std::string src = dir.folder("src") + "/", dst = dir.folder("dst") + "/";
    const std::string s1 = dir.file("src/x.jpg"), s2 = dir.file("src/sub/y.jpg");
    const std::string t1 = dir.file("dst/x.jpg"), t2 = dir.file("dst/sub/y.jpg"), only = dir.file("dst/z.jpg");
    for (const std::string& p : {s1, s2})
        test::TempDir::setTimes(p, k2001, k2005);
    for (const std::string& p : {t1, t2, only})
        test::TempDir::setTimes(p, k2005, k2005);

    Result r = Cli({"sync-dir", "-n", "--no-recursive", "--no-folders", src, dst});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(t1 + "\tm\t2005-05-05 05:05:05\t2001-01-01 00:00:00\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find(t2), std::string::npos) << "not below the top folder";
    EXPECT_EQ(r.out.find(only), std::string::npos) << "no counterpart";
    EXPECT_EQ(Stamps(t1).WriteTime, "2005-05-05 05:05:05");

    r = Cli({"sync-dir", src, dst});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.empty());
    for (const std::string& t : {t1, t2}) {
        EXPECT_EQ(Stamps(t).WriteTime, "2001-01-01 00:00:00") << t;
        EXPECT_EQ(Stamps(t).AccessTime, "2005-05-05 05:05:05") << t;
    }
    EXPECT_EQ(Stamps(only).WriteTime, "2005-05-05 05:05:05");
    EXPECT_EQ(Stamps(dst).WriteTime, Stamps(src).WriteTime) << "the roots are synchronised too";

    r = Cli({"sync-dir", dir / "none", dst});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "指定的目录不存在！\n");
    r = Cli({"sync-dir", src, dir.path() + "src"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "源目录和目标目录相同！\n");
}

} // namespace
} // namespace kdx

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: cli_program_test PATH-OF-kairodex-cli\n");
        return 2;
    }
    kdx::g_program = argv[1];
    return RUN_ALL_TESTS();
}
