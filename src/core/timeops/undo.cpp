#include "core/timeops/undo.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "core/common/filetime.h"
#include "core/common/text.h"
#include "core/timeops/writer.h"
#include "platform/platform.h"

namespace kdx {

namespace {

std::string Shown(FileTime t) {
    return FormatTimeText(FileTimeToLocalDateTime(t, sys().utcOffsetNow()));
}

constexpr std::array<TimeKind, 3> kKinds = {TimeKind::Creation, TimeKind::LastWrite, TimeKind::LastAccess};

// What a command did to one entry: a rename, or the stamps it wrote, each
// kind with the value before its first write and after its last.
struct EntryChange {
    bool rename = false;
    std::string path;    // the entry, or for a rename its old path
    std::string newPath; // a rename's new path
    std::array<std::optional<FileTime>, 3> before, after;
    size_t last = 0; // the number of its last record

    static size_t Slot(TimeKind kind) { return static_cast<size_t>(kind) - 1; }
};

// The changes of command id, one per entry, the last changed first: a
// later change may build on an earlier one (a stamp written to a renamed
// entry goes back before the name does). entry is what the command is.
Result<std::vector<EntryChange>> ChangesOf(int id, JournalEntry& entry) {
    std::vector<EntryChange> changes;
    std::unordered_map<std::string, size_t> stampsOf; // by PathKey
    size_t number = 0;
    Result<JournalEntry> read = ReadJournalCommand(id, [&](JournalRecord&& r) {
        const size_t at = number++;
        if (r.rename) {
            // Stamps recorded for either name afterwards belong to another entry.
            stampsOf.erase(PathKey(r.path));
            stampsOf.erase(PathKey(r.newPath));
            changes.push_back(EntryChange{true, std::move(r.path), std::move(r.newPath), {}, {}, at});
            return;
        }
        const auto [found, fresh] = stampsOf.try_emplace(PathKey(r.path), changes.size());
        if (fresh) changes.push_back(EntryChange{false, std::move(r.path), {}, {}, {}, at});
        EntryChange& c = changes[found->second];
        const size_t slot = EntryChange::Slot(r.kind);
        if (!c.before[slot]) c.before[slot] = r.before;
        c.after[slot] = r.after;
        c.last = at;
    });
    if (!read) return read.error();
    entry = std::move(*read);
    std::sort(changes.begin(), changes.end(),
              [](const EntryChange& a, const EntryChange& b) { return a.last > b.last; });
    return changes;
}

// Undoes one command, entry by entry.
class Undoer {
public:
    Undoer(const UndoOptions& options, Journal* own, UndoReport& report)
        : m_options(options), m_own(own), m_report(report) {}

    Status rename(const EntryChange& c);
    Status stamps(const EntryChange& c);

private:
    void leave(const std::string& path, std::string_view reason) {
        m_report.leftAlone.emplace_back(path, std::string(reason));
    }

    const UndoOptions& m_options;
    Journal* m_own;
    UndoReport& m_report;
};

Status Undoer::rename(const EntryChange& c) {
    Platform& p = sys();
    const bool movedThere = p.findEntry(c.newPath).has_value();
    const bool oldFree = !p.findEntry(c.path).has_value();
    if (!movedThere && !oldFree) return {}; // the rename was never made
    if (!movedThere || !oldFree) {
        leave(c.newPath, RenamedEntryGone);
        return {};
    }
    if (!m_options.dryRun) {
        if (Status noted = m_own->recordRename(c.newPath, c.path); !noted) return noted;
        if (Status renamed = p.renameNoReplace(c.newPath, c.path); !renamed) {
            leave(c.newPath, renamed.error().reason);
            return {};
        }
    }
    if (m_options.observer) m_options.observer(c.newPath, TimeKind::NotChosen, c.newPath, c.path, {}, {});
    ++m_report.restored;
    return {};
}

Status Undoer::stamps(const EntryChange& c) {
    Platform& p = sys();
    const auto info = p.findEntry(c.path);
    if (!info) {
        leave(c.path, info.error().reason);
        return {};
    }
    // The kinds not back yet; one that is neither back nor as the command
    // left it was changed since, and so was the entry.
    std::vector<TimeKind> back;
    bool changed = false;
    for (const TimeKind kind : kKinds) {
        const size_t slot = EntryChange::Slot(kind);
        if (!c.after[slot]) continue;
        const FileTime now = info->of(kind);
        if (now == *c.before[slot]) continue; // never written, or already back
        back.push_back(kind);
        changed = changed || now != *c.after[slot];
    }
    if (back.empty()) return {};
    if (changed && !m_options.force) {
        leave(c.path, ChangedSince);
        return {};
    }
    const auto tell = [&](TimeKind kind, FileTime from) {
        const FileTime to = *c.before[EntryChange::Slot(kind)];
        if (m_options.observer) m_options.observer(c.path, kind, Shown(from), Shown(to), from, to);
    };
    if (m_options.dryRun) {
        for (const TimeKind kind : back)
            tell(kind, info->of(kind));
        ++m_report.restored;
        return {};
    }
    std::string lines;
    StampSet restored;
    for (const TimeKind kind : back) {
        const FileTime value = *c.before[EntryChange::Slot(kind)];
        Journal::AppendStampLine(lines, c.path, kind, info->of(kind), value);
        *restored.of(kind) = value;
    }
    if (Status noted = m_own->recordLines(lines, back.size()); !noted) return noted;
    const StampsSet set = SetStamps(c.path, restored, info->attributes);
    if (!set.written) {
        leave(c.path, set.written.error().reason);
        return {};
    }
    // Read back: a file system may keep another value than it was given.
    const auto after = p.findEntry(c.path);
    if (!after) {
        leave(c.path, after.error().reason);
        return {};
    }
    std::string otherwise;
    for (const TimeKind kind : back) {
        const FileTime value = *c.before[EntryChange::Slot(kind)];
        if (after->of(kind) == value)
            tell(kind, info->of(kind));
        else if (otherwise.empty())
            otherwise = "文件系统存为 " + Shown(after->of(kind)) + "，而不是 " + Shown(value);
    }
    // Stamps back but the entry left writable: listed, with what is wrong.
    if (otherwise.empty() && !set.readOnlyNotRestored.empty()) otherwise = "时间已恢复，但" + set.readOnlyNotRestored;
    if (!otherwise.empty())
        leave(c.path, otherwise);
    else
        ++m_report.restored;
    return {};
}

// Why command id cannot be taken back when its file could not be read:
// the file is told as damaged, unless there is none (the number is not in
// the journal, which is no damage).
Failure Unreadable(int id, const Failure& failure, const JournalDamageFn& onDamaged) {
    if (onDamaged && sys().findEntry(JournalFile(id))) onDamaged(JournalFile(id), failure.reason);
    return Failure{0, "撤销日志中没有可读的命令 " + std::to_string(id)};
}

} // namespace

Result<JournalEntry> CommandToUndo(int id, const JournalDamageFn& onDamaged, bool pastDamaged) {
    const auto damaged = [&](int of, const Failure& f) {
        if (onDamaged) onDamaged(JournalFile(of), f.reason);
    };
    if (id != 0) {
        Result<JournalEntry> entry = ReadJournalCommand(id);
        if (entry) return entry;
        return Unreadable(id, entry.error(), onDamaged);
    }
    // Undos themselves are passed over, so that undoing again goes further
    // back; an undo is taken back by its number.
    const std::vector<int> ids = JournalIds();
    bool newerDamaged = false;
    for (auto at = ids.rbegin(); at != ids.rend(); ++at) {
        Result<JournalEntry> entry = ReadJournalCommand(*at);
        if (!entry) {
            damaged(*at, entry.error());
            newerDamaged = true;
            continue;
        }
        if (entry->undoneBy != 0 || entry->records == 0 || entry->command.starts_with(UndoCommandPrefix)) continue;
        if (newerDamaged && !pastDamaged)
            return Failure{0, "撤销日志中比命令 " + std::to_string(entry->id) +
                                  " 新的记录无法读取，最后的命令可能就在其中；未指明编号时不撤销命令 " +
                                  std::to_string(entry->id)};
        return entry;
    }
    return Failure{0, std::string(NothingToUndo)};
}

Result<UndoReport> UndoCommand(int id, const UndoOptions& options) {
    if (id == 0) {
        const Result<JournalEntry> last = CommandToUndo(0, options.onDamaged);
        if (!last) return last.error();
        id = last->id;
    }
    // Read again, this time with its changes: those of no other command
    // are kept.
    JournalEntry target;
    Result<std::vector<EntryChange>> changes = ChangesOf(id, target);
    if (!changes) return Unreadable(id, changes.error(), options.onDamaged);
    if (target.undoneBy != 0)
        return Failure{0, "命令 " + std::to_string(id) + " 已由命令 " + std::to_string(target.undoneBy) + " 撤销"};

    UndoReport report;
    report.undoneId = id;
    std::unique_ptr<Journal> own;
    if (!options.dryRun) {
        Result<std::unique_ptr<Journal>> begun = Journal::Begin(std::string(UndoCommandPrefix) + std::to_string(id));
        if (!begun) return begun.error();
        own = std::move(*begun);
        report.journalId = own->id();
    }
    Undoer undoer(options, own.get(), report);
    const size_t total = changes->size();
    for (size_t done = 0; done < total; ++done) {
        if (options.progress && done % 256 == 0) options.progress(done, total);
        const EntryChange& c = (*changes)[done];
        if (Status undone = c.rename ? undoer.rename(c) : undoer.stamps(c); !undone) return undone.error();
    }
    if (options.progress) options.progress(total, total);
    if (own) {
        if (Status finished = own->finish(); !finished) return finished.error();
        // Taken back only when nothing was left: a later undo may still
        // restore what was left alone, and passes over what is back.
        if (report.leftAlone.empty())
            if (Status marked = MarkUndone(id, own->id()); !marked) return marked.error();
    }
    return report;
}

} // namespace kdx
