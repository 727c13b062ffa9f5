// The commands of the command line program. Each one turns its options into
// the values the window reads from its controls and calls the same core
// operation the window calls.

#include <algorithm>
#include <charconv>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "cli/args.h"
#include "cli/cli.h"
#include "cli/output.h"
#include "core/adding/merge.h"
#include "core/adding/read_entries.h"
#include "core/common/filetime.h"
#include "core/common/progress.h"
#include "core/common/run_in_order.h"
#include "core/common/text.h"
#include "core/journal/journal.h"
#include "core/lists/list_text.h"
#include "core/lists/snapshot.h"
#include "core/sync/dirsync.h"
#include "core/sync/pairs.h"
#include "core/timeops/name_commands.h"
#include "core/timeops/set_times.h"
#include "core/timeops/shift.h"
#include "core/timeops/undo.h"
#include "core/timesrc/name_time.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace kdx::cli {

namespace {

// --- option tables ----------------------------------------------------------

constexpr OptionSpec kHelp{"help", 'h', false};
constexpr OptionSpec kJobs{"jobs", 'j', true};
constexpr OptionSpec kPathOptions[] = {
    {"filter", 0, true}, {"recursive", 'r', false}, {"include-folders", 0, false}, {"only-folders", 0, false}};
constexpr OptionSpec kNameOptions[] = {{"name-start", 0, true}, {"start", 0, true}, {"no-wechat", 0, false}};
constexpr OptionSpec kSaveOptions[] = {{"save", 'o', true}, {"force", 0, false}};
constexpr OptionSpec kWriteOptions[] = {
    {"kinds", 'k', true}, {"dry-run", 'n', false}, {"verbose", 'v', false}, {"no-journal", 0, false}};
// Names read from files or standard input; -0 also sets the output apart by NULs.
constexpr OptionSpec kNameListOptions[] = {{"files-from", 0, true}, {"null", '0', false}};
constexpr OptionSpec kJson{"json", 0, false};
constexpr OptionSpec kNull{"null", '0', false};

template <class... Groups>
std::vector<OptionSpec> Options(const Groups&... groups) {
    std::vector<OptionSpec> all{kHelp};
    [[maybe_unused]] auto add = [&](const auto& g) {
        if constexpr (std::is_same_v<std::decay_t<decltype(g)>, OptionSpec>)
            all.push_back(g);
        else
            all.insert(all.end(), std::begin(g), std::end(g));
    };
    (add(groups), ...);
    return all;
}

// --- shared pieces ------------------------------------------------------------

struct PathOptions {
    std::string filter = "*.*";
    ScanFlags flags;
};

bool HasPathOptions(const ParsedArgs& a) {
    return a.has("filter") || a.has("recursive") || a.has("include-folders") || a.has("only-folders");
}

PathOptions ReadPathOptions(const ParsedArgs& a) {
    if (a.has("only-folders") && !a.has("include-folders"))
        throw UsageError("--only-folders 只要目录，需与 --include-folders 一起使用");
    PathOptions o;
    o.filter = a.value("filter").value_or("*.*");
    o.flags.subFolders = a.has("recursive");
    o.flags.includeFolders = a.has("include-folders");
    o.flags.foldersOnly = a.has("only-folders");
    return o;
}

// The paths as their user spelled them, for the "path" of JSON lines: the
// work is done on absolute paths, but a script matches what it reads to what
// it passed. An entry a name gives is that name as typed; one found under a
// folder is the folder as typed joined with the rest of its path. Of several
// spellings of one entry, the first given counts.
class Spellings {
public:
    // name as typed; path its absolute form. The first spelling of a path stays.
    void add(const std::string& name, std::string_view path) {
        const std::string entry = EntryPathOf(path);
        m_shortest = std::min(m_shortest, entry.size());
        m_given.try_emplace(PathKey(entry), Given{m_given.size(), name});
    }
    // Whether folders are searched below their own entries.
    void searchDeep(bool deep) { m_deep = deep; }
    // path (absolute) as spelled; as it is where no name given leads to it.
    std::string of(std::string_view path) const;

private:
    struct Given {
        size_t order = 0;
        std::string name;
    };
    // By PathKey of the entry's path: a hash, since a list may hold 100,000 paths.
    std::unordered_map<std::string, Given> m_given;
    size_t m_shortest = SIZE_MAX;
    bool m_deep = false;
};

std::string Spellings::of(std::string_view path) const {
    if (m_given.empty()) return std::string(path);
    const Given* best = nullptr;
    size_t rest = std::string_view::npos; // where the part below best's folder begins; npos: the entry itself
    if (const auto it = m_given.find(PathKey(EntryPathOf(path))); it != m_given.end()) best = &it->second;
    // The folders above it, nearest first: its own, then (searched deep) theirs.
    size_t end = path.size();
    while (end > 0 && IsPathSeparator(path[end - 1]))
        --end;
    while (!(best && best->order == 0)) {
        size_t start = end;
        while (start > 0 && !IsPathSeparator(path[start - 1]))
            --start;
        // No folder above, or none as long as the shortest name given.
        if (start == 0 || start < m_shortest) break;
        const auto it = m_given.find(PathKey(EntryPathOf(path.substr(0, start))));
        if (it != m_given.end() && (!best || it->second.order < best->order)) {
            best = &it->second;
            rest = start;
        }
        if (!m_deep) break;
        end = start - 1;
        while (end > 0 && IsPathSeparator(path[end - 1]))
            --end;
    }
    if (!best) return std::string(path);
    if (rest == std::string_view::npos) return best->name;
    std::string spelled = best->name;
    if (spelled.empty() || !IsPathSeparator(spelled.back())) spelled.push_back(path[rest - 1]);
    spelled.append(path.substr(rest));
    return spelled;
}

std::string Spelled(const Spellings* spellings, std::string_view path) {
    return spellings ? spellings->of(path) : std::string(path);
}

NameTimeOptions ReadNameOptions(const ParsedArgs& a) {
    NameTimeOptions o;
    // --start and --name-start name the same setting; the later one counts.
    std::optional<std::string> start = a.value("name-start");
    if (a.has("start")) start = a.value("start");
    if (start) o.start = ParseStart(*start);
    o.weChat = !a.has("no-wechat");
    return o;
}

unsigned ReadJobs(const ParsedArgs& a, const Io& io) {
    const auto v = a.value("jobs");
    return v ? ParseJobs(*v) : std::max(io.cores, 1u);
}

TimeKinds ReadKinds(const ParsedArgs& a, bool readOnly) {
    const bool canSetCreation = sys().canSetCreationTime();
    const auto v = a.value("kinds");
    return v ? ParseKinds(*v, canSetCreation, readOnly) : SettableKinds(canSetCreation);
}

void RequireOperands(const ParsedArgs& a, size_t min, size_t max, std::string_view what) {
    const size_t n = a.operands.size();
    if (n < min || n > max) throw UsageError("需要" + std::string(what));
}

// On standard error only.
void TellOfError(Io& io, std::string_view subject, std::string_view message) {
    io.err << ProgramName << ": " << ShownName(subject) << ": " << message << '\n';
}

// On standard error, and as a JSON line where the output is JSON.
void Complain(Io& io, std::string_view subject, std::string_view message) {
    TellOfError(io, subject, message);
    if (io.jsonFailures) io.out << JsonFailure(subject, message);
}

OutputForm ReadOutputForm(const ParsedArgs& a) {
    return a.has("json") ? OutputForm::Json : a.has("null") ? OutputForm::Null : OutputForm::Text;
}

// Tells each folder a scan could not search, with the system's reason, and
// marks the run as incomplete.
using ScanComplaint = std::function<void(std::string_view folder, std::string_view reason)>;
ScanComplaint ComplainOfUnsearchable(Io& io, bool& incomplete, const Spellings* spellings = nullptr) {
    return [&io, &incomplete, spellings](std::string_view folder, std::string_view reason) {
        TellOfError(io, folder, reason);
        if (io.jsonFailures) io.out << JsonFailure(Spelled(spellings, folder), reason);
        incomplete = true;
    };
}

// The paths the window's add flow makes of the names: folders scanned with
// the masks, files kept when they pass them, repeats dropped, sorted. Names
// that do not exist and folders that cannot be searched are reported, and
// what they would have added is left out. spellings, where given, learns
// how each name was typed.
std::vector<std::string> CollectPaths(const std::vector<std::string>& names, const PathOptions& o, Io& io,
                                      bool& missing, Spellings* spellings = nullptr) {
    // Absolute before anything else: a saved list must name the same files
    // wherever it is used later, and "x", "./x" and "$PWD/x" are one file.
    std::vector<std::string> existing;
    for (const std::string& name : names) {
        std::string path = AbsolutePath(name);
        // The system's reason: a folder above may only refuse the search.
        if (const std::string entry = EntryPathOf(path); entry.empty()) {
            Complain(io, name, "找不到文件或目录");
            missing = true;
            ++io.namesNotFound;
        } else if (const Result<EntryInfo> found = sys().findEntry(entry); !found) {
            Complain(io, name, found.error().reason);
            missing = true;
            ++io.namesNotFound;
        } else {
            if (spellings) spellings->add(name, path);
            existing.push_back(std::move(path));
        }
    }
    if (spellings) spellings->searchDeep(o.flags.subFolders);
    const ScanComplaint refused = ComplainOfUnsearchable(io, missing, spellings);
    ScanFlags flags = o.flags;
    flags.onUnsearchable = &refused;
    return DroppedPathsToAdd(existing, o.filter, flags, PathSet{});
}

// Rows that name the paths; the writing commands read each file themselves.
std::vector<FileEntry> RowsNaming(std::vector<std::string> paths) {
    std::vector<FileEntry> rows(paths.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].SeqNo = static_cast<int32_t>(i + 1);
        rows[i].Name = std::move(paths[i]);
    }
    return rows;
}

// A snapshot that cannot be read is unreadable input: nothing is done.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What standard input holds; it can be read only once.
std::string ReadStandardInput(Io& io) {
    if (io.inputTaken) throw UsageError("标准输入（-）只能使用一次");
    io.inputTaken = true;
    std::string bytes;
    if (!io.in) return bytes;
    char buffer[65536];
    while (const std::streamsize n = io.in->rdbuf()->sgetn(buffer, sizeof buffer))
        bytes.append(buffer, static_cast<size_t>(n));
    return bytes;
}

// The names of every --files-from list ("-": standard input), one a line,
// or NUL-separated with -0. Empty names are passed over.
std::vector<std::string> NamesFromLists(const ParsedArgs& a, Io& io) {
    std::vector<std::string> names;
    const auto lists = a.options.find("files-from");
    if (lists == a.options.end()) return names;
    const char separator = a.has("null") ? '\0' : '\n';
    for (const std::string& list : lists->second) {
        std::string bytes;
        if (list == "-") {
            bytes = ReadStandardInput(io);
        } else {
            Result<std::string> read = console::ReadWholeInput(list);
            if (!read) throw InputError(ShownName(list) + ": " + read.error().reason);
            bytes = std::move(*read);
        }
        const std::string text = console::NameListText(std::move(bytes));
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find(separator, start);
            if (end == std::string::npos) end = text.size();
            if (end > start) names.emplace_back(text, start, end - start);
            start = end + 1;
        }
    }
    return names;
}

// The names a command works on: its operands, then those of the lists.
std::vector<std::string> NamesGiven(const ParsedArgs& a, Io& io) {
    std::vector<std::string> names = a.operands;
    std::vector<std::string> listed = NamesFromLists(a, io);
    names.insert(names.end(), std::make_move_iterator(listed.begin()), std::make_move_iterator(listed.end()));
    return names;
}

void RequireNames(const ParsedArgs& a, std::string_view what) {
    if (!a.has("files-from")) RequireOperands(a, 1, SIZE_MAX, what);
}

// The snapshot at path, or on standard input for "-".
Snapshot LoadRows(const std::string& path, Io& io) {
    Result<Snapshot> s = path == "-" ? SnapshotFromBytes(ReadStandardInput(io)) : LoadSnapshot(path);
    if (!s) throw InputError(path + ": " + s.error().reason);
    return std::move(*s);
}

std::vector<size_t> AllRows(size_t n) {
    std::vector<size_t> which(n);
    for (size_t i = 0; i < n; ++i)
        which[i] = i;
    return which;
}

bool AllNamesDiffer(const std::vector<FileEntry>& rows) {
    PathSet seen;
    for (const FileEntry& r : rows)
        if (!seen.insert(r.Name)) return false;
    return true;
}

// Reasons the writer gave for the paths it failed on, for the failure report;
// the first one for a path counts. Rows may be written on several threads.
class WriterReasons {
public:
    void attach(WriteHooks& hooks) {
        hooks.onFailure = [this](std::string_view path, std::string_view reason) { add(path, std::string(reason)); };
    }
    void add(std::string_view path, std::string reason) {
        const std::lock_guard lock(m_mutex);
        m_reasons.emplace(std::string(path), std::move(reason));
    }
    // "" when none was given. Callable, to hand to ReportFailures.
    std::string operator()(const std::string& path) const {
        const std::lock_guard lock(m_mutex);
        const auto it = m_reasons.find(path);
        return it != m_reasons.end() ? it->second : std::string();
    }

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_reasons;
};

// Rows per slice of a row command: small enough for a lively progress line
// and an even share between threads, large enough to cost nothing.
constexpr size_t kSliceRows = 256;

// What a writing command prints and whether it only pretends.
struct WriteMode {
    bool dryRun = false;
    bool verbose = false;
    bool tells() const { return dryRun || verbose; }
    OutputForm form = OutputForm::Text;
    // For the JSON form: the local offset, the "source" of the new times,
    // and the paths as typed (none: as they are).
    int64_t utcOffset = 0;
    std::string source;
    const Spellings* spellings = nullptr;
};

// source: where the command takes its new times from.
WriteMode ReadWriteMode(const ParsedArgs& a, std::string source) {
    return WriteMode{a.has("dry-run"), a.has("verbose"), ReadOutputForm(a), sys().utcOffsetNow(), std::move(source)};
}

// spellings where JSON lines show the paths as typed; none where the text
// lines show the paths worked on.
Spellings* SpellingsFor(const ParsedArgs& a, Spellings& spellings) {
    return a.has("json") ? &spellings : nullptr;
}

// One change as the mode prints it.
std::string ChangeRecord(const WriteMode& mode, std::string_view path, TimeKind kind, std::string_view oldText,
                         std::string_view newText, FileTime oldStamp, FileTime newStamp) {
    if (mode.form == OutputForm::Json)
        return JsonChange(Spelled(mode.spellings, path), kind, oldStamp, newStamp, mode.source, mode.dryRun,
                          mode.utcOffset);
    return Record({path, KindLetter(kind), oldText, newText}, mode.form);
}

// The failure report on standard error, and as JSON lines (with the paths
// as typed) where the output is JSON.
template <class ReasonFn>
void TellFailures(Io& io, std::string_view header, const FailureList& failures, const ReasonFn& reason,
                  const Spellings* spellings = nullptr) {
    ReportFailures(io.err, header, failures, reason);
    if (io.jsonFailures)
        for (const std::string& path : failures.paths)
            io.out << JsonFailure(Spelled(spellings, path), reason(path));
}

// The undo journal of a writing command, finished when the command ends:
// none in a dry run or with --no-journal. A journal that cannot be written
// stops the command before it changes anything.
class CommandJournal {
public:
    CommandJournal(const ParsedArgs& a, const WriteMode& mode) {
        if (mode.dryRun || a.has("no-journal")) return;
        Result<std::unique_ptr<Journal>> begun = Journal::Begin(a.line);
        if (!begun) throw InputError(begun.error().reason + "（什么也没有修改；--no-journal 可不记日志）");
        m_journal = std::move(*begun);
    }
    ~CommandJournal() {
        if (m_journal) static_cast<void>(m_journal->finish());
    }
    CommandJournal(const CommandJournal&) = delete;
    CommandJournal& operator=(const CommandJournal&) = delete;
    Journal* get() const { return m_journal.get(); }

private:
    std::unique_ptr<Journal> m_journal;
};

// Runs a row command of the core over every row, slice by slice, on up to
// jobs threads when the rows name different entries (two rows of one entry
// must be written in their order). The changes are printed in row order. A
// dry run prints only the stamps that would change. When the user asks the
// run to stop, each thread ends after the row in hand; every change made is
// still printed.
using RowCommandFn =
    std::function<std::optional<FailureList>(std::vector<FileEntry>&, const std::vector<size_t>&, const WriteHooks&)>;

struct RowRun {
    FailureList failures;
    Tally tally;
};

bool Interrupted(const Io& io) {
    return io.interruption && io.interruption->load() != 0;
}

RowRun RunRowCommand(std::vector<FileEntry>& rows, const RowCommandFn& command, const WriteMode& mode, unsigned jobs,
                     std::string caption, Io& io, WriterReasons& reasons, Journal* journal) {
    const size_t slices = (rows.size() + kSliceRows - 1) / kSliceRows;
    if (jobs > 1 && !AllNamesDiffer(rows)) jobs = 1;
    std::vector<std::string> printed(slices);
    std::vector<FailureList> failed(slices);
    std::vector<Tally> tallies(slices);
    ProgressLine progress(io.out, io.err, io.errIsTerminal, std::move(caption), rows.size());
    RowRun run;
    RunInOrder(
        slices, jobs,
        [&](size_t s) {
            const size_t begin = s * kSliceRows, end = std::min(rows.size(), begin + kSliceRows);
            EntryWatch watch;
            WriteHooks hooks;
            hooks.dryRun = mode.dryRun;
            hooks.journal = journal;
            // The commands pass over a row they cannot read; for a script
            // that is a failure to report, not a skip.
            bool rowFailed = false;
            hooks.onFailure = [&reasons, &rowFailed](std::string_view path, std::string_view reason) {
                reasons.add(path, std::string(reason));
                rowFailed = true;
            };
            hooks.onUnreadable = [&reasons, &rowFailed, &failed = failed[s]](std::string_view path,
                                                                             std::string_view reason) {
                reasons.add(path, std::string(reason));
                failed.add(std::string(path));
                rowFailed = true;
            };
            hooks.observer = [&watch, &mode, &text = printed[s]](std::string_view path, TimeKind kind,
                                                                 std::string_view oldText, std::string_view newText,
                                                                 FileTime oldStamp, FileTime newStamp) {
                watch.saw(oldText, newText);
                if (mode.tells() && !(mode.dryRun && oldText == newText))
                    text += ChangeRecord(mode, path, kind, oldText, newText, oldStamp, newStamp);
            };
            // The whole slice in one call, so that its journal records are
            // written together; a stop request still ends the run after the
            // row in hand, and each row's outcome is counted as it ends.
            hooks.stopRequested = [&io] { return Interrupted(io); };
            hooks.rowDone = [&] {
                watch.close(tallies[s], rowFailed);
                rowFailed = false;
            };
            std::vector<size_t> which(end - begin);
            for (size_t i = begin; i < end; ++i)
                which[i - begin] = i;
            if (const auto f = command(rows, which, hooks))
                for (const std::string& p : f->paths)
                    failed[s].add(p);
        },
        [&](size_t s) {
            if (!printed[s].empty()) {
                progress.clear();
                io.out << printed[s];
                io.out.flush();
                std::string().swap(printed[s]);
            }
            for (std::string& p : failed[s].paths)
                run.failures.add(std::move(p));
            run.tally.add(tallies[s]);
            progress.update(std::min(rows.size(), (s + 1) * kSliceRows));
            return true;
        });
    return run;
}

// The end of every writing command: the summary line, and when a signal
// stopped it, how far it got; the exit status to return.
int FinishWriting(Tally tally, size_t total, bool failed, Io& io) {
    io.out.flush();
    // A name that names nothing failed before anything was written.
    tally.failed += io.namesNotFound;
    total += io.namesNotFound;
    io.err << SummaryLine(tally);
    if (Interrupted(io)) {
        io.err << InterruptedLine(tally.done(), total);
        return ExitSignalBase + io.interruption->load();
    }
    return failed ? ExitFailed : ExitDone;
}

// Counts the entries of a command that writes them one after another and
// tells about each stamp through the hooks (the syncs).
class SequentialTally {
public:
    void saw(std::string_view path, std::string_view oldText, std::string_view newText) {
        if (oldText != newText) {
            m_unchanged.erase(std::string(path));
            m_changed.insert(std::string(path));
        } else if (!m_changed.count(std::string(path))) {
            m_unchanged.insert(std::string(path));
        }
    }
    // done: the entries the command got to.
    Tally result(const FailureList& failures, size_t done) {
        for (const std::string& p : failures.paths) {
            m_changed.erase(p);
            m_unchanged.erase(p);
        }
        Tally t;
        t.changed = m_changed.size();
        t.unchanged = m_unchanged.size();
        // A folder sync lists its root once a visit.
        t.failed = std::unordered_set<std::string>(failures.paths.begin(), failures.paths.end()).size();
        const size_t counted = t.changed + t.unchanged + t.failed;
        t.skipped = done > counted ? done - counted : 0;
        return t;
    }

private:
    std::unordered_set<std::string> m_changed;
    std::unordered_set<std::string> m_unchanged;
};

// The rows without those naming an entry an earlier row names already, so
// that no file is changed twice by one command; each keeps its selection.
Snapshot WithoutRepeats(Snapshot s) {
    PathSet seen;
    Snapshot kept;
    for (size_t i = 0; i < s.rows.size(); ++i) {
        if (!seen.insert(AbsolutePath(s.rows[i].Name))) continue;
        kept.rows.push_back(std::move(s.rows[i]));
        kept.selected.push_back(i < s.selected.size() && s.selected[i]);
    }
    return kept;
}

// A snapshot row whose path is relative names whatever the current folder
// holds under that name: no file of the list.
bool IsRelativeRow(const FileEntry& row) {
    return !IsBlank(row.Name) && !IsAbsolutePath(row.Name);
}

// Rows of a writing command: the rows of --snapshot (with their selection,
// where asked for), or the PATHs added as the window adds them (spellings,
// where given, learning how they were typed).
std::vector<FileEntry> InputRows(const ParsedArgs& a, Io& io, bool& missing, std::vector<bool>* selected = nullptr,
                                 Spellings* spellings = nullptr) {
    if (const auto snapshot = a.value("snapshot")) {
        if (!a.operands.empty() || a.has("files-from")) throw UsageError("--snapshot 与路径不能同时使用");
        if (HasPathOptions(a))
            throw UsageError("--filter、-r、--include-folders、--only-folders 只用于路径，不用于 --snapshot");
        Snapshot s = LoadRows(*snapshot, io);
        // Relative rows are left out before repeats are, so that one never
        // stands for an absolute row naming the same file.
        Snapshot absolute;
        for (size_t i = 0; i < s.rows.size(); ++i) {
            if (IsRelativeRow(s.rows[i])) {
                Complain(io, s.rows[i].Name, "快照中的这一行不是绝对路径，未处理");
                missing = true;
                ++io.namesNotFound;
                continue;
            }
            absolute.rows.push_back(std::move(s.rows[i]));
            absolute.selected.push_back(i < s.selected.size() && s.selected[i]);
        }
        // A snapshot saved from these rows would lose the rows left out.
        if (absolute.rows.size() < s.rows.size() && a.has("save"))
            throw UsageError("快照 " + *snapshot +
                             " 中有不是绝对路径的行，--save 会丢失它们：请先用 replace 改成绝对路径");
        absolute = WithoutRepeats(std::move(absolute));
        if (selected) *selected = std::move(absolute.selected);
        return std::move(absolute.rows);
    }
    if (a.operands.empty() && !a.has("files-from")) throw UsageError("需要至少一个路径，或 --snapshot 快照文件");
    return RowsNaming(CollectPaths(NamesGiven(a, io), ReadPathOptions(a), io, missing, spellings));
}

// "--save -" writes the snapshot to standard output: never to a terminal,
// and never mixed with other output.
void CheckSnapshotOutput(const ParsedArgs& a, const Io& io, bool alsoPrints) {
    if (a.value("save") != "-") return;
    if (io.outIsTerminal) throw UsageError("--save - 把快照写到标准输出，而标准输出是终端：请重定向到文件或管道");
    if (alsoPrints) throw UsageError("--save - 把快照写到标准输出，不能再同时输出文字");
}

// Saves rows to the --save file. A file there that is not a snapshot is
// kept unless --force says it may go.
bool SaveRows(const ParsedArgs& a, const std::vector<FileEntry>& rows, const std::vector<bool>& selected, Io& io) {
    const std::string name = a.value("save").value_or("");
    if (name == "-") {
        const Result<std::string> bytes = SnapshotBytes(rows, selected);
        if (!bytes) {
            Complain(io, name, bytes.error().reason);
            return false;
        }
        io.out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
        return true;
    }
    const std::string path = AbsolutePath(name);
    const bool force = a.has("force");
    const Status saved = SaveSnapshot(path, rows, selected, force);
    if (saved) return true;
    std::string error = saved.error().reason;
    if (saved.error().code == OtherFileThere) error += "（加 --force 可替换它）";
    Complain(io, name, error);
    return false;
}

int Finish(bool failed) {
    return failed ? ExitFailed : ExitDone;
}

// --- list and snapshots -----------------------------------------------------------

// The rows as list prints them: the list text (names escaped where needed),
// NUL-separated fields without the header, or a JSON object a row with the
// times as the snapshot holds them.
std::string RowsText(const std::vector<FileEntry>& rows, OutputForm form) {
    const auto plainName = [](const FileEntry& r) { return ShownName(r.Name) == r.Name; };
    if (form == OutputForm::Text && std::all_of(rows.begin(), rows.end(), plainName)) return CopyListText(rows, "\n");
    if (form == OutputForm::Text) {
        std::vector<FileEntry> shown = rows;
        for (FileEntry& r : shown)
            r.Name = ShownName(r.Name);
        return CopyListText(shown, "\n");
    }
    const int64_t offset = sys().utcOffsetNow();
    std::string text;
    for (size_t i = 0; i < rows.size(); ++i) {
        const FileEntry& r = rows[i];
        if (form == OutputForm::Null) {
            text += Record({std::to_string(i + 1), r.Name, r.CreateTime, r.WriteTime, r.AccessTime, Trim(r.PhotoTime),
                            Trim(r.NameTime)},
                           form);
            continue;
        }
        text += JsonLine()
                    .raw("seq", std::to_string(i + 1))
                    .name("path", r.Name)
                    .raw("creation", JsonTime(r.CreateTime, "snapshot", offset))
                    .raw("modification", JsonTime(r.WriteTime, "snapshot", offset))
                    .raw("access", JsonTime(r.AccessTime, "snapshot", offset))
                    .raw("photo", JsonTime(r.PhotoTime, "snapshot", offset))
                    .raw("file_name", JsonTime(r.NameTime, "snapshot", offset))
                    .done();
    }
    return text;
}

// One entry of list --json, read as list reads it, with the stamps kept for
// their sub-second part and the source of each time.
// An entry gone since it was found gives its reason instead. The path is
// shown as its user typed it.
std::string JsonEntry(const std::string& path, size_t seq, const NameTimeOptions& options, int64_t offset,
                      const Spellings& spellings, std::string& reason) {
    JsonLine line;
    line.raw("seq", std::to_string(seq)).name("path", spellings.of(path));
    const std::string entry = EntryPathOf(path);
    const Result<EntryInfo> info = sys().findEntry(entry);
    if (!info) {
        reason = info.error().reason;
        return line.text("error", reason).done();
    }
    EntryTimes sources;
    ReadSourceTexts(entry, true, false, options, sources);
    std::string nameTime, newName;
    ParseFileNameTime(entry, options.start, options.weChat, nameTime, newName);
    const auto stamp = [&](const FileTime& t) { return JsonStamp(t, "file", offset); };
    line.raw("creation", stamp(info->creation))
        .raw("modification", stamp(info->lastWrite))
        .raw("access", stamp(info->lastAccess))
        .raw("photo", JsonTime(sources.PhotoTime, "exif", offset))
        .raw("file_name", JsonTime(nameTime, newName.empty() ? "file_name" : "wechat", offset));
    // A photo that could not be opened has no time to show, for a reason.
    reason = std::move(sources.PhotoUnreadable);
    if (!reason.empty()) line.text("error", reason);
    return line.done();
}

int ListJson(const std::vector<std::string>& paths, const NameTimeOptions& options, unsigned jobs,
             const Spellings& spellings, Io& io) {
    const int64_t offset = sys().utcOffsetNow();
    const size_t slices = (paths.size() + kSliceRows - 1) / kSliceRows;
    std::vector<std::string> printed(slices);
    std::vector<std::string> reasons(paths.size());
    ProgressLine progress(io.out, io.err, io.errIsTerminal, std::string(ScanningCaption), paths.size());
    bool failed = false;
    RunInOrder(
        slices, jobs,
        [&](size_t s) {
            for (size_t i = s * kSliceRows; i < std::min(paths.size(), (s + 1) * kSliceRows); ++i)
                printed[s] += JsonEntry(paths[i], i + 1, options, offset, spellings, reasons[i]);
        },
        [&](size_t s) {
            progress.clear();
            for (size_t i = s * kSliceRows; i < std::min(paths.size(), (s + 1) * kSliceRows); ++i) {
                if (reasons[i].empty()) continue;
                TellOfError(io, paths[i], reasons[i]);
                failed = true;
            }
            io.out << printed[s];
            std::string().swap(printed[s]);
            progress.update(std::min(paths.size(), (s + 1) * kSliceRows));
            return true;
        });
    return Finish(failed);
}

int ListCommand(const ParsedArgs& a, Io& io) {
    RequireNames(a, "至少一个文件或目录");
    if (a.has("save") && a.has("json")) throw UsageError("--save 保存快照，不输出文字，不能与 --json 一起使用");
    CheckSnapshotOutput(a, io, false);
    const PathOptions paths = ReadPathOptions(a);
    const NameTimeOptions names = ReadNameOptions(a);
    const unsigned jobs = ReadJobs(a, io);
    bool missing = false;
    Spellings spellings;
    const std::vector<std::string> found =
        CollectPaths(NamesGiven(a, io), paths, io, missing, SpellingsFor(a, spellings));
    if (a.has("json")) return std::max(ListJson(found, names, jobs, spellings, io), Finish(missing));
    std::vector<FileEntry> rows;
    {
        ProgressLine progress(io.out, io.err, io.errIsTerminal, std::string(ScanningCaption), found.size());
        rows = ReadEntries(found, names, 1, jobs, [&](size_t done, size_t) { progress.update(done); });
    }
    for (FileEntry& row : rows) {
        if (row.PhotoUnreadable.empty()) continue;
        TellOfError(io, row.Name, row.PhotoUnreadable);
        missing = true;
    }
    if (a.has("save")) {
        if (!SaveRows(a, rows, std::vector<bool>(rows.size(), false), io)) return ExitFailed;
        return Finish(missing);
    }
    io.out << RowsText(rows, ReadOutputForm(a));
    return Finish(missing);
}

int ShowCommand(const ParsedArgs& a, Io& io) {
    RequireOperands(a, 1, 1, "一个快照文件");
    io.out << RowsText(LoadRows(a.operands[0], io).rows, ReadOutputForm(a));
    return ExitDone;
}

int ReplaceCommand(const ParsedArgs& a, Io& io) {
    RequireOperands(a, 3, 3, "查找文字、替换文字和一个快照文件");
    if (a.has("save") && a.has("json")) throw UsageError("--save 保存快照，不输出文字，不能与 --json 一起使用");
    CheckSnapshotOutput(a, io, false);
    Snapshot s = LoadRows(a.operands[2], io);
    ReplaceInNames(s.rows, a.operands[0], a.operands[1]);
    // Relative names are kept, as asked, but a writing command will not take them.
    for (const FileEntry& row : s.rows)
        if (IsRelativeRow(row)) io.err << "注意：" << ShownName(row.Name) << " 不是绝对路径，写时间的命令不会处理它\n";
    if (a.has("save")) {
        if (!SaveRows(a, s.rows, s.selected, io)) return ExitFailed;
        return ExitDone;
    }
    io.out << RowsText(s.rows, ReadOutputForm(a));
    return ExitDone;
}

// --- time sources -----------------------------------------------------------------

// The names of photo-time and name-time: as given, or with path options
// the paths list would make of them (folders scanned, masks applied; then
// spellings learns how they were typed).
std::vector<std::string> SourceNames(const ParsedArgs& a, Io& io, bool& missing, Spellings& spellings) {
    std::vector<std::string> names = NamesGiven(a, io);
    if (!HasPathOptions(a)) return names;
    return CollectPaths(names, ReadPathOptions(a), io, missing, SpellingsFor(a, spellings));
}

int PhotoTimeCommand(const ParsedArgs& a, Io& io) {
    RequireNames(a, "至少一个文件");
    const unsigned jobs = ReadJobs(a, io);
    const OutputForm form = ReadOutputForm(a);
    const int64_t offset = sys().utcOffsetNow();
    bool anyMissing = false;
    Spellings spellings;
    std::vector<FileEntry> rows = RowsNaming(SourceNames(a, io, anyMissing, spellings));
    std::vector<std::string> unreadable(rows.size()); // the system's reason, per row
    const size_t slices = (rows.size() + kSliceRows - 1) / kSliceRows;
    ProgressLine progress(io.out, io.err, io.errIsTerminal, "正在读取拍摄时间，请稍候...", rows.size());
    RunInOrder(
        slices, jobs,
        [&](size_t s) {
            const size_t begin = s * kSliceRows, end = std::min(rows.size(), begin + kSliceRows);
            std::vector<size_t> which;
            for (size_t i = begin; i < end; ++i)
                which.push_back(i);
            RefreshPhotoTimes(rows, which, {}, [&](size_t i, std::string_view reason) { unreadable[i] = reason; });
        },
        [&](size_t s) {
            progress.clear();
            const size_t begin = s * kSliceRows, end = std::min(rows.size(), begin + kSliceRows);
            for (size_t i = begin; i < end; ++i) {
                if (!unreadable[i].empty()) {
                    io.out.flush();
                    TellOfError(io, rows[i].Name, unreadable[i]);
                    anyMissing = true;
                }
                if (form != OutputForm::Json) {
                    io.out << Record({Trim(rows[i].PhotoTime), rows[i].Name}, form);
                    continue;
                }
                JsonLine line;
                line.name("path", spellings.of(rows[i].Name)).raw("photo", JsonTime(rows[i].PhotoTime, "exif", offset));
                if (!unreadable[i].empty()) line.text("error", unreadable[i]);
                io.out << line.done();
            }
            progress.update(end);
            return true;
        });
    return Finish(anyMissing);
}

int NameTimeCommand(const ParsedArgs& a, Io& io) {
    RequireNames(a, "至少一个文件名");
    const NameTimeOptions o = ReadNameOptions(a);
    const OutputForm form = ReadOutputForm(a);
    const int64_t offset = sys().utcOffsetNow();
    bool missing = false;
    Spellings spellings;
    std::string timeText, newName;
    for (const std::string& name : SourceNames(a, io, missing, spellings)) {
        ParseFileNameTime(name, o.start, o.weChat, timeText, newName);
        if (form != OutputForm::Json) {
            io.out << Record({timeText, newName, name}, form);
            continue;
        }
        const std::string spelled = spellings.of(name);
        io.out << JsonLine()
                      .name("path", spelled)
                      .raw("time", JsonTime(timeText, newName.empty() ? "file_name" : "wechat", offset))
                      .raw("new_path", newName.empty()
                                           ? "null"
                                           : JsonString(std::string(FolderOf(spelled)).append(FileNameOf(newName))))
                      .done();
    }
    return Finish(missing);
}

int RenameWeChatCommand(const ParsedArgs& a, Io& io) {
    const NameTimeOptions options{ReadNameOptions(a).start, true};
    Spellings given;
    Spellings* spellings = SpellingsFor(a, given);
    WriteMode mode = ReadWriteMode(a, "");
    mode.spellings = spellings;
    if (a.has("save") && !a.has("snapshot")) throw UsageError("--save 保存改名后的快照，需与 --snapshot 一起使用");
    if (a.has("save") && mode.dryRun) throw UsageError("--dry-run 不改名，不能与 --save 一起使用");
    CheckSnapshotOutput(a, io, mode.tells());
    bool missing = false;
    std::vector<bool> selected;
    std::vector<FileEntry> rows = InputRows(a, io, missing, &selected, spellings);
    PathSet told; // new names given away so far, to tell a clash from a taken name
    WriterReasons refusals;
    const CommandJournal journal(a, mode);
    RenameHooks hooks;
    hooks.dryRun = mode.dryRun;
    hooks.journal = journal.get();
    hooks.onFailure = [&](std::string_view path, std::string_view reason) { refusals.add(path, std::string(reason)); };
    hooks.observer = [&](std::string_view from, std::string_view to) {
        told.insert(to);
        if (!mode.tells()) return;
        if (mode.form != OutputForm::Json) {
            io.out << Record({from, to}, mode.form);
            return;
        }
        // The new name in the spelling of the old one.
        const std::string spelled = Spelled(mode.spellings, from);
        io.out << JsonRename(spelled, std::string(FolderOf(spelled)).append(FileNameOf(to)), mode.dryRun);
    };
    const auto failures = RenameWeChatFiles(rows, AllRows(rows.size()), options, hooks);
    // The snapshot with the new names, whatever could not be renamed.
    const bool saved = !a.has("save") || SaveRows(a, rows, selected, io);
    if (!failures) return Finish(missing || !saved);
    io.out.flush();
    Tally tally;
    tally.changed = told.size();
    tally.failed = failures->paths.size();
    tally.skipped = rows.size() - std::min(rows.size(), tally.changed + tally.failed);
    TellFailures(
        io, FailedModified, *failures,
        [&](const std::string& path) -> std::string {
            if (std::string reason = refusals(path); !reason.empty()) return reason;
            // A dry run fails only where the new name is taken.
            std::string timeText, newName;
            ParseFileNameTime(path, options.start, options.weChat, timeText, newName);
            if (told.contains(newName)) return "与另一文件的新名称相同：" + newName;
            return "已有同名文件：" + newName;
        },
        mode.spellings);
    io.err << SummaryLine(tally);
    return Finish(missing || !saved || !failures->empty());
}

// --- setting and shifting -------------------------------------------------------

int SetCommand(const ParsedArgs& a, Io& io) {
    const TimeKinds kinds = ReadKinds(a, false);
    const NameTimeOptions names = ReadNameOptions(a);
    const unsigned jobs = ReadJobs(a, io);
    const auto to = a.value("to");
    const auto from = a.value("from");
    const auto reference = a.value("reference");
    Spellings given;
    Spellings* spellings = SpellingsFor(a, given);
    WriteMode mode = ReadWriteMode(a, reference ? "reference" : from ? *from : "fixed");
    mode.spellings = spellings;
    if (reference && (to || from)) throw UsageError("--reference 不能与 --to 或 --from 一起使用");
    if (!reference && to.has_value() == from.has_value()) throw UsageError("需要 --to 时间 或 --from 来源（二者选一）");
    const bool dateOnly = a.has("date-only"), timeOnly = a.has("time-only");
    if ((dateOnly || timeOnly) && !to) throw UsageError("--date-only 和 --time-only 只能与 --to 一起使用");
    if (dateOnly && timeOnly) throw UsageError("--date-only 和 --time-only 不能同时使用");

    RowCommandFn command;
    if (to || reference) {
        PickerValues values;
        if (to) {
            const PickerValues::Row row{ParseTimeValue(*to, timeOnly), !timeOnly, !dateOnly};
            values.creation = values.lastWrite = values.lastAccess = row;
        } else {
            // Each kind from the reference's own stamp of that kind, to the
            // nanosecond where the system keeps them, as touch -r copies them.
            const Result<EntryInfo> stamps = sys().findEntry(EntryPathOf(AbsolutePath(*reference)));
            if (!stamps) throw InputError(ShownName(*reference) + ": " + stamps.error().reason);
            const LocalStamps local = LocalStampsOf(*stamps, sys().utcOffsetNow());
            values.creation = {local.creation, true, true, stamps->creation};
            values.lastWrite = {local.lastWrite, true, true, stamps->lastWrite};
            values.lastAccess = {local.lastAccess, true, true, stamps->lastAccess};
        }
        values.kinds = kinds;
        values.nameOptions = names;
        command = [values](std::vector<FileEntry>& rows, const std::vector<size_t>& which, const WriteHooks& hooks) {
            return SetTimesFromPickers(rows, which, values, hooks);
        };
    } else {
        const TimeSource source = ParseSource(*from);
        if (a.has("no-photo-in-compare") && source != TimeSource::Earliest && source != TimeSource::Latest)
            throw UsageError("--no-photo-in-compare 只能与 --from earliest 或 --from latest 一起使用");
        if (source == TimeSource::Row && !a.has("snapshot"))
            throw UsageError("--from snapshot 需要 --snapshot 快照文件");
        SourceOptions options;
        options.kinds = kinds;
        options.includePhotoTime = !a.has("no-photo-in-compare");
        options.nameOptions = names;
        command = [source, options](std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                    const WriteHooks& hooks) {
            return SetTimesFromSource(rows, which, source, options, hooks);
        };
    }
    bool missing = false;
    std::vector<FileEntry> rows = InputRows(a, io, missing, nullptr, spellings);
    WriterReasons reasons;
    const CommandJournal journal(a, mode);
    const RowRun run = RunRowCommand(rows, command, mode, jobs, "正在修改时间，请稍候...", io, reasons, journal.get());
    io.out.flush();
    TellFailures(io, FailedModified, run.failures, reasons, mode.spellings);
    return FinishWriting(run.tally, rows.size(), missing || !run.failures.empty(), io);
}

int ShiftCommand(const ParsedArgs& a, Io& io) {
    const TimeKinds kinds = ReadKinds(a, false);
    Spellings given;
    Spellings* spellings = SpellingsFor(a, given);
    WriteMode mode = ReadWriteMode(a, "shift");
    mode.spellings = spellings;
    const unsigned jobs = ReadJobs(a, io);
    ShiftAmount amount;
    amount.add = !a.has("subtract");
    if (const auto v = a.value("years")) amount.years = ParseAmount("--years", *v);
    if (const auto v = a.value("months")) amount.months = ParseAmount("--months", *v);
    if (const auto v = a.value("days")) amount.days = ParseAmount("--days", *v);
    if (const auto v = a.value("time")) {
        if (a.has("hours") || a.has("minutes") || a.has("seconds"))
            throw UsageError("--time 与 --hours、--minutes、--seconds 不能同时使用");
        // A sign gives the direction of the whole shift.
        const int direction = ParseTimeOfDay(*v, amount);
        if (direction > 0 && a.has("subtract")) throw UsageError("--time 的 + 号与 --subtract 相矛盾");
        if (direction < 0) amount.add = false;
    }
    if (const auto v = a.value("hours")) amount.hours = ParseWholeAmount("--hours", *v);
    if (const auto v = a.value("minutes")) amount.minutes = ParseWholeAmount("--minutes", *v);
    if (const auto v = a.value("seconds")) amount.seconds = ParseWholeAmount("--seconds", *v);
    bool missing = false;
    std::vector<FileEntry> rows = InputRows(a, io, missing, nullptr, spellings);
    const RowCommandFn command = [amount, kinds](std::vector<FileEntry>& r, const std::vector<size_t>& which,
                                                 const WriteHooks& hooks) {
        return ShiftTimes(r, which, amount, kinds, hooks);
    };
    WriterReasons reasons;
    const CommandJournal journal(a, mode);
    const RowRun run = RunRowCommand(rows, command, mode, jobs, "正在修改时间，请稍候...", io, reasons, journal.get());
    io.out.flush();
    TellFailures(io, FailedModified, run.failures, reasons, mode.spellings);
    return FinishWriting(run.tally, rows.size(), missing || !run.failures.empty(), io);
}

// --- synchronising --------------------------------------------------------------

// Hooks that print each change (where asked to), clearing the progress line
// first.
WriteHooks TellingHooks(const WriteMode& mode, Io& io, SequentialTally& tally, WriterReasons& reasons, Journal* journal,
                        std::function<void()> clearProgress) {
    WriteHooks hooks;
    hooks.dryRun = mode.dryRun;
    hooks.journal = journal;
    reasons.attach(hooks);
    hooks.observer = [&io, &tally, mode, clearProgress](std::string_view path, TimeKind kind, std::string_view oldText,
                                                        std::string_view newText, FileTime oldStamp,
                                                        FileTime newStamp) {
        tally.saw(path, oldText, newText);
        if (!mode.tells() || (mode.dryRun && oldText == newText)) return;
        clearProgress();
        io.out << ChangeRecord(mode, path, kind, oldText, newText, oldStamp, newStamp);
    };
    hooks.stopRequested = [&io] { return Interrupted(io); };
    return hooks;
}

int SyncPairsCommand(const ParsedArgs& a, Io& io) {
    RequireOperands(a, 2, 2, "两个快照文件：A.kdx B.kdx");
    const bool compare = a.has("compare");
    if (compare && (a.has("dry-run") || a.has("verbose") || a.has("selected")))
        throw UsageError("--compare 不修改任何文件，不能与 --dry-run、--verbose、--selected 一起使用");
    const TimeKinds kinds = ReadKinds(a, compare);
    const WriteMode mode = ReadWriteMode(a, "pair");
    Snapshot listA = LoadRows(a.operands[0], io);
    Snapshot listB = LoadRows(a.operands[1], io);
    // Leaving a relative row out would pair every row after it with another.
    for (const Snapshot* list : {&listA, &listB})
        for (const FileEntry& row : list->rows)
            if (IsRelativeRow(row))
                throw UsageError("快照中的 " + ShownName(row.Name) + " 不是绝对路径：请先用 replace 改成绝对路径");
    ProgressLine progress(io.out, io.err, io.errIsTerminal, compare ? "正在对比，请稍候..." : "正在同步，请稍候...",
                          std::min(listA.rows.size(), listB.rows.size()));
    const ProgressFn onProgress = [&](size_t done, size_t) { progress.update(done); };
    if (compare) {
        ComparePairs(listA.rows, listB.rows, kinds, onProgress);
        progress.clear();
        const size_t pairs = std::min(listA.rows.size(), listB.rows.size());
        for (size_t i = 0; i < pairs; ++i)
            if (listA.rows[i].DiffMark == 1)
                io.out << (mode.form == OutputForm::Json
                               ? JsonPair(i + 1, listA.rows[i].Name, listB.rows[i].Name)
                               : Record({std::to_string(i + 1), listA.rows[i].Name, listB.rows[i].Name}, mode.form));
        return ExitDone;
    }
    std::vector<size_t> selectedA, selectedB;
    for (size_t i = 0; i < listA.selected.size(); ++i)
        if (listA.selected[i]) selectedA.push_back(i);
    for (size_t i = 0; i < listB.selected.size(); ++i)
        if (listB.selected[i]) selectedB.push_back(i);
    SequentialTally tally;
    WriterReasons reasons;
    size_t done = 0;
    const CommandJournal journal(a, mode);
    const WriteHooks hooks = TellingHooks(mode, io, tally, reasons, journal.get(), [&] { progress.clear(); });
    const auto failures = SyncPairs(listA.rows, listB.rows, selectedA, selectedB, true, !a.has("selected"), kinds,
                                    hooks, [&](size_t d, size_t) {
                                        done = d;
                                        progress.update(d);
                                    });
    progress.clear();
    if (!failures) return ExitDone;
    io.out.flush();
    TellFailures(io, FailedSynced, *failures, reasons);
    return FinishWriting(tally.result(*failures, done), std::min(listA.rows.size(), listB.rows.size()),
                         !failures->empty(), io);
}

int SyncDirCommand(const ParsedArgs& a, Io& io) {
    RequireOperands(a, 2, 2, "来源目录和目标目录");
    const TimeKinds kinds = ReadKinds(a, false);
    Spellings given;
    Spellings* spellings = SpellingsFor(a, given);
    WriteMode mode = ReadWriteMode(a, "tree");
    mode.spellings = spellings;
    const std::string filter = a.value("filter").value_or("*.*");
    if (a.has("only-folders") && a.has("no-folders"))
        throw UsageError("--only-folders 只同步目录，不能与 --no-folders 一起使用");
    ScanFlags flags{!a.has("no-recursive"), !a.has("no-folders"), a.has("only-folders")};
    // A folder of either tree that cannot be searched leaves its entries out
    // of the sync: say so, and let the exit status tell.
    bool unsearched = false;
    const ScanComplaint refused = ComplainOfUnsearchable(io, unsearched, mode.spellings);
    flags.onUnsearchable = &refused;
    const std::string source = AbsolutePath(a.operands[0]);
    const std::string target = AbsolutePath(a.operands[1]);
    // The target first: the changes are made there.
    if (spellings) {
        spellings->add(a.operands[1], target);
        spellings->add(a.operands[0], source);
        spellings->searchDeep(flags.subFolders);
    }
    if (const Status allowed = CheckSyncFolders(source, target); !allowed) {
        io.err << allowed.error().reason << '\n';
        return ExitUsage;
    }
    // The total is known only once both trees are scanned.
    std::optional<ProgressLine> line;
    size_t done = 0, total = 0;
    const ProgressFn onProgress = [&](size_t d, size_t t) {
        if (!line) line.emplace(io.out, io.err, io.errIsTerminal, "正在同步目录，请稍候...", t);
        line->update(d);
        done = d;
        total = t;
    };
    const auto clearLine = [&] {
        if (line) line->clear();
    };
    SequentialTally tally;
    WriterReasons reasons;
    const CommandJournal journal(a, mode);
    const Result<FailureList> failures =
        SyncDirectoryTrees(source, target, filter, flags, kinds,
                           TellingHooks(mode, io, tally, reasons, journal.get(), clearLine), onProgress);
    line.reset();
    if (!failures) {
        io.err << failures.error().reason << '\n';
        return ExitUsage;
    }
    io.out.flush();
    TellFailures(io, FailedSynced, *failures, reasons, mode.spellings);
    return FinishWriting(tally.result(*failures, done), total, unsearched || !failures->empty(), io);
}

// --- undo ---------------------------------------------------------------------------

int UndoCommandLine(const ParsedArgs& a, Io& io) {
    RequireOperands(a, 0, 1, "至多一个命令编号");
    const auto complainOfDamaged = [&io](std::string_view file, std::string_view reason) {
        io.err << ShownName(file) << '\t' << reason << "（已跳过）\n";
    };
    const OutputForm form = ReadOutputForm(a);
    if (a.has("list")) {
        const int64_t offset = sys().utcOffsetNow();
        for (const JournalEntry& e : ReadJournal(complainOfDamaged)) {
            if (form == OutputForm::Json) {
                io.out << JsonLine()
                              .raw("id", std::to_string(e.id))
                              .raw("started", JsonStamp(FileTime::fromUnix(e.started, 0), "journal", offset))
                              .text("command", e.command)
                              .raw("entries", std::to_string(e.entries))
                              .text("state", e.undoneBy   ? "undone"
                                             : e.finished ? "finished"
                                                          : "unfinished")
                              .raw("undone_by", e.undoneBy ? std::to_string(e.undoneBy) : std::string("null"))
                              .done();
                continue;
            }
            const std::string state = e.undoneBy   ? "已撤销（命令 " + std::to_string(e.undoneBy) + "）"
                                      : e.finished ? std::string("已完成")
                                                   : std::string("未完成");
            io.out << Record({std::to_string(e.id),
                              FormatTimeText(FileTimeToLocalDateTime(FileTime::fromUnix(e.started, 0), offset)),
                              e.command, std::to_string(e.entries), state},
                             form);
        }
        return ExitDone;
    }
    if (a.has("clear")) {
        if (const Status cleared = ClearJournal(); !cleared) throw InputError(cleared.error().reason);
        return ExitDone;
    }
    int id = 0;
    if (!a.operands.empty()) {
        const std::string& text = a.operands[0];
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
        if (error != std::errc() || end != text.data() + text.size() || id <= 0)
            throw UsageError("命令编号 “" + text + "” 无效（undo --list 列出编号）");
    }
    const WriteMode mode = ReadWriteMode(a, "journal");
    UndoOptions options;
    options.dryRun = mode.dryRun;
    options.force = a.has("force");
    options.onDamaged = complainOfDamaged;
    options.observer = [&](std::string_view path, TimeKind kind, std::string_view from, std::string_view to,
                           FileTime fromStamp, FileTime toStamp) {
        if (!mode.tells()) return;
        if (kind != TimeKind::NotChosen)
            io.out << ChangeRecord(mode, path, kind, from, to, fromStamp, toStamp);
        else if (mode.form == OutputForm::Json)
            io.out << JsonRename(from, to, mode.dryRun);
        else
            io.out << Record({from, to}, mode.form);
    };
    const Result<UndoReport> report = UndoCommand(id, options);
    if (!report) throw InputError(report.error().reason);
    io.out.flush();
    // Like the failures of the other commands, one a line; each record left
    // alone is told, so an entry may be told for two kinds.
    if (!report->leftAlone.empty()) {
        io.err << "下列文件未恢复：\n";
        for (const auto& [path, reason] : report->leftAlone) {
            io.err << ShownName(path) << '\t' << reason
                   << (reason == ChangedSince ? std::string_view("（--force 可强制恢复）") : std::string_view())
                   << '\n';
            if (io.jsonFailures) io.out << JsonFailure(path, reason);
        }
        io.out.flush();
    }
    io.err << "命令 " << report->undoneId << (mode.dryRun ? " 可恢复 " : " 已恢复 ") << report->restored << "，未恢复 "
           << report->leftAlone.size() << '\n';
    return report->leftAlone.empty() ? ExitDone : ExitFailed;
}

// --- the table of commands ---------------------------------------------------------

struct Command {
    std::string_view name;
    std::vector<OptionSpec> options;
    int (*run)(const ParsedArgs&, Io&);
};

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"list", Options(kPathOptions, kNameOptions, kJobs, kSaveOptions, kNameListOptions, kJson), ListCommand},
        {"show", Options(kJson, kNull), ShowCommand},
        {"replace", Options(kSaveOptions, kJson, kNull), ReplaceCommand},
        {"photo-time", Options(kJobs, kPathOptions, kNameListOptions, kJson), PhotoTimeCommand},
        {"name-time", Options(kNameOptions, kPathOptions, kNameListOptions, kJson), NameTimeCommand},
        {"set",
         Options(kWriteOptions, kPathOptions, kNameOptions, kJobs, OptionSpec{"to", 't', true},
                 OptionSpec{"from", 'f', true}, OptionSpec{"date-only", 0, false}, OptionSpec{"time-only", 0, false},
                 OptionSpec{"no-photo-in-compare", 0, false}, OptionSpec{"snapshot", 's', true}, kNameListOptions,
                 kJson, OptionSpec{"reference", 0, true}),
         SetCommand},
        {"shift",
         Options(kWriteOptions, kPathOptions, kJobs, OptionSpec{"subtract", 0, false}, OptionSpec{"years", 0, true},
                 OptionSpec{"months", 0, true}, OptionSpec{"days", 0, true}, OptionSpec{"time", 0, true},
                 OptionSpec{"snapshot", 's', true}, kNameListOptions, kJson, OptionSpec{"hours", 0, true},
                 OptionSpec{"minutes", 0, true}, OptionSpec{"seconds", 0, true}),
         ShiftCommand},
        {"sync-pairs",
         Options(kWriteOptions, OptionSpec{"compare", 0, false}, OptionSpec{"selected", 0, false}, kJson, kNull),
         SyncPairsCommand},
        {"sync-dir",
         Options(kWriteOptions, OptionSpec{"filter", 0, true}, OptionSpec{"no-recursive", 0, false},
                 OptionSpec{"no-folders", 0, false}, OptionSpec{"only-folders", 0, false}, kJson, kNull),
         SyncDirCommand},
        {"rename-wechat",
         Options(OptionSpec{"dry-run", 'n', false}, OptionSpec{"verbose", 'v', false},
                 OptionSpec{"no-journal", 0, false}, kPathOptions, OptionSpec{"start", 0, true},
                 OptionSpec{"name-start", 0, true}, OptionSpec{"snapshot", 's', true}, kNameListOptions, kJson,
                 kSaveOptions),
         RenameWeChatCommand},
        {"undo",
         Options(OptionSpec{"list", 'l', false}, OptionSpec{"dry-run", 'n', false}, OptionSpec{"verbose", 'v', false},
                 OptionSpec{"force", 0, false}, OptionSpec{"clear", 0, false}, kJson, kNull),
         UndoCommandLine},
    };
    return commands;
}

// No Windows name holds a quote: an argument that does comes from a "\""
// that the command line took as a quote itself ("D:\My Photos\"), which
// also joins the arguments after it to this one.
void RefuseSwallowedArguments(const std::vector<std::string>& args) {
    if (sys().separator() != '\\') return;
    for (const std::string& arg : args)
        if (arg.find('"') != std::string::npos)
            throw UsageError("参数 “" + arg + "” 含有引号：命令行把 \\\" 当作引号本身，并把其后的参数并入了这一个。" +
                             "路径末尾的 \\ 请去掉，或写成 \\\\");
}

const Command* FindCommand(std::string_view name) {
    for (const Command& c : Commands())
        if (c.name == name) return &c;
    return nullptr;
}

} // namespace

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const Command& c : Commands())
        names.emplace_back(c.name);
    return names;
}

std::vector<std::string> CommandOptions(std::string_view command) {
    std::vector<std::string> options;
    if (const Command* c = FindCommand(command))
        for (const OptionSpec& o : c->options) {
            options.push_back("--" + std::string(o.name));
            if (o.shortName != 0) options.push_back(std::string{'-', o.shortName});
        }
    return options;
}

int Run(const std::vector<std::string>& args, Io& io) {
    if (args.empty()) {
        io.err << ProgramHelp();
        return ExitUsage;
    }
    const std::string& first = args[0];
    if (first == "--help" || first == "-h" || first == "help") {
        if (first == "help" && args.size() > 1) {
            const std::string help = CommandHelp(args[1]);
            if (help.empty()) {
                io.err << ProgramName << ": 没有命令 " << args[1] << '\n';
                return ExitUsage;
            }
            io.out << help;
            return ExitDone;
        }
        io.out << ProgramHelp();
        return ExitDone;
    }
    if (first == "--version") {
        io.out << VersionText << '\n';
        return ExitDone;
    }
    const Command* command = FindCommand(first);
    if (!command) {
        io.err << ProgramName << ": 没有命令 " << first << "（可用 " << ProgramName << " --help 查看命令）\n";
        return ExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        RefuseSwallowedArguments(rest);
        ParsedArgs parsed = ParseArgs(rest, command->options);
        for (const std::string& arg : args)
            parsed.line.append(parsed.line.empty() ? "" : " ").append(arg);
        if (parsed.has("help")) {
            io.out << CommandHelp(command->name);
            return ExitDone;
        }
        // Where -0 reads no names, it would only change the output, and JSON
        // has its own.
        if (parsed.has("json") && parsed.has("null") && !parsed.has("files-from"))
            throw UsageError("--json 与 -0（--null）不能同时用于输出：-0 只在与 --files-from 一起读入名称时可与 --json "
                             "同用");
        io.jsonFailures = parsed.has("json");
        const int status = command->run(parsed, io);
        io.out.flush();
        return status;
    } catch (const UsageError& e) {
        io.out.flush();
        io.err << ProgramName << ' ' << command->name << ": " << e.what() << "\n（用 " << ProgramName << ' '
               << command->name << " --help 查看用法）\n";
        return ExitUsage;
    } catch (const InputError& e) {
        io.out.flush();
        io.err << ProgramName << ": " << e.what() << '\n';
        return ExitUsage;
    }
}

} // namespace kdx::cli
