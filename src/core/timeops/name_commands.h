#pragma once

// The row commands of the time-source buttons of list A: file-name times,
// photo times and renaming WeChat export files. Each works on the rows whose
// indices are in which (ascending, the order the list shows).

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/common/report.h"
#include "core/lists/file_entry.h"

namespace kdx {

class Journal;

// "获取文件名时间": every row whose file name holds a time gets it as its
// PhotoTime (the column the button fills); the others are left as they are.
// Nothing is written to disk and there is no closing message.
void FillPhotoTimesFromNames(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                             const NameTimeOptions& options);

// "获取拍摄时间": PhotoTime := the EXIF shooting time of each row's file, " "
// when it has none. progress is called after each row; the window lets its
// pending events through there and must not change the rows meanwhile.
// onUnreadable (may be empty) is told each row whose entry is missing or
// whose photo cannot be opened, with the system's reason.
using UnreadableFn = std::function<void(size_t row, std::string_view reason)>;
void RefreshPhotoTimes(std::vector<FileEntry>& rows, const std::vector<size_t>& which, const ProgressFn& progress = {},
                       const UnreadableFn& onUnreadable = {});

// Told about every rename that is made, or in a dry run would be made.
using RenameObserver = std::function<void(std::string_view from, std::string_view to)>;

// How RenameWeChatFiles renames. A dry run renames nothing and changes no
// row, but reports every rename it would make and counts as failed the ones
// whose new name is taken, by an existing entry or by an earlier rename of
// the same run.
struct RenameHooks {
    bool dryRun = false;
    RenameObserver observer;
    // Told the system's reason for each rename it refused.
    std::function<void(std::string_view path, std::string_view reason)> onFailure;
    // Where each rename is recorded before it is made; none when the
    // command is not journaled.
    Journal* journal = nullptr;
};

// "修改微信文件名": every row whose name holds a time gets it as its PhotoTime;
// a file (never a folder) whose name holds a WeChat stamp is renamed to
// "mmexport_yyyymmdd_hhnnss" plus its extension, never over an existing
// file, and the row takes the new path. Returns the paths that could not be
// renamed, for ClosingMessage(DoneRenamed, FailedModified, failures), which
// the window shows even when no file was renamed; std::nullopt when which is
// empty (no message).
std::optional<FailureList> RenameWeChatFiles(std::vector<FileEntry>& rows, const std::vector<size_t>& which,
                                             const NameTimeOptions& options, const RenameHooks& hooks = {});

} // namespace kdx
