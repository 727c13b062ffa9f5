#pragma once

// Giving the files and folders of a target tree the times of the entries of
// the same relative name in a source tree.

#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "core/adding/scanner.h"
#include "core/common/report.h"
#include "core/timeops/writer.h"

namespace kdx {

inline constexpr std::string_view FolderMissingMessage = "指定的目录不存在！";
inline constexpr std::string_view SameFoldersMessage = "源目录和目标目录相同！";

// Whether two folders, as typed, may be synchronised; when they may not,
// the failure's reason is the message that refuses. Missing (or blank)
// comes first; then the two must not name the same folder by the
// platform's rule for names (ignoring case on Windows, exactly on Linux),
// trailing separators aside. A target inside the source tree is accepted.
Status CheckSyncFolders(std::string_view sourceFolder, std::string_view targetFolder);

// Gives target the source's stamp of one kind, date and time. The source is
// read even for a kind that writes nothing; fails, with the reason, when it
// cannot be read or the write fails.
Status CopyTimeFromFile(std::string_view source, std::string_view target, TimeKind kind, const WriteHooks& hooks = {});

// For each entry of targetList, in order: the path with sourceRoot in place
// of targetRoot is looked up in sourceList (by the platform's rule for
// names); when it is there, the target gets the source's checked times
// (creation, last write, last access; stopping at the first failure).
// Entries without a counterpart are left alone and not reported. With
// syncRoots the target root then takes the source root's times whatever the
// lists hold. Returns the target paths that failed, in order.
FailureList SyncDirectories(std::string_view sourceRoot, std::string_view targetRoot, bool syncRoots,
                            const std::vector<std::string>& targetList, const std::vector<std::string>& sourceList,
                            const TimeKinds& kinds, const WriteHooks& hooks = {}, const ProgressFn& progress = {});

// The whole sync of two folders as typed: checks them, scans both trees
// with the filter text (blank: "*.*") and flags (listing each root itself
// too when folders are included), synchronises the lists and then the two
// roots. Returns the target paths that failed; a refusal of CheckSyncFolders
// comes back as the failure, and then nothing was scanned or written.
Result<FailureList> SyncDirectoryTrees(std::string_view sourceFolder, std::string_view targetFolder,
                                       std::string_view filterText, const ScanFlags& flags, const TimeKinds& kinds,
                                       const WriteHooks& hooks = {}, const ProgressFn& progress = {});

} // namespace kdx
