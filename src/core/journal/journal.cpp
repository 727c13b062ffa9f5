#include "core/journal/journal.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <unordered_set>

#include "base/crc32.h"
#include "core/common/text.h"
#include "platform/platform.h"

namespace kdx {

namespace {

constexpr std::string_view kSignature = "KDXJ";
constexpr std::string_view kVersion = "1";
constexpr std::string_view kExtension = ".kdxj";
// How long records may go without a sync after the first. Until then they
// are with the system, which keeps them when the program is killed; on the
// same disk, a file system that orders its metadata (ext4, NTFS) does not
// store a later stamp change before them either. A sync costs milliseconds,
// so one per record would cost more than the change itself.
constexpr std::chrono::seconds kSyncEvery{1};

std::string Hex8(uint32_t v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4)
        out[static_cast<size_t>(i)] = kDigits[v & 0xF];
    return out;
}

void AppendEscaped(std::string& out, std::string_view text) {
    // Whole runs between the characters to escape: a command records every
    // entry's path.
    size_t from = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' && c != '\t' && c != '\n' && c != '\r') continue;
        out.append(text, from, i - from);
        out += '\\';
        out += c == '\\' ? '\\' : c == '\t' ? 't' : c == '\n' ? 'n' : 'r';
        from = i + 1;
    }
    out.append(text, from);
}

std::optional<std::string> Unescaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 't':
            out += '\t';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        default:
            return std::nullopt;
        }
    }
    return out;
}

// Ends the line that begins at start in lines: TAB, the checksum of what
// precedes it on the line, LF.
void Seal(std::string& lines, size_t start) {
    const uint32_t crc = Crc32(std::string_view(lines).substr(start));
    lines += '\t';
    lines += Hex8(crc);
    lines += '\n';
}

// The fields joined by TAB, then TAB, the checksum and LF.
std::string Line(std::initializer_list<std::string_view> fields) {
    std::string line;
    bool first = true;
    for (std::string_view f : fields) {
        if (!first) line += '\t';
        line += f;
        first = false;
    }
    Seal(line, 0);
    return line;
}

std::string Escaped(std::string_view text) {
    std::string out;
    AppendEscaped(out, text);
    return out;
}

template <class T>
std::optional<T> Number(std::string_view text) {
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// The number a journal file's name gives, 0 for any other name.
int IdOfName(std::string_view name) {
    if (name.size() <= kExtension.size() || name.substr(name.size() - kExtension.size()) != kExtension) return 0;
    const auto id = Number<int>(name.substr(0, name.size() - kExtension.size()));
    return id && *id > 0 ? *id : 0;
}

std::string PathOfId(const std::string& folder, int id) {
    return AddTrailingBackslash(folder) + std::to_string(id) + std::string(kExtension);
}

// The numbers of the journal files in folder, ascending.
std::vector<int> Ids(const std::string& folder) {
    std::vector<DirEntry> entries;
    std::vector<int> ids;
    if (!sys().listDirectory(folder, "*" + std::string(kExtension), false, entries)) return ids;
    for (const DirEntry& e : entries)
        if ((e.attributes & attr::Directory) == 0)
            if (const int id = IdOfName(e.name)) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Drops the oldest commands beyond the bounds; keep is never dropped.
void Prune(const std::string& folder, int keep) {
    std::vector<int> ids = Ids(folder);
    std::vector<uint64_t> sizes;
    uint64_t total = 0;
    for (int id : ids) {
        const auto file = sys().openForRead(PathOfId(folder, id));
        sizes.push_back(file ? (*file)->size() : 0);
        total += sizes.back();
    }
    for (size_t i = 0; i < ids.size() && ids[i] != keep; ++i) {
        if (ids.size() - i <= JournalMaxCommands && total <= JournalMaxBytes) break;
        if (sys().deleteFile(PathOfId(folder, ids[i]))) total -= sizes[i];
    }
}

int64_t NowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

std::string JournalFolder() {
    Platform& p = sys();
    if (auto own = p.environment("KAIRODEX_JOURNAL"); own && !own->empty()) return *own;
    if (p.separator() == '\\') {
        const auto local = p.environment("LOCALAPPDATA");
        if (!local || local->empty()) return {};
        return AddTrailingBackslash(*local) + "Kairodex\\journal";
    }
    if (auto state = p.environment("XDG_STATE_HOME"); state && !state->empty() && state->front() == '/')
        return AddTrailingBackslash(*state) + "kairodex/journal";
    const auto home = p.environment("HOME");
    if (!home || home->empty()) return {};
    return AddTrailingBackslash(*home) + ".local/state/kairodex/journal";
}

Journal::Journal(int id, std::string path, std::unique_ptr<OutputFile> file)
    : m_id(id), m_path(std::move(path)), m_file(std::move(file)) {}

Journal::~Journal() = default;

Result<std::unique_ptr<Journal>> Journal::Begin(std::string_view command) {
    const std::string folder = JournalFolder();
    if (folder.empty()) return Failure{0, "无法写入撤销日志：找不到它的位置（可设置 KAIRODEX_JOURNAL）"};
    const auto refused = [&](const Failure& f) {
        return Failure{f.code, "无法写入撤销日志 " + folder + "：" + f.reason};
    };
    if (Status made = sys().createFolders(folder); !made) return refused(made.error());
    const std::vector<int> ids = Ids(folder);
    int id = ids.empty() ? 1 : ids.back() + 1;
    // Another program may take the same number at the same time, and may
    // even have removed it again (a command that wrote nothing): a number
    // taken moves on, a number gone is tried once more, and only a failure
    // with no file in the way is final.
    Result<std::unique_ptr<OutputFile>> file = Failure{};
    bool triedAgain = false;
    for (int attempt = 0; attempt < 100; ++attempt) {
        file = sys().createNewFile(PathOfId(folder, id));
        if (file) break;
        if (sys().findEntry(PathOfId(folder, id))) {
            ++id;
            triedAgain = false;
        } else if (triedAgain) {
            break;
        } else {
            triedAgain = true;
        }
    }
    if (!file) return refused(file.error());
    std::unique_ptr<Journal> journal(new Journal(id, PathOfId(folder, id), std::move(*file)));
    const std::string header = Line({kSignature, kVersion}) + Line({"command", Escaped(command)}) +
                               Line({"started", std::to_string(NowSeconds())});
    if (Status written = journal->m_file->append(header); !written) return refused(written.error());
    if (Status synced = journal->m_file->sync(); !synced) return refused(synced.error());
    Prune(folder, id);
    return journal;
}

Status Journal::append(std::string_view lines, size_t count) {
    if (count == 0) return {};
    const std::lock_guard lock(m_mutex);
    if (!m_file) return Failure{0, "撤销日志已结束"};
    if (Status written = m_file->append(lines); !written) return failed(written.error());
    const bool first = m_records == 0;
    m_records += count;
    const auto now = std::chrono::steady_clock::now();
    if (!first && now - m_synced < kSyncEvery) return {};
    m_synced = now;
    if (Status synced = m_file->sync(); !synced) return failed(synced.error());
    return {};
}

Failure Journal::failed(const Failure& failure) {
    if (m_failure.empty()) m_failure = failure.reason;
    return failure;
}

std::string Journal::failure() const {
    const std::lock_guard lock(m_mutex);
    return m_failure;
}

void Journal::AppendStampLine(std::string& lines, std::string_view path, TimeKind kind, FileTime before,
                              FileTime after) {
    // Written without a string per field: a command records every entry.
    const size_t start = lines.size();
    lines += "S\t";
    AppendEscaped(lines, path);
    for (const int64_t n :
         {int64_t{static_cast<int>(kind)}, before.ticks, int64_t{before.nanos}, after.ticks, int64_t{after.nanos}}) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, n).ptr;
        lines += '\t';
        lines.append(digits, end);
    }
    Seal(lines, start);
}

Status Journal::recordStamp(std::string_view path, TimeKind kind, FileTime before, FileTime after) {
    std::string line;
    AppendStampLine(line, path, kind, before, after);
    return append(line, 1);
}

Status Journal::recordLines(std::string_view lines, size_t count) {
    return append(lines, count);
}

Status Journal::recordRename(std::string_view from, std::string_view to) {
    return append(Line({"R", Escaped(from), Escaped(to)}), 1);
}

Status Journal::finish() {
    const std::lock_guard lock(m_mutex);
    if (!m_file) return {};
    if (m_records == 0) {
        m_file.reset();
        return sys().deleteFile(m_path);
    }
    Status done = m_file->append(Line({"end"}));
    if (done) done = m_file->sync();
    // Closed, so that an undo may mark it (Windows shares an open file
    // for reading only).
    m_file.reset();
    return done;
}

namespace {

// A line longer than any record can be (two paths of the longest the
// systems allow, every byte escaped) is not a journal's.
constexpr size_t kMaxLine = size_t{1} << 20;

// Takes a journal's lines one at a time, keeping only what the command is,
// and tells each change it recorded.
class Parser {
public:
    explicit Parser(const JournalRecordFn& onRecord) : m_onRecord(onRecord) {}

    Status take(std::string_view line);
    // What was read; a file without a single whole line is no journal.
    Result<JournalEntry> result() {
        if (m_number == 0) return Failure{0, "不是撤销日志文件"};
        return std::move(m_entry);
    }

private:
    const JournalRecordFn& m_onRecord;
    JournalEntry m_entry;
    size_t m_number = 0;
    // The entries met so far, by the hash of the path as written: the count
    // is only shown, and a path's text is not kept.
    std::unordered_set<size_t> m_paths;

    void counted(std::string_view path) {
        ++m_entry.records;
        if (m_paths.insert(std::hash<std::string_view>{}(path)).second) ++m_entry.entries;
    }
};

Status Parser::take(std::string_view line) {
    const size_t number = m_number++;
    const Failure foreign{0, "不是撤销日志文件"};
    const size_t tab = line.rfind('\t');
    const bool intact = tab != std::string_view::npos && line.size() - tab - 1 == 8 &&
                        line.substr(tab + 1) == Hex8(Crc32(line.substr(0, tab)));
    if (!intact) {
        if (number == 0) return foreign;
        return Failure{0, "撤销日志第 " + std::to_string(number + 1) + " 行已损坏"};
    }
    const std::vector<std::string_view> f = Fields(line.substr(0, tab));
    if (number == 0) {
        if (f.size() != 2 || f[0] != kSignature) return foreign;
        if (f[1] != kVersion) return Failure{0, "撤销日志的版本 " + std::string(f[1]) + " 不能读取"};
        return {};
    }
    const auto damaged = Failure{0, "撤销日志第 " + std::to_string(number + 1) + " 行无法读取"};
    if (f[0] == "command" && f.size() == 2) {
        auto text = Unescaped(f[1]);
        if (!text) return damaged;
        m_entry.command = std::move(*text);
    } else if (f[0] == "started" && f.size() == 2) {
        const auto seconds = Number<int64_t>(f[1]);
        if (!seconds) return damaged;
        m_entry.started = *seconds;
    } else if (f[0] == "S" && f.size() == 7) {
        JournalRecord r;
        auto path = Unescaped(f[1]);
        const auto kind = Number<int>(f[2]);
        const auto bt = Number<int64_t>(f[3]);
        const auto bn = Number<int32_t>(f[4]);
        const auto at = Number<int64_t>(f[5]);
        const auto an = Number<int32_t>(f[6]);
        if (!path || !kind || *kind < 1 || *kind > 3 || !bt || !bn || !at || !an || *bn < 0 || *bn > 99 || *an < 0 ||
            *an > 99)
            return damaged;
        counted(f[1]);
        if (!m_onRecord) return {};
        r.path = std::move(*path);
        r.kind = static_cast<TimeKind>(*kind);
        r.before = FileTime{*bt, *bn};
        r.after = FileTime{*at, *an};
        m_onRecord(std::move(r));
    } else if (f[0] == "R" && f.size() == 3) {
        JournalRecord r;
        auto from = Unescaped(f[1]);
        auto to = Unescaped(f[2]);
        if (!from || !to) return damaged;
        counted(f[1]);
        if (!m_onRecord) return {};
        r.rename = true;
        r.path = std::move(*from);
        r.newPath = std::move(*to);
        m_onRecord(std::move(r));
    } else if (f[0] == "end" && f.size() == 1) {
        m_entry.finished = true;
    } else if (f[0] == "undone" && f.size() == 2) {
        const auto by = Number<int>(f[1]);
        if (!by) return damaged;
        m_entry.undoneBy = *by;
    } else {
        return damaged;
    }
    return {};
}

// The lines of a file, read through a buffer of fixed size. A last line
// without its end was being written when the program stopped: what it
// records was not begun, so it is not a line.
class LineReader {
public:
    explicit LineReader(InputFile& file) : m_file(file) {}

    // The next whole line without its LF; nothing at the end.
    Result<std::optional<std::string_view>> next() {
        for (;;) {
            const size_t end = m_buffer.find('\n', m_pos);
            if (end != std::string::npos) {
                const std::string_view line = std::string_view(m_buffer).substr(m_pos, end - m_pos);
                m_pos = end + 1;
                return std::optional<std::string_view>(line);
            }
            if (m_offset >= m_file.size()) return std::optional<std::string_view>();
            if (m_buffer.size() - m_pos > kMaxLine) return Failure{0, "撤销日志中有过长的行"};
            m_buffer.erase(0, m_pos);
            m_pos = 0;
            const size_t kept = m_buffer.size();
            m_buffer.resize(kept + kChunk);
            const int64_t n = m_file.readAt(m_offset, m_buffer.data() + kept, kChunk);
            if (n < 0) return Failure{0, "撤销日志无法读取"};
            m_buffer.resize(kept + static_cast<size_t>(n));
            if (n == 0) return std::optional<std::string_view>(); // shorter than it said
            m_offset += static_cast<uint64_t>(n);
        }
    }

private:
    static constexpr size_t kChunk = size_t{64} << 10;
    InputFile& m_file;
    std::string m_buffer;
    size_t m_pos = 0;
    uint64_t m_offset = 0;
};

// Where a torn last line of path begins; nothing when the file ends with
// a whole line.
Result<std::optional<uint64_t>> TornLineAt(const std::string& path) {
    Result<std::unique_ptr<InputFile>> file = sys().openForRead(path);
    if (!file) return file.error();
    const uint64_t size = (*file)->size();
    char chunk[4096];
    for (uint64_t end = size; end > 0;) {
        const uint64_t start = end > sizeof chunk ? end - sizeof chunk : 0;
        const size_t want = static_cast<size_t>(end - start);
        if ((*file)->readAt(start, chunk, want) != static_cast<int64_t>(want)) return Failure{0, "撤销日志无法读取"};
        for (size_t i = want; i > 0; --i)
            if (chunk[i - 1] == '\n') return start + i == size ? std::nullopt : std::optional<uint64_t>(start + i);
        end = start;
    }
    return size == 0 ? std::nullopt : std::optional<uint64_t>(0);
}

} // namespace

Result<JournalEntry> ParseJournal(std::string_view bytes, const JournalRecordFn& onRecord) {
    Parser parser(onRecord);
    for (size_t pos = 0;;) {
        const size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) break;
        if (Status taken = parser.take(bytes.substr(pos, end - pos)); !taken) return taken.error();
        pos = end + 1;
    }
    return parser.result();
}

std::vector<int> JournalIds() {
    const std::string folder = JournalFolder();
    if (folder.empty()) return {};
    return Ids(folder);
}

std::string JournalFile(int id) {
    return PathOfId(JournalFolder(), id);
}

Result<JournalEntry> ReadJournalCommand(int id, const JournalRecordFn& onRecord) {
    if (JournalFolder().empty()) return Failure{0, "找不到撤销日志的位置"};
    Result<std::unique_ptr<InputFile>> file = sys().openForRead(JournalFile(id));
    if (!file) return file.error();
    Parser parser(onRecord);
    LineReader lines(**file);
    for (;;) {
        Result<std::optional<std::string_view>> line = lines.next();
        if (!line) return line.error();
        if (!*line) break;
        if (Status taken = parser.take(**line); !taken) return taken.error();
    }
    Result<JournalEntry> entry = parser.result();
    if (entry) entry->id = id;
    return entry;
}

std::vector<JournalEntry> ReadJournal(const JournalDamageFn& onDamaged) {
    std::vector<JournalEntry> entries;
    for (int id : JournalIds()) {
        Result<JournalEntry> entry = ReadJournalCommand(id);
        if (!entry) {
            if (onDamaged) onDamaged(JournalFile(id), entry.error().reason);
            continue;
        }
        entries.push_back(std::move(*entry));
    }
    return entries;
}

Status MarkUndone(int id, int by) {
    const std::string path = JournalFile(id);
    // A command killed while it wrote a record leaves that line torn: the
    // mark appended to it would make the line, and so the file, unreadable.
    // Cut off, it is what the reader leaves out anyway.
    const Result<std::optional<uint64_t>> torn = TornLineAt(path);
    if (!torn) return torn.error();
    if (*torn)
        if (Status cut = sys().truncateFile(path, **torn); !cut) return cut;
    Result<std::unique_ptr<OutputFile>> file = sys().openForAppend(path);
    if (!file) return file.error();
    if (Status written = (*file)->append(Line({"undone", std::to_string(by)})); !written) return written;
    return (*file)->sync();
}

Status ClearJournal() {
    const std::string folder = JournalFolder();
    if (folder.empty()) return {};
    for (int id : Ids(folder))
        if (Status removed = sys().deleteFile(PathOfId(folder, id)); !removed) return removed;
    return {};
}

} // namespace kdx
