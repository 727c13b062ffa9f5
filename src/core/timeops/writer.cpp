#include "core/timeops/writer.h"

#include <algorithm>

#include "core/common/text.h"
#include "platform/platform.h"

namespace kdx {

namespace {

bool IsKind(int kind) {
    return kind == KindCreation || kind == KindLastWrite || kind == KindLastAccess;
}

bool HasEffect(const StampChange& c) {
    return IsKind(c.kind) && (c.changeDate || c.changeTime);
}

TimeSlot SlotOf(int kind) {
    return kind == KindCreation    ? TimeSlot::Creation
           : kind == KindLastWrite ? TimeSlot::LastWrite
                                   : TimeSlot::LastAccess;
}

FileTime StampOf(const EntryInfo& info, int kind) {
    return kind == KindCreation ? info.creation : kind == KindLastWrite ? info.lastWrite : info.lastAccess;
}

// First and last millisecond of years 1 to 9999.
const DateTime kFirst = DateTime::fromFields({MinYear, 1, 1, 0, 0, 0, 0});
const DateTime kLast = DateTime::fromFields({MaxYear, 12, 31, 23, 59, 59, 999});

} // namespace

TimeKinds TimeKinds::FromChecks(bool creationChecked, bool lastWriteChecked, bool lastAccessChecked) {
    return TimeKinds{creationChecked ? KindCreation : KindNone, lastWriteChecked ? KindLastWrite : KindNone,
                     lastAccessChecked ? KindLastAccess : KindNone};
}

std::string EntryPathOf(std::string_view path) {
    std::string p = StripTrailingBackslashes(path);
    if (p.empty() && !path.empty() && IsPathSeparator(path.front())) p.assign(1, PathSeparator());
    return p;
}

ReadOnlyState AdjustReadOnly(std::string_view path, bool clear) {
    ReadOnlyState state;
    const std::string entry = EntryPathOf(path);
    const auto attributes = sys().getAttributes(entry);
    if (!attributes) return state; // nothing there to change
    state.wasReadOnly = (*attributes & attr::ReadOnly) != 0;
    if (clear && state.wasReadOnly)
        state.ok = sys().setAttributes(entry, *attributes & ~attr::ReadOnly);
    else if (!clear && !state.wasReadOnly)
        state.ok = sys().setAttributes(entry, *attributes | attr::ReadOnly);
    return state;
}

namespace {

// Whole values written where stamps need no unlocking and no one watches:
// nothing of the current entry is needed, and a missing entry makes the
// system call fail just as the read would. Saves one stat per stamp set.
// The stamps go to the system together, up to the first change that cannot
// be made: one call instead of one per stamp, with the same outcome.
bool WriteWithoutReading(const std::string& entry, std::span<const StampChange> changes) {
    Platform& p = sys();
    const int64_t offset = p.utcOffsetNow();
    StampSet stamps;
    bool any = false;
    for (const StampChange& c : changes) {
        if (!HasEffect(c)) continue;
        const DateTime v = c.value.wholeSeconds();
        if ((c.kind == KindCreation && !p.canSetCreationTime()) || v < kFirst || v > kLast) {
            if (any) p.setFileTimes(entry, stamps);
            return false;
        }
        std::optional<FileTime>& slot = c.kind == KindCreation    ? stamps.creation
                                        : c.kind == KindLastWrite ? stamps.lastWrite
                                                                  : stamps.lastAccess;
        slot = LocalDateTimeToFileTime(v, offset);
        any = true;
    }
    return !any || p.setFileTimes(entry, stamps);
}

bool NeedsEntry(std::span<const StampChange> changes, const WriteHooks& hooks) {
    if (hooks.dryRun || hooks.observer || sys().timesNeedWritable()) return true;
    for (const StampChange& c : changes)
        if (HasEffect(c) && !(c.changeDate && c.changeTime)) return true;
    return false;
}

} // namespace

bool WriteFileTimes(std::string_view path, std::span<const StampChange> changes, const WriteHooks& hooks) {
    if (std::none_of(changes.begin(), changes.end(), HasEffect)) return true;
    if (!NeedsEntry(changes, hooks)) {
        const std::string entry = EntryPathOf(path);
        return !entry.empty() && WriteWithoutReading(entry, changes);
    }
    Platform& p = sys();
    std::string entry;
    std::optional<EntryInfo> info;
    int64_t offset = 0;
    bool unlocked = false;
    bool ok = true;
    for (const StampChange& c : changes) {
        if (!HasEffect(c)) continue;
        if (!info) {
            // Read only once something is to be written: a change without
            // effect succeeds even for a path that does not exist.
            entry = EntryPathOf(path);
            if (!entry.empty()) info = p.findEntry(entry);
            if (!info) {
                ok = false;
                break;
            }
            offset = p.utcOffsetNow();
        }
        // Never report a creation stamp as written where none can be.
        if (c.kind == KindCreation && !p.canSetCreationTime()) {
            ok = false;
            break;
        }
        const DateTime current = FileTimeToLocalDateTime(StampOf(*info, c.kind), offset).wholeSeconds();
        const DateTime wanted = c.value.wholeSeconds();
        const DateTime day = c.changeDate ? wanted.date() : current.date();
        const int64_t time = c.changeTime ? wanted.timeOfDayMs() : current.timeOfDayMs();
        const DateTime v = DateTime::fromMs(day.ms() + time);
        if (v < kFirst || v > kLast) {
            ok = false;
            break;
        }
        if (!hooks.dryRun) {
            // Windows refuses stamps on read-only entries; POSIX lets the
            // owner set them regardless, so permissions stay untouched there.
            if (!unlocked && p.timesNeedWritable() && (info->attributes & attr::ReadOnly)) {
                AdjustReadOnly(entry, true);
                unlocked = true;
            }
            if (!p.setFileTime(entry, SlotOf(c.kind), LocalDateTimeToFileTime(v, offset))) {
                ok = false;
                break;
            }
        }
        if (hooks.observer) hooks.observer(path, c.kind, FormatTimeText(current), FormatTimeText(v));
    }
    if (unlocked) AdjustReadOnly(entry, false);
    return ok;
}

bool WriteFileTime(std::string_view path, int kind, DateTime value, bool changeDate, bool changeTime,
                   const WriteHooks& hooks) {
    const StampChange change{kind, value, changeDate, changeTime};
    return WriteFileTimes(path, std::span<const StampChange>(&change, 1), hooks);
}

bool WriteSameTime(std::string_view path, const TimeKinds& kinds, DateTime value, const WriteHooks& hooks) {
    const StampChange changes[3] = {
        {kinds.creation, value, true, true},
        {kinds.lastWrite, value, true, true},
        {kinds.lastAccess, value, true, true},
    };
    return WriteFileTimes(path, changes, hooks);
}

std::optional<LocalStamps> ReadLocalStamps(std::string_view path) {
    const std::string entry = EntryPathOf(path);
    if (entry.empty()) return std::nullopt;
    const auto info = sys().findEntry(entry);
    if (!info) return std::nullopt;
    const int64_t offset = sys().utcOffsetNow();
    return LocalStamps{FileTimeToLocalDateTime(info->creation, offset).wholeSeconds(),
                       FileTimeToLocalDateTime(info->lastWrite, offset).wholeSeconds(),
                       FileTimeToLocalDateTime(info->lastAccess, offset).wholeSeconds()};
}

} // namespace kdx
