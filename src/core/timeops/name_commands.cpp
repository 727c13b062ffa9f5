#include "core/timeops/name_commands.h"

#include "core/common/text.h"
#include "core/journal/journal.h"
#include "core/timeops/writer.h"
#include "core/timesrc/name_time.h"
#include "core/timesrc/photo_time.h"
#include "platform/platform.h"

namespace kdx {

void FillPhotoTimesFromNames(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                             const NameTimeOptions& options) {
    std::string timeText, newName;
    for (size_t i : which) {
        if (i >= rows.size()) continue;
        if (ParseFileNameTime(rows[i].Name, options.start, options.weChat, timeText, newName))
            rows[i].PhotoTime = timeText;
    }
}

void RefreshPhotoTimes(std::vector<FileEntry>& rows, const std::vector<size_t>& which, const ProgressFn& progress,
                       const UnreadableFn& onUnreadable) {
    size_t done = 0;
    for (size_t i : which) {
        // Checked on every row: the window runs its events between rows.
        if (i < rows.size()) {
            std::string t, why;
            if (!onUnreadable) {
                t = GetPhotoTime(rows[i].Name);
            } else if (const auto info = sys().findEntry(EntryPathOf(rows[i].Name)); !info) {
                why = info.error().reason; // gone, whatever its name
            } else {
                t = GetPhotoTime(rows[i].Name, &why);
            }
            if (!why.empty()) onUnreadable(i, why);
            rows[i].PhotoTime = IsBlank(t) ? std::string(BlankTime) : std::move(t);
        }
        if (progress) progress(++done, which.size());
    }
}

std::optional<FailureList> RenameWeChatFiles(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                             const NameTimeOptions& options, const RenameHooks& hooks) {
    if (which.empty()) return std::nullopt;
    FailureList failures;
    PathSet planned; // new names a dry run has already given away
    std::string timeText, newName;
    for (size_t i : which) {
        if (i >= rows.size()) continue;
        FileEntry& row = rows[i];
        if (!ParseFileNameTime(row.Name, options.start, options.weChat, timeText, newName)) continue;
        if (!hooks.dryRun) row.PhotoTime = timeText;
        // Folders are never renamed (fileExists is false for them).
        if (newName.empty() || !sys().fileExists(row.Name)) continue;
        if (hooks.dryRun) {
            if (EntryExists(newName) || !planned.insert(newName)) {
                failures.add(row.Name);
                continue;
            }
            if (hooks.observer) hooks.observer(row.Name, newName);
            continue;
        }
        if (hooks.journal)
            if (Status noted = hooks.journal->recordRename(row.Name, newName); !noted) {
                if (hooks.onFailure) hooks.onFailure(row.Name, "无法写入撤销日志：" + noted.error().reason);
                failures.add(row.Name);
                continue;
            }
        if (const Status renamed = sys().renameNoReplace(row.Name, newName)) {
            if (hooks.observer) hooks.observer(row.Name, newName);
            row.Name = newName;
        } else {
            if (hooks.onFailure) hooks.onFailure(row.Name, renamed.error().reason);
            failures.add(row.Name);
        }
    }
    return failures;
}

} // namespace kdx
