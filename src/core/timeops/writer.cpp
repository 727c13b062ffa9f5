#include "core/timeops/writer.h"

#include <algorithm>
#include <vector>

#include "core/common/text.h"
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
    if (clear && state.wasReadOnly)
        state.ok = sys().setAttributes(entry, *attributes & ~attr::ReadOnly).has_value();
    else if (!clear && !state.wasReadOnly)
        state.ok = sys().setAttributes(entry, *attributes | attr::ReadOnly).has_value();
    return state;
}

namespace {

// The coarsest resolution of a file system's stamps, FAT's last-write time:
// a value read back this close to the one written is that value.
constexpr int64_t kCoarsestTicks = 2 * FileTime::TicksPerSecond;

bool HoldsAtResolution(TimeKind kind, FileTime written, FileTime stored, int64_t offset) {
    const int64_t diff = stored.ticks - written.ticks;
    if (diff >= -kCoarsestTicks && diff <= kCoarsestTicks) return true;
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
        if (HoldsAtResolution(w.kind, w.stamp, stored, offset)) continue;
        w.holds = false;
        result = hooks.fail(path,
                            StoredOtherwise(w.kind, FileTimeToLocalDateTime(w.stamp, offset).wholeSeconds(), w.stored));
    }
    return result;
}

// Whole values written where stamps need no unlocking and no one watches:
// nothing of the current entry is needed, and a missing entry makes the
// system call fail just as the read would. Saves one stat per stamp set.
// The stamps go to the system together, up to the first change that cannot
// be made: one call instead of one per stamp, with the same outcome.
// One stat after the write tells whether the stamps hold.
Status WriteWithoutReading(std::string_view path, const std::string& entry, std::span<const StampChange> changes,
                           const WriteHooks& hooks) {
    Platform& p = sys();
    const int64_t offset = p.utcOffsetNow();
    StampSet stamps;
    Written written[3];
    size_t count = 0;
    bool any = false;
    for (const StampChange& c : changes) {
        if (!HasEffect(c)) continue;
        const DateTime v = c.value.wholeSeconds();
        const bool creationRefused = c.kind == TimeKind::Creation && !p.canSetCreationTime();
        if (creationRefused || v < kFirst || v > kLast) {
            if (any)
                if (const Status done = p.setFileTimes(entry, stamps); !done)
                    return hooks.fail(path, done.error().reason);
            return hooks.fail(path, creationRefused ? CreationNotSettable : OutsideYears);
        }
        *stamps.of(c.kind) = LocalDateTimeToFileTime(v, offset);
        any = true;
    }
    if (!any) return {};
    if (const Status done = p.setFileTimes(entry, stamps); !done) return hooks.fail(path, done.error().reason);
    // Each slot holds the last value given for its kind.
    for (TimeKind kind : {TimeKind::Creation, TimeKind::LastWrite, TimeKind::LastAccess})
        if (const std::optional<FileTime>& slot = *stamps.of(kind))
            written[count++] = Written{kind, *slot, {}, {}, true};
    return CheckStored(entry, path, std::span<Written>(written, count), offset, hooks);
}

bool NeedsEntry(std::span<const StampChange> changes, const WriteHooks& hooks) {
    if (hooks.dryRun || hooks.observer || sys().timesNeedWritable()) return true;
    for (const StampChange& c : changes)
        if (HasEffect(c) && !(c.changeDate && c.changeTime)) return true;
    return false;
}

} // namespace

Status WriteFileTimes(std::string_view path, std::span<const StampChange> changes, const WriteHooks& hooks) {
    if (std::none_of(changes.begin(), changes.end(), HasEffect)) return {};
    if (!NeedsEntry(changes, hooks)) {
        // An empty entry is left to the read below, which tells why it fails.
        if (const std::string entry = EntryPathOf(path); !entry.empty())
            return WriteWithoutReading(path, entry, changes, hooks);
    }
    Platform& p = sys();
    std::string entry;
    std::optional<EntryInfo> info;
    int64_t offset = 0;
    bool unlocked = false;
    Status result;
    std::vector<Written> written;
    written.reserve(changes.size());
    for (const StampChange& c : changes) {
        if (!HasEffect(c)) continue;
        if (!info) {
            // Read only once something is to be written: a change without
            // effect succeeds even for a path that does not exist.
            entry = EntryPathOf(path);
            Result<EntryInfo> found = p.findEntry(entry);
            if (!found) {
                result = hooks.fail(path, found.error().reason);
                break;
            }
            info = *found;
            offset = p.utcOffsetNow();
        }
        // Never report a creation stamp as written where none can be.
        if (c.kind == TimeKind::Creation && !p.canSetCreationTime()) {
            result = hooks.fail(path, CreationNotSettable);
            break;
        }
        const DateTime current = FileTimeToLocalDateTime(info->of(c.kind), offset).wholeSeconds();
        const DateTime wanted = c.value.wholeSeconds();
        const DateTime day = c.changeDate ? wanted.date() : current.date();
        const int64_t time = c.changeTime ? wanted.timeOfDayMs() : current.timeOfDayMs();
        const DateTime v = DateTime::fromMs(day.ms() + time);
        if (v < kFirst || v > kLast) {
            result = hooks.fail(path, OutsideYears);
            break;
        }
        const FileTime stamp = LocalDateTimeToFileTime(v, offset);
        if (!hooks.dryRun) {
            Status set = p.setFileTime(entry, c.kind, stamp);
            // Some Windows file systems refuse stamps on read-only entries;
            // only then is the bit cleared (on a folder it also switches off
            // its customisation), and put back below. POSIX lets the owner
            // set them regardless, so permissions stay untouched there.
            if (!set && !unlocked && p.timesNeedWritable() && (info->attributes & attr::ReadOnly)) {
                const ReadOnlyState cleared = AdjustReadOnly(entry, true);
                unlocked = cleared.ok && cleared.wasReadOnly;
                if (!unlocked) {
                    result = hooks.fail(path, set.error().reason);
                    break;
                }
                set = p.setFileTime(entry, c.kind, stamp);
            }
            if (!set) {
                result = hooks.fail(path, set.error().reason);
                break;
            }
        }
        written.push_back(Written{c.kind, stamp, current, v, true});
    }
    if (unlocked) AdjustReadOnly(entry, false);
    if (!hooks.dryRun && !written.empty())
        if (Status stored = CheckStored(entry, path, written, offset, hooks); !stored && result) result = stored;
    // Told only of stamps that hold, with the value the entry now has.
    if (hooks.observer)
        for (const Written& w : written)
            if (w.holds) hooks.observer(path, w.kind, FormatTimeText(w.before), FormatTimeText(w.stored));
    return result;
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

Result<LocalStamps> ReadLocalStamps(std::string_view path) {
    const auto info = sys().findEntry(EntryPathOf(path));
    if (!info) return info.error();
    const int64_t offset = sys().utcOffsetNow();
    return LocalStamps{FileTimeToLocalDateTime(info->creation, offset).wholeSeconds(),
                       FileTimeToLocalDateTime(info->lastWrite, offset).wholeSeconds(),
                       FileTimeToLocalDateTime(info->lastAccess, offset).wholeSeconds()};
}

} // namespace kdx
