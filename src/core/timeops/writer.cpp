#include "core/timeops/writer.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "core/common/text.h"
#include "core/journal/journal.h"
#include "platform/platform.h"

namespace kdx {

namespace {

bool IsKind(TimeKind kind) {
    return kind == TimeKind::Creation || kind == TimeKind::LastWrite || kind == TimeKind::LastAccess;
}

bool HasEffect(const StampChange& c) {
    return IsKind(c.kind) && (c.changeDate || c.changeTime);
}

// First and last millisecond of years 1 to 9999.
const DateTime kFirst = DateTime::fromFields({MinYear, 1, 1, 0, 0, 0, 0});
const DateTime kLast = DateTime::fromFields({MaxYear, 12, 31, 23, 59, 59, 999});

} // namespace

TimeKinds TimeKinds::FromChecks(bool creationChecked, bool lastWriteChecked, bool lastAccessChecked) {
    return TimeKinds{creationChecked ? TimeKind::Creation : TimeKind::NotChosen,
                     lastWriteChecked ? TimeKind::LastWrite : TimeKind::NotChosen,
                     lastAccessChecked ? TimeKind::LastAccess : TimeKind::NotChosen};
}

ReadOnlyState AdjustReadOnly(std::string_view path, bool clear) {
    ReadOnlyState state;
    const std::string entry = EntryPathOf(path);
    const auto attributes = sys().getAttributes(entry);
    if (!attributes) return state; // nothing there to change
    state.wasReadOnly = (*attributes & attr::ReadOnly) != 0;
    Status changed;
    if (clear && state.wasReadOnly)
        changed = sys().setAttributes(entry, *attributes & ~attr::ReadOnly);
    else if (!clear && !state.wasReadOnly)
        changed = sys().setAttributes(entry, *attributes | attr::ReadOnly);
    if (!changed) {
        state.ok = false;
        state.reason = changed.error().reason;
    }
    return state;
}

StampsSet SetStamps(const std::string& entry, const StampSet& stamps, uint32_t attributes) {
    Platform& p = sys();
    StampsSet result{p.setFileTimes(entry, stamps), {}};
    // Some Windows file systems refuse stamps on read-only entries; only then
    // is the bit cleared (on a folder it also switches off its
    // customisation), and put back. POSIX lets the owner set them
    // regardless, so permissions stay untouched there.
    if (!result.written && p.timesNeedWritable() && (attributes & attr::ReadOnly)) {
        const ReadOnlyState cleared = AdjustReadOnly(entry, true);
        if (cleared.ok && cleared.wasReadOnly) {
            result.written = p.setFileTimes(entry, stamps);
            // An entry left writable is a change nobody asked for: told,
            // whether the stamps went in or not.
            if (const ReadOnlyState back = AdjustReadOnly(entry, false); !back.ok) {
                const std::string lost = "未能恢复只读属性：" + back.reason;
                if (result.written)
                    result.readOnlyNotRestored = lost;
                else
                    result.written = Failure{result.written.error().code, result.written.error().reason + "；" + lost};
            }
        }
    }
    return result;
}

namespace {

// The coarsest resolution of a file system's stamps, FAT's last-write time
// in steps of 2 s: a value read back less than a step from the one written
// is that value rounded; a value a whole step or more away was clamped.
constexpr int64_t kCoarsestTicks = 2 * FileTime::TicksPerSecond;

bool HoldsAtResolution(TimeKind kind, FileTime written, FileTime stored, int64_t offset) {
    const int64_t diff = stored.ticks - written.ticks;
    if (diff > -kCoarsestTicks && diff < kCoarsestTicks) return true;
    // FAT keeps the last access as a date only.
    if (kind != TimeKind::LastAccess) return false;
    const DateTime s = FileTimeToLocalDateTime(stored, offset);
    return s.timeOfDayMs() == 0 && s.date() == FileTimeToLocalDateTime(written, offset).date();
}

// One stamp handed to the system.
struct Written {
    TimeKind kind = TimeKind::NotChosen;
    FileTime stamp;
    DateTime before; // local, whole seconds
    DateTime stored; // local, whole seconds, as read back
    bool holds = true;
    FileTime storedStamp; // as read back; in a dry run, as it would be written
};

// Reads the entry back once its stamps are written: the system accepts a
// value out of the file system's range and keeps another one. A kind
// written twice is judged by its last write. Fills in what is stored.
Status CheckStored(const std::string& entry, std::string_view path, std::span<Written> written, int64_t offset,
                   const WriteHooks& hooks) {
    const auto after = sys().findEntry(entry);
    if (!after) return hooks.fail(path, after.error().reason);
    Status result;
    for (size_t i = 0; i < written.size(); ++i) {
        Written& w = written[i];
        const FileTime stored = after->of(w.kind);
        w.stored = FileTimeToLocalDateTime(stored, offset).wholeSeconds();
        const auto later = std::find_if(written.begin() + static_cast<std::ptrdiff_t>(i) + 1, written.end(),
                                        [&](const Written& x) { return x.kind == w.kind; });
        if (later != written.end()) {
            w.stored = FileTimeToLocalDateTime(w.stamp, offset).wholeSeconds();
            continue;
        }
        w.storedStamp = stored;
        if (HoldsAtResolution(w.kind, w.stamp, stored, offset)) continue;
        w.holds = false;
        result = hooks.fail(path,
                            StoredOtherwise(w.kind, FileTimeToLocalDateTime(w.stamp, offset).wholeSeconds(), w.stored));
    }
    return result;
}

// Whole values written where stamps need no unlocking, no one watches and
// nothing is journaled need nothing of the current entry: a missing entry
// makes the system call fail just as the read would. Saves one stat.
bool NeedsEntry(std::span<const StampChange> changes, const WriteHooks& hooks) {
    if (hooks.dryRun || hooks.observer || hooks.journal || sys().timesNeedWritable()) return true;
    for (const StampChange& c : changes)
        if (HasEffect(c) && !(c.changeDate && c.changeTime)) return true;
    return false;
}

// One entry's write, worked out before anything is written: the stamps in
// the order given, and where a change cannot be made, the reason the write
// stops there (what precedes it is still written, as one call per change
// would have written it).
struct Plan {
    std::string entry;
    std::optional<EntryInfo> before; // read when the changes or the hooks need it
    int64_t offset = 0;
    std::vector<Written> written;
    std::optional<std::string> stop;

    bool anything() const { return !written.empty() || stop; }
};

// entry is the path as the system takes it (EntryPathOf); known is the
// entry as the caller read it just now, if it did.
Plan MakePlan(std::string entry, std::span<const StampChange> changes, const WriteHooks& hooks,
              const EntryInfo* known) {
    Plan plan;
    if (std::none_of(changes.begin(), changes.end(), HasEffect)) return plan;
    Platform& p = sys();
    plan.entry = std::move(entry);
    plan.offset = p.utcOffsetNow();
    if (known) {
        plan.before = *known;
    } else if (plan.entry.empty() || NeedsEntry(changes, hooks)) {
        // An empty entry is left to the read, which tells why it fails.
        Result<EntryInfo> found = p.findEntry(plan.entry);
        if (!found) {
            plan.stop = found.error().reason;
            return plan;
        }
        plan.before = *found;
    }
    plan.written.reserve(changes.size());
    for (const StampChange& c : changes) {
        if (!HasEffect(c)) continue;
        // Never report a creation stamp as written where none can be.
        if (c.kind == TimeKind::Creation && !p.canSetCreationTime()) {
            plan.stop = std::string(CreationNotSettable);
            break;
        }
        DateTime current;
        if (plan.before) current = FileTimeToLocalDateTime(plan.before->of(c.kind), plan.offset).wholeSeconds();
        DateTime v;
        if (c.exact) {
            v = FileTimeToLocalDateTime(*c.exact, plan.offset);
        } else {
            const DateTime wanted = c.value.wholeSeconds();
            const DateTime day = c.changeDate ? wanted.date() : current.date();
            const int64_t time = c.changeTime ? wanted.timeOfDayMs() : current.timeOfDayMs();
            v = DateTime::fromMs(day.ms() + time);
        }
        if (v < kFirst || v > kLast) {
            plan.stop = std::string(OutsideYears);
            break;
        }
        const FileTime stamp = c.exact ? *c.exact : LocalDateTimeToFileTime(v, plan.offset);
        plan.written.push_back(Written{c.kind, stamp, current, v.wholeSeconds(), true, stamp});
    }
    return plan;
}

// The journal's lines for a plan: each stamp with the value it replaces.
void AppendJournalLines(std::string& lines, const Plan& plan) {
    for (const Written& w : plan.written)
        Journal::AppendStampLine(lines, plan.entry, w.kind, plan.before->of(w.kind), w.stamp);
}

// Carries out a plan: records it in the journal unless that was done
// already, writes its stamps in one call, and checks what the entry holds.
Status Carry(std::string_view path, Plan& plan, const WriteHooks& hooks, bool recorded) {
    if (!plan.anything()) return {};
    Status result;
    if (!hooks.dryRun && !plan.written.empty()) {
        if (hooks.journal && !recorded) {
            std::string lines;
            AppendJournalLines(lines, plan);
            if (Status noted = hooks.journal->recordLines(lines, plan.written.size()); !noted)
                return hooks.fail(path, "无法写入撤销日志：" + noted.error().reason);
        }
        StampSet stamps;
        for (const Written& w : plan.written)
            *stamps.of(w.kind) = w.stamp; // a kind given twice ends with its last value
        const StampsSet set = SetStamps(plan.entry, stamps, plan.before ? plan.before->attributes : 0);
        if (!set.written) return hooks.fail(path, set.written.error().reason);
        result = CheckStored(plan.entry, path, plan.written, plan.offset, hooks);
        if (!set.readOnlyNotRestored.empty()) {
            const Failure lost = hooks.fail(path, set.readOnlyNotRestored);
            if (result) result = lost;
        }
    }
    if (plan.stop) {
        const Failure stopped = hooks.fail(path, *plan.stop);
        if (result) result = stopped;
    }
    // Told only of stamps that hold, with the value the entry now has.
    if (hooks.observer)
        for (const Written& w : plan.written)
            if (w.holds)
                hooks.observer(path, w.kind, FormatTimeText(w.before), FormatTimeText(w.stored),
                               plan.before ? plan.before->of(w.kind) : FileTime{}, w.storedStamp);
    return result;
}

} // namespace

Status WriteFileTimes(std::string_view path, std::span<const StampChange> changes, const WriteHooks& hooks,
                      const EntryInfo* known) {
    Plan plan = MakePlan(EntryPathOf(path), changes, hooks, known);
    return Carry(path, plan, hooks, false);
}

namespace {

// Entries read ahead and recorded together, and how many such slices may
// be worked out before their writes: enough that one journal write serves
// many entries, few enough that an entry is read just before it is written.
constexpr size_t kSliceEntries = 256;
constexpr size_t kSlicesAhead = 3;

// One entry of a slice, worked out ahead of its write.
struct Ahead {
    std::string key; // the entry's path under the platform's case rule
    std::optional<EntryInfo> entry;
    std::string unreadable;
    // Listed again before an earlier row of it was written: read and
    // worked out again when its turn comes.
    bool again = false;
    EntryChanges changes;
    Plan plan;
};

struct Slice {
    std::vector<Ahead> rows;
    std::string lines; // the journal's lines for the slice
    size_t records = 0;
};

// Reads slices ahead of their writes, in order, on a thread of its own.
// Without it (one job) each slice is read just before it is written.
class ReadAhead {
public:
    // read(s, slice, written) reads slice s, knowing the slices before
    // written are written by now.
    ReadAhead(size_t slices, bool ownThread, std::function<void(size_t, Slice&, size_t)> read)
        : m_slices(slices), m_read(std::move(read)), m_ring(kSlicesAhead + 1) {
        if (!ownThread) return;
        try {
            m_thread = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            // No thread to be had: read in line.
        }
    }
    ~ReadAhead() {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        if (m_thread.joinable()) m_thread.join();
    }

    // Slice s, read; the previous one is done with.
    Slice& take(size_t s) {
        if (!m_thread.joinable()) {
            m_read(s, m_ring[s % m_ring.size()], s);
            return m_ring[s % m_ring.size()];
        }
        std::unique_lock lock(m_mutex);
        m_taken = s;
        m_wake.notify_all();
        m_wake.wait(lock, [&] { return m_ready > s || m_error; });
        // Slices read before the reader failed are still written.
        if (m_ready <= s) std::rethrow_exception(m_error);
        return m_ring[s % m_ring.size()];
    }

private:
    void run() {
        for (size_t s = 0; s < m_slices; ++s) {
            size_t written = 0;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [&] { return m_stop || s < m_taken + kSlicesAhead; });
                if (m_stop) return;
                written = m_taken;
            }
            try {
                m_read(s, m_ring[s % m_ring.size()], written);
            } catch (...) {
                const std::lock_guard lock(m_mutex);
                m_error = std::current_exception();
                m_wake.notify_all();
                return;
            }
            {
                const std::lock_guard lock(m_mutex);
                m_ready = s + 1;
            }
            m_wake.notify_all();
        }
    }

    const size_t m_slices;
    const std::function<void(size_t, Slice&, size_t)> m_read;
    std::vector<Slice> m_ring;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    size_t m_taken = 0; // the slice being written: those before it are
    size_t m_ready = 0;
    bool m_stop = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace

FailureList WriteRows(std::vector<FileEntry>& rows, const std::vector<size_t>& which, bool needsEntry,
                      const std::function<EntryChanges(const FileEntry&, const EntryInfo*)>& changesOf,
                      const std::function<void(FileEntry&, const EntryChanges&)>& onWritten, const WriteHooks& hooks) {
    std::vector<size_t> within;
    within.reserve(which.size());
    for (size_t i : which)
        if (i < rows.size()) within.push_back(i);
    FailureList failures;
    // What becomes of row k once its entry is read (or could not be) and
    // its changes worked out; planned, when they were recorded ahead.
    const auto settle = [&](size_t k, const std::optional<EntryInfo>& entry, const std::string& unreadable,
                            const EntryChanges& c, Plan* planned, const Status& noted) {
        FileEntry& row = rows[within[k]];
        if (!entry && needsEntry) {
            if (hooks.onUnreadable) hooks.onUnreadable(row.Name, unreadable);
            return;
        }
        if (c.skip) {
            if (!c.unreadable.empty() && hooks.onUnreadable) hooks.onUnreadable(row.Name, c.unreadable);
            return;
        }
        Status written;
        if (!c.failure.empty())
            written = hooks.fail(row.Name, c.failure);
        else if (!planned)
            written = WriteFileTimes(row.Name, c.changes, hooks, entry ? &*entry : nullptr);
        else if (!noted && !planned->written.empty())
            written = hooks.fail(row.Name, "无法写入撤销日志：" + noted.error().reason);
        else
            written = Carry(row.Name, *planned, hooks, true);
        if (!written)
            failures.add(row.Name);
        else if (!hooks.dryRun)
            onWritten(row, c);
    };
    // Row k read, worked out and written on the calling thread.
    const auto writeInLine = [&](size_t k) {
        const FileEntry& row = rows[within[k]];
        std::optional<EntryInfo> entry;
        std::string unreadable;
        if (needsEntry) {
            if (Result<EntryInfo> found = sys().findEntry(EntryPathOf(row.Name)))
                entry = *found;
            else
                unreadable = found.error().reason;
        }
        const EntryChanges c = entry || !needsEntry ? changesOf(row, entry ? &*entry : nullptr) : EntryChanges{};
        settle(k, entry, unreadable, c, nullptr, {});
        if (hooks.rowDone) hooks.rowDone();
    };
    const size_t count = within.size();
    // A single entry gains nothing from reading ahead: its record is
    // written with it.
    if (!hooks.journal || hooks.dryRun || count == 1) {
        for (size_t k = 0; k < count && !hooks.stopped(); ++k)
            writeInLine(k);
        return failures;
    }

    // Journaled, every entry is read for its old stamps. That read, the
    // working out and the journal's lines are done a slice at a time, on a
    // thread of their own where there are two jobs, while the slices before
    // are written; each slice's lines go to the journal in one write before
    // its first stamp changes.
    const size_t slices = (count + kSliceEntries - 1) / kSliceEntries;
    // The reader's own: the slice in which each entry was last read, for
    // the slices that may not be written yet.
    std::unordered_map<std::string, size_t> readIn;
    ReadAhead ahead(slices, hooks.jobs > 1, [&](size_t s, Slice& slice, size_t written) {
        // Entries last read in slices written by now need no remembering.
        for (const Ahead& a : slice.rows)
            if (const auto at = readIn.find(a.key); at != readIn.end() && at->second + kSlicesAhead + 1 <= s)
                readIn.erase(at);
        const size_t first = s * kSliceEntries;
        const size_t end = std::min(count, first + kSliceEntries);
        slice.rows.assign(end - first, Ahead{});
        slice.lines.clear();
        slice.records = 0;
        for (size_t k = first; k < end; ++k) {
            Ahead& a = slice.rows[k - first];
            const FileEntry& row = rows[within[k]];
            std::string entry = EntryPathOf(row.Name);
            // One entry under two spellings (case, where names ignore it)
            // is one entry. (Two hard links to one file are not told apart.)
            a.key = PathKey(entry);
            const auto [at, fresh] = readIn.try_emplace(a.key, s);
            a.again = !fresh && at->second >= written;
            at->second = s;
            if (a.again) continue;
            Result<EntryInfo> found = sys().findEntry(entry);
            if (!found) {
                // Told on the calling thread, or left to the writer's own read.
                a.unreadable = found.error().reason;
                if (needsEntry) continue;
            } else {
                a.entry = *found;
            }
            a.changes = changesOf(row, a.entry ? &*a.entry : nullptr);
            if (a.changes.skip || !a.changes.failure.empty() || !a.entry) continue;
            a.plan = MakePlan(std::move(entry), a.changes.changes, hooks, &*a.entry);
            AppendJournalLines(slice.lines, a.plan);
            slice.records += a.plan.written.size();
        }
    });
    for (size_t s = 0; s < slices; ++s) {
        Slice& slice = ahead.take(s);
        const Status noted = hooks.journal->recordLines(slice.lines, slice.records);
        for (size_t j = 0; j < slice.rows.size(); ++j) {
            if (hooks.stopped()) return failures;
            const size_t k = s * kSliceEntries + j;
            Ahead& a = slice.rows[j];
            if (a.again) {
                writeInLine(k);
                continue;
            }
            settle(k, a.entry, a.unreadable, a.changes, a.entry ? &a.plan : nullptr, noted);
            if (hooks.rowDone) hooks.rowDone();
        }
    }
    return failures;
}

Status WriteFileTime(std::string_view path, TimeKind kind, DateTime value, bool changeDate, bool changeTime,
                     const WriteHooks& hooks) {
    const StampChange change{kind, value, changeDate, changeTime};
    return WriteFileTimes(path, std::span<const StampChange>(&change, 1), hooks);
}

Status WriteSameTime(std::string_view path, const TimeKinds& kinds, DateTime value, const WriteHooks& hooks) {
    const StampChange changes[3] = {
        {kinds.creation, value, true, true},
        {kinds.lastWrite, value, true, true},
        {kinds.lastAccess, value, true, true},
    };
    return WriteFileTimes(path, changes, hooks);
}

std::string StoredOtherwise(TimeKind kind, DateTime written, DateTime stored) {
    const std::string_view name = kind == TimeKind::Creation     ? "创建时间"
                                  : kind == TimeKind::LastAccess ? "访问时间"
                                                                 : "修改时间";
    return "文件系统将" + std::string(name) + "存为 " + FormatTimeText(stored) + "，而不是 " + FormatTimeText(written);
}

LocalStamps LocalStampsOf(const EntryInfo& entry, int64_t utcOffset) {
    return LocalStamps{FileTimeToLocalDateTime(entry.creation, utcOffset).wholeSeconds(),
                       FileTimeToLocalDateTime(entry.lastWrite, utcOffset).wholeSeconds(),
                       FileTimeToLocalDateTime(entry.lastAccess, utcOffset).wholeSeconds()};
}

Result<LocalStamps> ReadLocalStamps(std::string_view path) {
    const auto info = sys().findEntry(EntryPathOf(path));
    if (!info) return info.error();
    return LocalStampsOf(*info, sys().utcOffsetNow());
}

} // namespace kdx
