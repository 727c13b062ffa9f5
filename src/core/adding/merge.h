#pragma once

// Turning candidate paths (from the add dialog, a scan or a drop) into the
// paths to append to a list: without the ones already there, without
// repeats, in a case-insensitive order.

#include <string>
#include <string_view>
#include <vector>

#include "core/adding/scanner.h"
#include "core/common/text.h"

namespace kdx {

// The candidates that are to become new rows of a list holding `existing`:
// a candidate already in the list, or equal to an earlier candidate, is
// dropped (the first spelling wins); the rest are sorted as SortPathsForAdding
// sorts. Repeats are removed whether or not the list is empty, so masks such
// as '*.jpg;*.JPG' never list a photo twice.
std::vector<std::string> MergeNewPaths(const PathSet& existing, std::vector<std::string> candidates);
std::vector<std::string> MergeNewPaths(const std::vector<std::string>& existing, std::vector<std::string> candidates);

// Sorts paths ascending, ignoring case under the user's locale: by their
// locale upper-case form compared byte by byte, equal forms by the original
// text, so the order is total and independent of the input order.
void SortPathsForAdding(std::vector<std::string>& paths);

// What a drop of names (files and folders, in the shell's order) offers to a
// list, before the sort: each folder scanned with the masks of filterText
// (always for its own files; flags.subFolders decides descent), each file
// kept unless flags.foldersOnly and only when it passes the masks. A blank
// filter text, or one without masks, means "*.*". Names are used whole.
std::vector<std::string> FilterDroppedNames(const std::vector<std::string>& names, std::string_view filterText,
                                            const ScanFlags& flags);

// The whole decision of a drop onto a list holding `existing`: the paths to
// append, in order (empty when nothing is new).
std::vector<std::string> DroppedPathsToAdd(const std::vector<std::string>& names, std::string_view filterText,
                                           const ScanFlags& flags, const PathSet& existing);

} // namespace kdx
