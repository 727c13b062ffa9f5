// The command line program's own rules, tested directly: taking arguments
// apart, reading the shared values, the progress line and the ordered
// hand-over of work done on several threads.

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "cli/args.h"
#include "cli/cli.h"
#include "cli/output.h"
#include "core/timeops/set_times.h"
#include "fake_platform.h"
#include "json_reader.h"

namespace kdx::cli {
namespace {

const OptionSpec kSpecs[] = {
    {"help", 'h', false}, {"recursive", 'r', false}, {"filter", 0, true}, {"jobs", 'j', true}, {"dry-run", 'n', false}};

ParsedArgs Parse(std::vector<std::string> args) {
    return ParseArgs(args, kSpecs);
}

TEST(ParseArgs, OptionsAndOperandsInAnyOrder) {
    const ParsedArgs a = Parse({"one", "-r", "--filter", "*.jpg", "two", "--jobs=3", "-j4", "-n", "--", "-r", "-"});
    EXPECT_EQ(a.operands, (std::vector<std::string>{"one", "two", "-r", "-"})) << "after -- everything is an operand";
    EXPECT_TRUE(a.has("recursive"));
    EXPECT_TRUE(a.has("dry-run"));
    EXPECT_FALSE(a.has("help"));
    EXPECT_EQ(a.value("filter"), "*.jpg");
    EXPECT_EQ(a.value("jobs"), "4") << "the last one given counts";
    EXPECT_EQ(a.options.at("jobs"), (std::vector<std::string>{"3", "4"}));
    EXPECT_EQ(Parse({"--filter="}).value("filter"), "") << "an empty value is a value";
    EXPECT_EQ(Parse({"--filter", "--jobs"}).value("filter"), "--jobs") << "a value may look like an option";
}

TEST(ParseArgs, BundledLettersAndShortenedLongNames) {
    ParsedArgs a = Parse({"-rn", "-rj4", "-nj", "2", "--rec", "--fil=*.jpg", "--dry"});
    EXPECT_EQ(a.options.at("recursive").size(), 3u);
    EXPECT_EQ(a.options.at("dry-run").size(), 3u);
    EXPECT_EQ(a.options.at("jobs"), (std::vector<std::string>{"4", "2"})) << "the letter taking a value takes the rest";
    EXPECT_EQ(a.value("filter"), "*.jpg");
    const OptionSpec alike[] = {{"start", 0, true}, {"name-start", 0, true}, {"save", 0, true}, {"snapshot", 0, true}};
    EXPECT_EQ(ParseArgs(std::vector<std::string>{"--start", "3"}, alike).value("start"), "3") << "an exact name wins";
    EXPECT_EQ(ParseArgs(std::vector<std::string>{"--sn", "x"}, alike).value("snapshot"), "x");
    try {
        ParseArgs(std::vector<std::string>{"--s", "x"}, alike);
        ADD_FAILURE() << "--s is ambiguous";
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("--start、--save、--snapshot"), std::string::npos) << e.what();
    }
}

TEST(ParseArgs, WhatIsRefused) {
    const std::vector<std::vector<std::string>> refused = {{"--nope"},          {"-x"},  {"--filter"}, {"-j"},
                                                           {"--recursive=yes"}, {"-rx"}, {"-rj"},      {"--Recursive"},
                                                           {"--recursivex"}};
    for (const std::vector<std::string>& args : refused)
        EXPECT_THROW(Parse(args), UsageError) << args[0];
}

TEST(Values, KindsAsLetters) {
    const TimeKinds all = ParseKinds("c,m,a", true, false);
    EXPECT_EQ(all.creation, TimeKind::Creation);
    EXPECT_EQ(all.lastWrite, TimeKind::LastWrite);
    EXPECT_EQ(all.lastAccess, TimeKind::LastAccess);
    const TimeKinds ma = ParseKinds("am", false, false);
    EXPECT_EQ(ma.creation, TimeKind::NotChosen);
    EXPECT_EQ(ma.lastWrite, TimeKind::LastWrite);
    EXPECT_EQ(ma.lastAccess, TimeKind::LastAccess);
    const TimeKinds m = ParseKinds("m", false, false);
    EXPECT_EQ(m.lastAccess, TimeKind::NotChosen);

    EXPECT_THROW(ParseKinds("", true, false), UsageError);
    EXPECT_THROW(ParseKinds(",", true, false), UsageError);
    EXPECT_THROW(ParseKinds("m,x", true, false), UsageError);
    EXPECT_THROW(ParseKinds("M", true, false), UsageError);
    EXPECT_THROW(ParseKinds("c,m", false, false), UsageError) << "cannot be set here";
    EXPECT_EQ(ParseKinds("c", false, true).creation, TimeKind::Creation) << "but can be compared";

    EXPECT_EQ(SettableKinds(false).creation, TimeKind::NotChosen);
    EXPECT_EQ(SettableKinds(false).lastAccess, TimeKind::LastAccess);
    EXPECT_EQ(SettableKinds(true).creation, TimeKind::Creation);
}

TEST(Values, NumbersAndTimes) {
    EXPECT_EQ(ParseJobs("1"), 1u);
    EXPECT_EQ(ParseJobs("16"), 16u);
    for (const char* bad : {"0", "-2", "two", "", "2.0", "1025"})
        EXPECT_THROW(ParseJobs(bad), UsageError) << bad;

    EXPECT_EQ(ParseStart("1"), 1);
    EXPECT_EQ(ParseStart("12"), 12);
    for (const char* bad : {"0", "-3", "abc", ""})
        EXPECT_THROW(ParseStart(bad), UsageError) << bad;

    EXPECT_EQ(ParseAmount("--days", "0"), 0);
    EXPECT_EQ(ParseAmount("--days", "10000"), 10000);
    for (const char* bad : {"10001", "-1", "1.5", "", "x"})
        EXPECT_THROW(ParseAmount("--days", bad), UsageError) << bad;

    EXPECT_EQ(ParseWholeAmount("--hours", "36"), 36);
    EXPECT_EQ(ParseWholeAmount("--seconds", "1000000000"), 1'000'000'000);
    for (const char* bad : {"1000000001", "-1", "+1", "1.5", ""})
        EXPECT_THROW(ParseWholeAmount("--hours", bad), UsageError) << bad;

    EXPECT_EQ(ParseTimeValue("2020-10-31 18:18:18", false), *ParseTimeText("2020-10-31 18:18:18"));
    EXPECT_EQ(ParseTimeValue("2020-10-31", false), *ParseTimeText("2020-10-31 00:00:00"));
    EXPECT_EQ(ParseTimeValue("18:18:18", true).timeOfDayMs(), (18 * 3600 + 18 * 60 + 18) * 1000);
    EXPECT_EQ(ParseTimeValue("2020-10-31T18:18:18", true), *ParseTimeText("2020-10-31 18:18:18"));
    EXPECT_THROW(ParseTimeValue("18:18:18", false), UsageError) << "a time alone only with --time-only";
    try {
        ParseTimeValue("2020-10-31", true);
        ADD_FAILURE() << "a date alone changes no time of day";
    } catch (const UsageError& e) {
        EXPECT_NE(std::string(e.what()).find("\"2020-10-31\""), std::string::npos) << "names the value";
    }
    EXPECT_THROW(ParseTimeValue("2020-02-30 00:00:00", false), UsageError);
    EXPECT_THROW(ParseTimeValue("yesterday", true), UsageError);
}

TEST(Values, TimeOfDayOfAShift) {
    const struct {
        const char* text;
        int h, m, s, direction;
    } cases[] = {{"01:02:03", 1, 2, 3, 0},
                 {"23:59", 23, 59, 0, 0},
                 {"8", 8, 0, 0, 0},
                 {"+1:30", 1, 30, 0, 1},
                 {"-0:00:30", 0, 0, 30, -1}};
    for (const auto& c : cases) {
        ShiftAmount a;
        EXPECT_EQ(ParseTimeOfDay(c.text, a), c.direction) << c.text;
        EXPECT_EQ(a.hours * 3600 + a.minutes * 60 + a.seconds, c.h * 3600 + c.m * 60 + c.s) << c.text;
    }
    ShiftAmount a;
    for (const char* bad : {"24:00:00", "1:60", "1:2:60", "1:2:3:4", "", "+", "a:b", "1::2", "+-1", "1:-2"})
        EXPECT_THROW(ParseTimeOfDay(bad, a), UsageError) << bad;
}

TEST(Values, SourcesByName) {
    EXPECT_EQ(ParseSource("create"), TimeSource::Creation);
    EXPECT_EQ(ParseSource("modify"), TimeSource::LastWrite);
    EXPECT_EQ(ParseSource("access"), TimeSource::LastAccess);
    EXPECT_EQ(ParseSource("snapshot"), TimeSource::Row);
    EXPECT_EQ(ParseSource("earliest"), TimeSource::Earliest);
    EXPECT_EQ(ParseSource("latest"), TimeSource::Latest);
    EXPECT_EQ(ParseSource("photo"), TimeSource::Photo);
    EXPECT_EQ(ParseSource("filename"), TimeSource::FileName);
    EXPECT_THROW(ParseSource("Photo"), UsageError);
    EXPECT_THROW(ParseSource("G"), UsageError);
}

TEST(Output, LinesOfTheCommands) {
    EXPECT_EQ(PhotoTimeLine("", "/p/a.txt"), "\t/p/a.txt\n");
    EXPECT_EQ(NameTimeLine("2020-10-31 18:18:18", "", "IMG.jpg"), "2020-10-31 18:18:18\t\tIMG.jpg\n");
    EXPECT_EQ(PairLine(12, "/a", "/b"), "12\t/a\t/b\n");

    std::ostringstream err;
    FailureList failures;
    ReportFailures(err, "下列文件修改失败：", failures, [](const std::string&) { return std::string("x"); });
    EXPECT_EQ(err.str(), "") << "nothing failed, nothing said";
    failures.add("/p/a");
    failures.add("/p/b");
    ReportFailures(err, "下列文件修改失败：", failures,
                   [](const std::string& p) { return p == "/p/a" ? std::string("why") : std::string(); });
    EXPECT_EQ(err.str(), "下列文件修改失败：\n/p/a\twhy\n/p/b\n");
}

TEST(Output, NamesEscapedForALineAndForJson) {
    EXPECT_EQ(ShownName("C:\\Photos\\a.jpg"), "C:\\Photos\\a.jpg") << "no control character: as it is";
    EXPECT_EQ(ShownName("C:\\a\tb\nc\rd\x01\x7f"), "C:\\\\a\\tb\\nc\\rd\\x01\\x7f");
    EXPECT_EQ(Record({"x\ty", "z"}, OutputForm::Text), "x\\ty\tz\n");
    EXPECT_EQ(Record({"x\ty", ""}, OutputForm::Null), std::string("x\ty\0\0", 5));

    EXPECT_EQ(JsonString("a\"b\\c\t\n\x01"), R"("a\"b\\c\t\n\u0001")");
    EXPECT_EQ(JsonString("照片.jpg"), "\"照片.jpg\"") << "UTF-8 as it is";
    EXPECT_EQ(JsonString("a\xff\xc3"), R"("a\udcff\udcc3")") << "a byte that is not UTF-8";
    EXPECT_EQ(JsonLine().name("path", "\xff").done(), R"({"path":"\udcff","path_hex":"ff"})"
                                                      "\n");

    {
        // Bytes of a surrogate's three-byte form are no UTF-8 in a POSIX
        // name: each comes back as itself through the documented decoding
        // (\udcXX is byte XX).
        test::FakePlatform posix;
        posix.sep = '/';
        ScopedPlatform use(posix);
        for (const std::string& name : {std::string("a\xed\xa0\x80.jpg"), std::string("\xed\xa0\x80\xff")}) {
            const std::optional<test::Json> line = test::ParseJson(JsonLine().name("path", name).done());
            ASSERT_TRUE(line) << JsonString(name);
            EXPECT_EQ((*line)["path"].string, name) << JsonString(name);
        }
    }
    test::FakePlatform windows; // '\\' separates: names are UTF-16
    ScopedPlatform use(windows);
    EXPECT_EQ(JsonString("\xed\xa0\x80"), R"("\ud800")") << "a lone surrogate a Windows name holds";
}

TEST(Output, ProgressLineOnlyOnATerminalAndForLongWork) {
    {
        std::ostringstream out, err;
        ProgressLine line(out, err, false, "正在", 5000);
        line.update(100);
        line.clear();
        EXPECT_EQ(err.str(), "") << "not a terminal";
    }
    {
        std::ostringstream out, err;
        {
            ProgressLine line(out, err, true, "正在", 999);
            line.update(500);
        }
        EXPECT_EQ(err.str(), "") << "short work shows no progress";
    }
    std::ostringstream out, err;
    {
        ProgressLine line(out, err, true, "C", 1000);
        line.update(1);
        line.update(1); // the same text is not written again
        line.update(500);
    }
    EXPECT_EQ(err.str(), "\rC  [0.10%]\rC  [50.00%]\r           \r") << "rewritten in place, then wiped";
}

TEST(Run, UsageErrorsWriteNothingToStandardOutput) {
    std::ostringstream out, err;
    Io io{out, err, false, 2};
    EXPECT_EQ(cli::Run({"--version"}, io), ExitDone);
    EXPECT_EQ(out.str(), "kairodex-cli 1.99\n");
    out.str("");
    EXPECT_EQ(cli::Run({"set", "--from", "nowhere", "x"}, io), ExitUsage);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("nowhere"), std::string::npos);
    EXPECT_NE(err.str().find("kairodex-cli set --help"), std::string::npos);
    err.str("");
    EXPECT_EQ(cli::Run({"help", "nothing"}, io), ExitUsage);
    EXPECT_EQ(cli::Run({"name-time", "--help"}, io), ExitDone);
    EXPECT_EQ(out.str(), CommandHelp("name-time"));
    EXPECT_TRUE(CommandHelp("nothing").empty());
    out.str("");
    io.outIsTerminal = true;
    EXPECT_EQ(cli::Run({"list", "--save", "-", "/nowhere"}, io), ExitUsage) << "no snapshot bytes on a terminal";
    EXPECT_EQ(out.str(), "");
}

std::string PackagingFile(const std::string& name) {
    std::ifstream in(std::string(KAIRODEX_PACKAGING_DIR) + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A word of a shell script or a manual page, not part of a longer one.
bool HasWord(const std::string& text, const std::string& word) {
    const auto partOfWord = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-'; };
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
        if ((at == 0 || !partOfWord(text[at - 1])) &&
            (at + word.size() == text.size() || !partOfWord(text[at + word.size()])))
            return true;
    return false;
}

TEST(Run, EveryOptionIsInTheHelpTheManualPageAndTheCompletion) {
    const std::string manual = PackagingFile("kairodex-cli.1"), completion = PackagingFile("kairodex-cli.bash");
    ASSERT_FALSE(manual.empty());
    ASSERT_FALSE(completion.empty());
    for (const std::string& command : CommandNames()) {
        EXPECT_TRUE(HasWord(manual, "\\fB" + command) || HasWord(manual, ".B " + command)) << command;
        const size_t from = completion.find("    " + command + ") options=");
        ASSERT_NE(from, std::string::npos) << command;
        // The command's own options, with the groups it names.
        std::string own = completion.substr(from, completion.find(";;", from) - from);
        for (const char* group : {"paths", "names", "lists", "writing"})
            if (own.find(std::string("$") + group) != std::string::npos) {
                const size_t g = completion.find(std::string("local ") + group + "=\"");
                own += " " + completion.substr(g, completion.find('"', g + 8 + std::strlen(group)) - g);
            }
        for (const std::string& option : CommandOptions(command)) {
            if (option == "--help" || option == "-h") continue;
            EXPECT_NE(CommandHelp(command).find(option), std::string::npos) << command << " " << option;
            EXPECT_TRUE(HasWord(own, option)) << command << " " << option << " in the completion";
            std::string roff;
            for (char c : option)
                roff += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(manual.find(roff), std::string::npos) << option << " in the manual page";
        }
    }
}

TEST(Run, AnArgumentHoldingAQuoteIsRefusedOnWindows) {
    test::FakePlatform windows; // '\\' separates: no name holds a quote
    ScopedPlatform use(windows);
    windows.addFolder("D:");
    windows.addFolder("D:\\My Photos");
    std::ostringstream out, err;
    Io io{out, err, false, 2};
    // What the system makes of  list "D:\My Photos\" -r
    EXPECT_EQ(cli::Run({"list", "D:\\My Photos\" -r"}, io), ExitUsage);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("“D:\\My Photos\" -r”"), std::string::npos) << err.str();
    err.str("");
    EXPECT_EQ(cli::Run({"list", "D:\\My Photos"}, io), ExitDone) << err.str();

    test::FakePlatform posix;
    posix.sep = '/';
    ScopedPlatform usePosix(posix);
    posix.addFolder("/a\"b");
    EXPECT_EQ(cli::Run({"list", "/a\"b"}, io), ExitDone) << "a POSIX name may hold one: " << err.str();
}

// Asks the run to stop (as SIGINT would) once `after` stamps are set.
class StopsAfter : public test::FakePlatform {
public:
    StopsAfter(std::atomic<int>& signal, int after) : m_signal(signal), m_after(after) {
        sep = '/';
        ignoreCase = false;
        creationSettable = false;
        needWritable = false;
    }
    Status setFileTime(const std::string& path, TimeKind kind, FileTime value) override {
        Status done = FakePlatform::setFileTime(path, kind, value);
        if (++m_calls == m_after) m_signal = 2;
        return done;
    }

private:
    std::atomic<int>& m_signal;
    int m_after;
    int m_calls = 0;
};

TEST(Run, AnInterruptedWriteEndsAfterTheEntryInHandAndSaysHowFarItGot) {
    std::atomic<int> signal{0};
    StopsAfter fake(signal, 2);
    fake.addFolder("/t");
    std::vector<std::string> args = {"set", "--to", "2020-01-02 03:04:05", "--kinds", "m", "-v", "--jobs", "1"};
    for (const char* name : {"/t/1", "/t/2", "/t/3", "/t/4"}) {
        fake.addFile(name);
        args.push_back(name);
    }
    ScopedPlatform use(fake);
    std::ostringstream out, err;
    Io io{out, err, false, 1, &signal};
    EXPECT_EQ(cli::Run(args, io), 130);
    EXPECT_EQ(out.str(), "/t/1\tm\t1601-01-01 08:00:00\t2020-01-02 03:04:05\n"
                         "/t/2\tm\t1601-01-01 08:00:00\t2020-01-02 03:04:05\n");
    EXPECT_EQ(err.str(), "已修改 2，未变 0，跳过 0，失败 0\n已中断：完成 2 / 4\n");
    EXPECT_EQ(fake.node("/t/3")->lastWrite.ticks, 0) << "nothing after the entry in hand";
}

// A fake with POSIX names, where only the last write and access times can be
// set and nothing needs unlocking first.
test::FakePlatform PosixFake() {
    test::FakePlatform fake;
    fake.sep = '/';
    fake.ignoreCase = false;
    fake.creationSettable = false;
    fake.needWritable = false;
    fake.workingFolder = "/t";
    fake.addFolder("/t");
    return fake;
}

struct Outcome {
    int status = 0;
    std::string out, err;
};

Outcome RunOn(test::FakePlatform& fake, const std::vector<std::string>& args) {
    ScopedPlatform use(fake);
    std::ostringstream out, err;
    Io io{out, err, false, 1};
    Outcome o;
    o.status = cli::Run(args, io);
    o.out = out.str();
    o.err = err.str();
    return o;
}

TEST(Run, AFailedWriteGivesTheSystemsOwnReason) {
    test::FakePlatform fake = PosixFake();
    fake.addFile("/t/mine");
    fake.addFile("/t/theirs");
    fake.refused["/t/theirs"] = Failure{1, "Operation not permitted"};
    const Outcome o = RunOn(fake, {"set", "--to", "2020-01-02 03:04:05", "--kinds", "m", "/t/mine", "/t/theirs"});
    EXPECT_EQ(o.status, ExitFailed);
    EXPECT_EQ(o.err, "下列文件修改失败：\n/t/theirs\tOperation not permitted\n已修改 1，未变 0，跳过 0，失败 1\n");
}

TEST(Run, AShiftPastTheYear9999KeepsItsOwnReason) {
    test::FakePlatform fake = PosixFake();
    fake.addFile("/t/late").lastWrite =
        LocalDateTimeToFileTime(*ParseTimeText("9999-06-01 00:00:00"), fake.offsetSeconds);
    const Outcome o = RunOn(fake, {"shift", "--years", "1", "--kinds", "m", "/t/late"});
    EXPECT_EQ(o.status, ExitFailed);
    EXPECT_EQ(o.err, "下列文件修改失败：\n/t/late\t移动后的时间超出 1 至 9999 年\n已修改 0，未变 0，跳过 0，失败 1\n");
}

TEST(Run, ARefusedRenameGivesTheSystemsOwnReason) {
    test::FakePlatform fake = PosixFake();
    fake.addFile("/t/mmexport1604139498000.jpg");
    fake.refused["/t/mmexport1604139498000.jpg"] = Failure{13, "Permission denied"};
    const Outcome o = RunOn(fake, {"rename-wechat", "/t/mmexport1604139498000.jpg"});
    EXPECT_EQ(o.status, ExitFailed);
    EXPECT_NE(o.err.find("\n/t/mmexport1604139498000.jpg\tPermission denied\n"), std::string::npos) << o.err;
}

TEST(Run, WhatCannotBeReadOrSearchedIsReportedWithItsReasonAndFails) {
    test::FakePlatform fake = PosixFake();
    fake.addFile("/t/a.jpg");
    fake.addFolder("/t/locked");
    fake.addFile("/t/locked/b.jpg");
    fake.refused["/t/locked/"] = Failure{13, "Permission denied"};
    fake.refused["/t/a.jpg"] = Failure{13, "Permission denied"};

    Outcome o = RunOn(fake, {"list", "-r", "/t"});
    EXPECT_EQ(o.status, ExitFailed);
    EXPECT_EQ(o.err, "kairodex-cli: /t/locked/: Permission denied\nkairodex-cli: /t/a.jpg: Permission denied\n")
        << "a folder not searched, a photo not opened";
    EXPECT_NE(o.out.find("/t/a.jpg"), std::string::npos);
    EXPECT_EQ(o.out.find("b.jpg"), std::string::npos);

    fake.addFolder("/t/folder.jpg"); // never opened, so never failing to open
    o = RunOn(fake, {"photo-time", "/t/a.jpg", "/t/gone.jpg", "/t/folder.jpg"});
    EXPECT_EQ(o.status, ExitFailed);
    EXPECT_EQ(o.err, "kairodex-cli: /t/a.jpg: Permission denied\n"
                     "kairodex-cli: /t/gone.jpg: No such file or directory\n");
    o = RunOn(fake, {"set", "--from", "photo", "-k", "m", "/t/a.jpg"});
    EXPECT_EQ(o.status, ExitFailed);
    EXPECT_NE(o.err.find("\n/t/a.jpg\tPermission denied\n"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("失败 1\n"), std::string::npos) << o.err;

    fake.addFolder("/u");
    fake.addFolder("/u/locked");
    o = RunOn(fake, {"sync-dir", "/t", "/u"});
    EXPECT_EQ(o.status, ExitFailed) << "a tree that was not searched whole is no full sync";
    EXPECT_EQ(o.err.rfind("kairodex-cli: /t/locked/: Permission denied\n", 0), 0u) << o.err;
}

} // namespace
} // namespace kdx::cli
