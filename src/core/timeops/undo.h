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
    // for a stamp its kind with the value it had and the restored one, as
    // texts and as the stamps themselves; for a rename the path it had and
    // the restored one (kind NotChosen, no stamps).
    std::function<void(std::string_view path, TimeKind kind, std::string_view from, std::string_view to,
                       FileTime fromStamp, FileTime toStamp)>
        observer;
    // Told how many of the command's entries are dealt with, now and then
    // and at the end.
    ProgressFn progress;
    // Told of each journal file met that cannot be read.
    JournalDamageFn onDamaged;
};

struct UndoReport {
    int undoneId = 0;    // the command taken back
    int journalId = 0;   // the undo's own record, 0 in a dry run
    size_t restored = 0; // entries
    // Entries left alone because they changed since the command, or that
    // failed, each once with the reason.
    std::vector<std::pair<std::string, std::string>> leftAlone;
};

// The reasons undo gives for entries it leaves.
inline constexpr std::string_view ChangedSince = "此后已被修改，未恢复";
inline constexpr std::string_view RenamedEntryGone = "重命名后的文件已不在，或原名已被占用";
// Why undo without a number takes back nothing when the journal holds no
// command to take back.
inline constexpr std::string_view NothingToUndo = "撤销日志中没有可撤销的命令";

// The command an undo records itself as, before the number it took back.
inline constexpr std::string_view UndoCommandPrefix = "undo ";

// The command undo would take back: command id, or with id 0 the last one
// not yet taken back that changed something and is not itself an undo.
// Only the files from the newest back to that command are read; those that
// cannot be read are told to onDamaged. Fails when there is no such
// command, and with id 0 also when a file newer than it cannot be read:
// the last command may be the one in there. With pastDamaged, such a file
// is told and passed over, for a caller that asks the user first.
Result<JournalEntry> CommandToUndo(int id, const JournalDamageFn& onDamaged = {}, bool pastDamaged = false);

// Takes back command id, or with id 0 the command CommandToUndo finds.
// Each entry is restored as a whole: when any of the stamps the command
// wrote to it has changed since, none of them is restored (unless forced),
// and the entry is left alone. The undo is journaled in turn, so it can
// itself be undone. The command counts as taken back once no entry was
// left alone. Fails, with the reason, when there is no such command, its
// record cannot be read or the undo's own record cannot be written.
Result<UndoReport> UndoCommand(int id, const UndoOptions& options);

} // namespace kdx
