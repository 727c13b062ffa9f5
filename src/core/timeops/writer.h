#pragma once

// The one place that changes a time stamp on disk. Every command that sets,
// shifts or synchronises times goes through WriteFileTime or WriteFileTimes.

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "core/common/filetime.h"
#include "core/common/report.h"
#include "core/lists/file_entry.h"
#include "platform/platform.h"

namespace kdx {

class Journal;

// The three kind check boxes of a page: each member is its kind when the box
// is checked and TimeKind::NotChosen when it is clear.
struct TimeKinds {
    TimeKind creation = TimeKind::Creation;
    TimeKind lastWrite = TimeKind::LastWrite;
    TimeKind lastAccess = TimeKind::LastAccess;

    static TimeKinds FromChecks(bool creationChecked, bool lastWriteChecked, bool lastAccessChecked);
    static TimeKinds None() { return FromChecks(false, false, false); }
};

// Told about every stamp that is written, or in a dry run would be written:
// the path as given, the kind, the old and new time texts, and the old and
// new stamps themselves, sub-second part included (the new one as read back,
// or in a dry run as it would be written).
using WriteObserver = std::function<void(std::string_view path, TimeKind kind, std::string_view oldText,
                                         std::string_view newText, FileTime oldStamp, FileTime newStamp)>;

// Told why a write failed, once per failed write: the path as given and the
// reason, the system's own where the system refused, StoredOtherwise where
// the file system kept another value than the one written.
using FailureObserver = std::function<void(std::string_view path, std::string_view reason)>;

// The reasons the writer gives itself.
inline constexpr std::string_view CreationNotSettable = "此系统不能修改创建时间";
inline constexpr std::string_view OutsideYears = "时间超出 1 至 9999 年";
// A stamp the file system holds otherwise than it was written, beyond its
// resolution: out of its range a file system keeps the nearest value it can
// (ext4 from 1901, FAT from 1980) without an error.
std::string StoredOtherwise(TimeKind kind, DateTime written, DateTime stored);

// How the writing commands write. The default writes for real and tells no
// one. A dry run writes nothing and changes no row, but still reports every
// stamp it would write and still fails where the entry is missing or the
// kind cannot be written on this system.
struct WriteHooks {
    bool dryRun = false;
    WriteObserver observer;
    FailureObserver onFailure{};
    // Told of a row a command passes over because its entry cannot be read
    // (gone, or refused by the system), with the system's reason. The
    // window passes such rows over without a word; a script is told.
    FailureObserver onUnreadable{};
    // Where each stamp is recorded, with its old value, before it is
    // written; none when the command is not journaled (a dry run never is).
    Journal* journal = nullptr;
    // Threads a journaled command may use: with two or more, the entries
    // are read and recorded ahead of their writes on a second thread.
    unsigned jobs = 1;
    // Asked between entries by the commands that walk many of them: when it
    // says so, the command ends after the entry in hand, reporting as done
    // only the entries it got to.
    std::function<bool()> stopRequested{};
    // Told, in order, each time such a command is done with one of its
    // rows, whatever became of it (written, failed, passed over).
    std::function<void()> rowDone{};
    bool stopped() const { return stopRequested && stopRequested(); }
    // Tells onFailure, if anyone listens; the failure, for the failing
    // caller to return.
    Failure fail(std::string_view path, std::string_view reason) const {
        if (onFailure) onFailure(path, reason);
        return Failure{0, std::string(reason)};
    }
};

// Writes one stamp of path (file or folder, trailing separators allowed).
// Of value only the date (changeDate) and/or the time of day (changeTime)
// are applied, to whole seconds; the rest comes from the entry's current
// stamp. Succeeds when written or when there was nothing to do (no kind, or
// neither part chosen: the path is then not even examined); fails, with the
// reason, when the entry is missing, the result would leave years 1-9999, the kind cannot be
// written on this system, the system refuses the stamp, or the stamp read
// back afterwards is not the one written.
//
// A stamp read back counts as written when it is within 2 s of the value
// (FAT keeps last-write times to 2 s), or, for the last access, when it is
// midnight of the same local day (FAT keeps that as a date only). The
// observer is then told the value read back.
Status WriteFileTime(std::string_view path, TimeKind kind, DateTime value, bool changeDate, bool changeTime,
                     const WriteHooks& hooks = {});

// One stamp to write.
struct StampChange {
    TimeKind kind = TimeKind::NotChosen;
    DateTime value;
    bool changeDate = true;
    bool changeTime = true;
    // Written as it is instead of value, sub-second part included: a stamp
    // copied from another entry.
    std::optional<FileTime> exact{};
};

// Writes the changes in order and stops at the first that fails. The outcome
// is that of one WriteFileTime call per change, but the entry is read once,
// its stamps go to the system in one call and a read-only entry is unlocked
// once. known is the entry as the caller has just read it, if it has:
// it is not read again.
Status WriteFileTimes(std::string_view path, std::span<const StampChange> changes, const WriteHooks& hooks = {},
                      const EntryInfo* known = nullptr);

// What a command writes to one of many entries, worked out from the entry
// as it is: the changes, or the reason the entry fails, or nothing.
struct EntryChanges {
    StampChange changes[3];
    std::string failure;
    bool skip = false;
    // With skip: the source could not be read, for this reason (told to
    // onUnreadable).
    std::string unreadable;
    std::string text; // what the command's row shows for the value written
};

// Writes the rows `which` of rows (those the list has) in order, between
// stops asked by the hooks, and returns the rows that failed. changesOf(row,
// entry) says what a row's entry gets, given the entry as read (when
// needsEntry; an entry that cannot be read is then told to onUnreadable and
// passed over; without needsEntry it may be null). onWritten(row, changes)
// follows each row written for real, to show what it now holds. Journaled,
// changesOf may run on another thread ahead of the writes, so it must only
// read.
FailureList WriteRows(std::vector<FileEntry>& rows, const std::vector<size_t>& which, bool needsEntry,
                      const std::function<EntryChanges(const FileEntry&, const EntryInfo*)>& changesOf,
                      const std::function<void(FileEntry&, const EntryChanges&)>& onWritten, const WriteHooks& hooks);

// The same value written to the creation, last-write and last-access kinds
// in that order (a kind of 0 is skipped), date and time both applied.
Status WriteSameTime(std::string_view path, const TimeKinds& kinds, DateTime value, const WriteHooks& hooks = {});

struct ReadOnlyState {
    bool wasReadOnly = false;
    bool ok = true;     // false only when changing the attribute was tried and failed
    std::string reason; // the system's, when it failed
};

// What SetStamps did: the stamps' own result (whose reason, when they
// failed, also tells of a read-only bit not put back), and when they were
// written but the bit cleared for them could not be put back, the reason
// the entry gives for that; empty otherwise.
struct StampsSet {
    Status written;
    std::string readOnlyNotRestored;
};

// Hands stamps to the system; where it refuses them on an entry whose
// attributes say read-only (some Windows file systems do), the bit is
// cleared for the write and put back.
StampsSet SetStamps(const std::string& entry, const StampSet& stamps, uint32_t attributes);

// Clears (clear) or sets (!clear) the read-only attribute of path when it is
// not already so, and tells whether it was set before.
ReadOnlyState AdjustReadOnly(std::string_view path, bool clear);

// The three stamps of an entry as local values to whole seconds, exactly as
// their time texts read back.
struct LocalStamps {
    DateTime creation;
    DateTime lastWrite;
    DateTime lastAccess;

    DateTime of(TimeKind kind) const {
        return kind == TimeKind::LastWrite ? lastWrite : kind == TimeKind::LastAccess ? lastAccess : creation;
    }
};
Result<LocalStamps> ReadLocalStamps(std::string_view path);
LocalStamps LocalStampsOf(const EntryInfo& entry, int64_t utcOffset);

} // namespace kdx
