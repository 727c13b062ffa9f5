#pragma once

// Taking back a command from the undo journal: each stamp it wrote goes
// back to its old value to the nanosecond, each rename is reversed.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/result.h"
#include "core/common/report.h"
#include "core/journal/journal.h"

namespace kdx {

struct UndoOptions {
    bool dryRun = false;
    // Also restores entries changed since the command.
    bool force = false;
    // Told of each change made, or in a dry run to be made: the path, and
    // for a stamp its kind with the current and the restored value, as texts
    // and as the stamps themselves; for a rename the current path and the
    // restored one (kind NotChosen, no stamps).
    std::function<void(std::string_view path, TimeKind kind, std::string_view from, std::string_view to,
                       FileTime fromStamp, FileTime toStamp)>
        observer;
    // Told how many of the command's records are dealt with, now and then
    // and at the end.
    ProgressFn progress;
};

struct UndoReport {
    int undoneId = 0;  // the command taken back
    int journalId = 0; // the undo's own record, 0 in a dry run
    size_t restored = 0;
    // Entries left alone because they changed since the command, or that
    // failed, each with the reason.
    std::vector<std::pair<std::string, std::string>> leftAlone;
};

// The reasons undo gives for entries it leaves.
inline constexpr std::string_view ChangedSince = "此后已被修改，未恢复";
inline constexpr std::string_view RenamedEntryGone = "重命名后的文件已不在，或原名已被占用";

// The command an undo records itself as, before the number it took back.
inline constexpr std::string_view UndoCommandPrefix = "undo ";

// The command undo would take back: command id, or with id 0 the last one
// not yet taken back that changed something and is not itself an undo.
// Nothing when there is no such command.
std::optional<JournalEntry> CommandToUndo(const std::vector<JournalEntry>& journal, int id);

// Takes back command id, or with id 0 the last one not yet taken back that
// is not itself an undo.
// The undo is journaled in turn, so it can itself be undone. The command
// counts as taken back once no entry was left alone. Fails, with
// the reason, when there is no such command or its record cannot be read
// or the undo's own record cannot be written.
Result<UndoReport> UndoCommand(int id, const UndoOptions& options);

} // namespace kdx
