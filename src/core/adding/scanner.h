#pragma once

// The recursive folder scan that turns a folder and a masks text into the
// ordered list of paths the add dialog, a drop and the directory sync work on.

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kdx {

struct ScanFlags {
    bool subFolders = false;     // "含子目录": descend into sub-folders
    bool includeFolders = false; // "包括路径": list every entered folder itself
    bool foldersOnly = false;    // "仅路径": list no files
    // Set from another thread to end a long scan early: no further folder is
    // searched, and result holds what was found until then.
    const std::atomic<bool>* stop = nullptr;
    // Told each folder that cannot be searched (ending in the separator),
    // with the system's reason.
    const std::function<void(std::string_view folder, std::string_view reason)>* onUnsearchable = nullptr;
};

// A folder the scan may enter: the directory bit and no link (IsLink), so
// junctions and links to folders are never followed (no loops, no leaving
// the tree), while a synced folder of a cloud service, a reparse point of
// another kind, is entered. "." and ".." are neither folders nor files.
bool IsFolderEntry(const DirEntry& e);
// A file the scan may list: neither a directory nor a volume label, whatever
// other bits it carries (read-only, temporary, offline, placeholders...).
bool IsFileEntry(const DirEntry& e);

// Appends to result, for folder and then depth first for every visible
// sub-folder (with subFolders): the folder itself ending in the separator
// (with includeFolders), then its files one mask pass after the other, each
// pass in the platform's order (unless foldersOnly). Blank masks mean "*.*".
// A mask repeating an extension makes a second pass and so second copies;
// whoever adds the result to a list removes them. Hidden and system folders
// are not entered. A folder that cannot be searched adds only itself (with
// includeFolders); a blank folder names nothing and adds nothing.
void ScanDirectory(std::string_view folder, std::string_view masks, std::vector<std::string>& result,
                   const ScanFlags& flags);

// The mask test the scanner and a drop both use: whether a file name passes
// the masks text. It does when the masks contain "*.*" (or are blank), or
// when the name's extension, dot included and ASCII letters folded, occurs
// anywhere in the folded masks. A name without an extension passes only "*.*".
bool MatchesMasks(std::string_view fileName, std::string_view masks);

} // namespace kdx
